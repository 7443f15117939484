#include "companion/publish/password_source.h"

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tavr {

namespace {

constexpr std::size_t kLongestPasswordFile = 64 * 1024;

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

std::string ModeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Why the file is not this user's private file; empty when it is.
std::string NotPrivate(const std::string& path, const struct stat& status) {
    const auto user = static_cast<uid_t>(setfsuid(static_cast<uid_t>(-1)));
    if (!S_ISREG(status.st_mode)) {
        return path + " is not a regular file";
    }
    if (status.st_uid != user) {
        return path + " belongs to user " + std::to_string(status.st_uid) + ", not to user " +
               std::to_string(user);
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return path + " may be read or written by others (mode " + ModeText(status.st_mode) +
               "); chmod 600 " + path;
    }
    return "";
}

}  // namespace

std::optional<std::string> ReadPasswordFile(const std::string& path, std::string& error) {
    const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0) {
        error = "cannot read the password file " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat status {};
    if (fstat(file.Get(), &status) != 0) {
        error = "cannot read the password file " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    error = NotPrivate(path, status);
    if (!error.empty()) {
        error = "password file not used: " + error;
        return std::nullopt;
    }
    std::string contents;
    char buffer[4096];
    while (contents.size() <= kLongestPasswordFile) {
        const ssize_t count = read(file.Get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            error = "cannot read the password file " + path + ": " + std::strerror(errno);
            return std::nullopt;
        }
        if (count == 0) {
            break;
        }
        contents.append(buffer, static_cast<std::size_t>(count));
    }
    const std::size_t end = contents.find_first_of("\r\n");
    contents.resize(std::min(end, contents.size()));
    if (contents.empty() || contents.size() > kLongestPasswordFile) {
        error = "the password file " + path + " holds no password on its first line";
        return std::nullopt;
    }
    return contents;
}

std::optional<std::string> PasswordFromEnvironment() {
    const char* value = std::getenv(kPasswordVariable);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

}  // namespace tavr
