#pragma once

#include <filesystem>
#include <optional>

namespace tavr {

// The folder of the program's per-user files: "TAVR_12864" in $XDG_CONFIG_HOME, or in
// ~/.config when that variable is unset, empty or not an absolute path. Nothing when no home
// folder is known either.
std::optional<std::filesystem::path> ProgramConfigFolder();

// Makes sure `folder` is a directory, creating it and any missing folders above it with mode
// 0700 (folders that exist keep their mode). True when the folder exists afterwards.
bool CreatePrivateFolders(const std::filesystem::path& folder);

}  // namespace tavr
