#include "mqtt_broker.h"

#include <fcntl.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

namespace tavr {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(20);
constexpr auto kRetryPause = std::chrono::milliseconds(20);

// A port that nothing listens on now, chosen by the system.
int FreePort() {
    const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return ntohs(address.sin_port);
}

bool Accepts(int port) {
    const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool accepted =
        connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(probe);
    return accepted;
}

bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string UserName() {
    const passwd* user = getpwuid(getuid());
    return user != nullptr ? user->pw_name : "root";
}

}  // namespace

MqttBroker::MqttBroker(fs::path folder, Setup setup)
    : folder_(std::move(folder)), setup_(std::move(setup)), port_(FreePort()) {}

MqttBroker::~MqttBroker() {
    Stop();
}

bool MqttBroker::PublishWithClient(const std::string& topic, const std::string& payload,
                                   bool retained) const {
    std::vector<std::string> arguments{TAVR_MOSQUITTO_PUB_PATH,
                                       "-h",
                                       "127.0.0.1",
                                       "-p",
                                       std::to_string(port_),
                                       "-q",
                                       "1",
                                       "-t",
                                       topic,
                                       "-m",
                                       payload};
    if (retained) {
        arguments.push_back("-r");
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t child = -1;
    if (posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool MqttBroker::MakeCertificates() const {
    const std::string in = "cd '" + folder_.string() + "' && ";
    return Run(in +
               "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=test-ca "
               "-keyout ca.key -out ca.pem") &&
           Run(in +
               "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=stranger-ca "
               "-keyout stranger-ca.key -out stranger-ca.pem") &&
           Run(in +
               "openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout server.key "
               "-out server.csr") &&
           Run(in +
               "printf 'subjectAltName=DNS:localhost\\n' > server.ext && openssl x509 -req "
               "-in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 "
               "-extfile server.ext -out server.pem");
}

void MqttBroker::WriteConfiguration() const {
    std::ofstream config(folder_ / "mosquitto.conf");
    config << "user " << UserName() << "\n"
           << "log_dest file " << (folder_ / "broker.log").string() << "\n"
           << "listener " << port_ << " 127.0.0.1\n";
    if (setup_.password) {
        config << "allow_anonymous false\n"
               << "password_file " << (folder_ / "passwords").string() << "\n";
    } else {
        config << "allow_anonymous true\n";
    }
    if (setup_.tls) {
        config << "cafile " << CaFile().string() << "\n"
               << "certfile " << (folder_ / "server.pem").string() << "\n"
               << "keyfile " << (folder_ / "server.key").string() << "\n";
    }
    if (setup_.persistent) {
        config << "persistence true\n"
               << "persistence_location " << folder_.string() << "/\n";
    }
}

bool MqttBroker::Start() {
    if (pid_ < 0 && !fs::exists(folder_ / "mosquitto.conf")) {
        if (setup_.tls && !MakeCertificates()) {
            return false;
        }
        if (setup_.password && !Run("mosquitto_passwd -b -c '" + (folder_ / "passwords").string() +
                                    "' gateway '" + *setup_.password + "'")) {
            return false;
        }
        WriteConfiguration();
    }
    const std::string config = (folder_ / "mosquitto.conf").string();
    pid_ = fork();
    if (pid_ == 0) {
        const int quiet = open("/dev/null", O_WRONLY);  // its warnings are in its log
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execlp(TAVR_MOSQUITTO_PATH, "mosquitto", "-c", config.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = Clock::now() + kPatience;
    while (Clock::now() < deadline) {
        if (Accepts(port_)) {
            return true;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
    return false;
}

void MqttBroker::Stop() {
    if (pid_ <= 0) {
        return;
    }
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

MqttSubscriber::MqttSubscriber(int port, std::optional<std::string> password,
                               std::optional<fs::path> caFile) {
    mosquitto_lib_init();
    client_ = mosquitto_new("test-subscriber", false, this);
    if (password) {
        mosquitto_username_pw_set(client_, "gateway", password->c_str());
    }
    if (caFile) {
        mosquitto_tls_set(client_, caFile->c_str(), nullptr, nullptr, nullptr, nullptr);
    }
    mosquitto_reconnect_delay_set(client_, 1, 1, false);
    mosquitto_connect_callback_set(client_, &MqttSubscriber::OnConnect);
    mosquitto_subscribe_callback_set(client_, &MqttSubscriber::OnSubscribe);
    mosquitto_message_callback_set(client_, &MqttSubscriber::OnMessage);
    mosquitto_connect(client_, "localhost", port, 30);
    mosquitto_loop_start(client_);
}

MqttSubscriber::~MqttSubscriber() {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, false);
    mosquitto_destroy(client_);
}

bool MqttSubscriber::Subscribed(std::chrono::milliseconds patience) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, patience, [this] { return subscribed_; });
}

bool MqttSubscriber::WaitFor(const std::string& topic, std::size_t count,
                             std::chrono::milliseconds patience) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, patience, [&] {
        std::size_t seen = 0;
        for (const Received& message : received_) {
            seen += message.topic == topic;
        }
        return seen >= count;
    });
}

std::vector<MqttSubscriber::Received> MqttSubscriber::Messages() const {
    const std::lock_guard lock(mutex_);
    return received_;
}

std::vector<MqttSubscriber::Received> MqttSubscriber::On(const std::string& topic) const {
    std::vector<Received> found;
    for (Received& message : Messages()) {
        if (message.topic == topic) {
            found.push_back(std::move(message));
        }
    }
    return found;
}

bool MqttSubscriber::Publish(const std::string& topic, const std::string& payload) {
    return mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                             payload.data(), 1, false) == MOSQ_ERR_SUCCESS;
}

void MqttSubscriber::OnConnect(mosquitto* client, void*, int code) {
    if (code == 0) {
        mosquitto_subscribe(client, nullptr, "#", 1);
    }
}

void MqttSubscriber::OnSubscribe(mosquitto*, void* self, int, int, const int*) {
    auto& subscriber = *static_cast<MqttSubscriber*>(self);
    const std::lock_guard lock(subscriber.mutex_);
    subscriber.subscribed_ = true;
    subscriber.changed_.notify_all();
}

void MqttSubscriber::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
    auto& subscriber = *static_cast<MqttSubscriber*>(self);
    const std::lock_guard lock(subscriber.mutex_);
    subscriber.received_.push_back({message->topic,
                                    std::string(static_cast<const char*>(message->payload),
                                                static_cast<std::size_t>(message->payloadlen)),
                                    message->retain});
    subscriber.changed_.notify_all();
}

}  // namespace tavr
