#pragma once

#include <filesystem>
#include <string_view>

namespace tavr {

// Replaces `file` with `contents` so that the file is never seen half-written: the contents go
// to a new temporary file of mode 0600 in the same folder, are flushed to the disk, and the
// temporary file is renamed over `file`; the folder is flushed after that. On any failure the
// temporary file is removed, `file` is left as it was, and the result is false.
bool ReplaceFileAtomically(const std::filesystem::path& file, std::string_view contents);

// Removes the temporary files that ReplaceFileAtomically left beside `file` in a process that
// ended between creating one and renaming it (killed, or the machine went down). Each such end
// leaves one; without this they would pile up. Call it only while holding a lock that every
// writer of `file` holds around ReplaceFileAtomically, so that no temporary file is in use.
void RemoveLeftoverTemporaryFiles(const std::filesystem::path& file);

}  // namespace tavr
