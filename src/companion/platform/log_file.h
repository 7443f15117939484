#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace tavr {

// The platform's calls on watch's log file, held by its descriptor.

// Opens `path` (UTF-8) for reading and appending, creating it when missing, so that its bytes
// are exactly those written (no line-end translation); -1 with errno set when it cannot.
int OpenLogFile(const std::string& path);

// stat() of `path` (UTF-8): 0, or -1 with errno set.
int StatPath(const std::string& path, struct stat& node);

// Up to `length` bytes at `offset`; fewer at the file's end or on an error.
std::string ReadLogAt(int fd, std::int64_t offset, std::int64_t length);

// The platform's read of up to `size` bytes at `offset` into `into`: how many it read, 0 at the
// file's end, -1 on an error.
std::int64_t ReadLogChunk(int fd, std::int64_t offset, char* into, std::size_t size);

// What a node that is not a regular file is, for a refusal: "a folder", "a pipe (FIFO)"...
std::string NodeKind(const struct stat& node);

}  // namespace tavr
