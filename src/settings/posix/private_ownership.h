#pragma once

#include <sys/stat.h>

#include <filesystem>

namespace tavr {

// True when the settings folder or file at `path`, whose status is `status`, belongs to the
// user this thread accesses files as, and neither its group nor others may write to it.
// Otherwise says on standard error, in one line, that the settings at `path` are not used and
// why, and gives false: another user could have put settings there, or could change them.
bool IsPrivatelyOwned(const std::filesystem::path& path, const struct stat& status);

// IsPrivatelyOwned for the folder `folder`; false, without a word, when there is no such folder.
bool IsPrivateFolder(const std::filesystem::path& folder);

}  // namespace tavr
