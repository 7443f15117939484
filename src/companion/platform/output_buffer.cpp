#include "companion/platform/output_buffer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "companion/platform/writable_wait.h"

namespace tavr {

OutputBuffer::OutputBuffer(int fd, int presetError, InterruptHandle interrupt)
    : fd_(fd), interrupt_(interrupt), error_(presetError) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

bool OutputBuffer::Close() {
    WriteBuffered();
    if (fd_ >= 0 && ::close(fd_) != 0 && error_ == 0 && errno != EINTR) {
        error_ = errno;
    }
    fd_ = -1;
    return error_ == 0;
}

std::string OutputBuffer::Reason() const {
    return error_ == 0 ? "" : std::strerror(error_);
}

OutputBuffer::int_type OutputBuffer::overflow(int_type c) {
    if (!WriteBuffered()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int OutputBuffer::sync() {
    return WriteBuffered() ? 0 : -1;
}

bool OutputBuffer::WriteBuffered() {
    const char* next = pbase();
    const char* const end = pptr();
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    if (error_ != 0) {
        return false;  // what follows a lost piece would be read as if it joined on
    }
    while (next < end) {
        if (!WaitUntilWritable(fd_, interrupt_)) {
            error_ = EINTR;
            return false;
        }
        const ssize_t written = ::write(fd_, next, static_cast<std::size_t>(end - next));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            error_ = written < 0 ? errno : EIO;
            return false;
        }
        next += written;
    }
    return true;
}

}  // namespace tavr
