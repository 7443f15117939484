#include "simulator_process/simulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

extern char** environ;

namespace tavr {
namespace {

int MillisecondsLeft(SimulatorProcess::Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - SimulatorProcess::Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// This process's environment with XDG_CONFIG_HOME replaced.
std::vector<std::string> ChildEnvironment(const std::filesystem::path& configHome) {
    std::vector<std::string> environment{"XDG_CONFIG_HOME=" + configHome.string()};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string_view(*entry).rfind("XDG_CONFIG_HOME=", 0) != 0) {
            environment.emplace_back(*entry);
        }
    }
    return environment;
}

std::vector<char*> NullTerminated(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

SimulatorProcess::SimulatorProcess(const std::filesystem::path& program,
                                   const std::filesystem::path& configHome,
                                   std::vector<std::string> arguments,
                                   std::chrono::milliseconds patience)
    : patience_(patience) {
    int input[2];
    int output[2];
    if (pipe2(input, O_CLOEXEC) != 0) {
        return;
    }
    if (pipe2(output, O_CLOEXEC) != 0) {
        close(input[0]);
        close(input[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);

    arguments.insert(arguments.begin(), program.string());
    std::vector<char*> argv = NullTerminated(arguments);
    std::vector<std::string> environment = ChildEnvironment(configHome);
    std::vector<char*> envp = NullTerminated(environment);
    started_ = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0;
    if (!started_) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    input_ = input[1];
    output_ = output[0];
}

SimulatorProcess::~SimulatorProcess() {
    CloseInput();
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0) {
        close(output_);
    }
}

std::optional<std::string> SimulatorProcess::WaitForLine(std::string_view text) {
    const auto deadline = Clock::now() + patience_;
    for (;;) {
        for (std::size_t end; (end = received_.find('\n')) != std::string::npos;) {
            std::string line = received_.substr(0, end);
            received_.erase(0, end + 1);
            if (line.find(text) != std::string::npos) {
                return line;
            }
        }
        if (!ReadOutput(deadline)) {
            return std::nullopt;
        }
    }
}

bool SimulatorProcess::Send(const std::string& command) {
    const std::string line = command + '\n';
    return input_ >= 0 &&
           write(input_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

void SimulatorProcess::CloseInput() {
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
}

void SimulatorProcess::Signal(int signal) {
    if (pid_ > 0) {
        kill(pid_, signal);
    }
}

std::optional<int> SimulatorProcess::WaitForExit() {
    if (pid_ <= 0) {
        return std::nullopt;
    }
    const auto deadline = Clock::now() + patience_;
    while (ReadOutput(deadline)) {
    }
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (MillisecondsLeft(deadline) == 0) {
            return std::nullopt;
        }
        poll(nullptr, 0, 10);
    }
    pid_ = -1;
    return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
}

bool SimulatorProcess::ReadOutput(Clock::time_point deadline) {
    if (output_ < 0) {
        return false;
    }
    pollfd watched{output_, POLLIN, 0};
    char buffer[4096];
    if (poll(&watched, 1, MillisecondsLeft(deadline)) <= 0) {
        return false;
    }
    const ssize_t count = read(output_, buffer, sizeof buffer);
    if (count <= 0) {
        return false;
    }
    received_.append(buffer, static_cast<std::size_t>(count));
    return true;
}

}  // namespace tavr
