#pragma once

#include <memory>
#include <string_view>

#include "settings/posix/registry_document.h"

namespace tavr {

// ParseRegistryText of `text`, or null where that gives nothing. The text parsed last is kept
// with its result, so reading the settings one value after another, as start-up does, parses a
// file that did not change only once; the caller still reads the file afresh at every access,
// so a change by anyone is always seen.
std::shared_ptr<const RegistryDocument> ParseRegistryTextOnce(std::string_view text);

}  // namespace tavr
