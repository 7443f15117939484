#include "settings/posix/registry_parse_memo.h"

#include <mutex>

#include "runtime/types.h"
#include "settings/posix/registry_text_format.h"

namespace tavr {

namespace {

struct LastParse {
    std::mutex mutex;
    bool done = false;
    Text text;
    std::shared_ptr<const RegistryDocument> document;
};

}  // namespace

std::shared_ptr<const RegistryDocument> ParseRegistryTextOnce(std::string_view text) {
    static LastParse last;
    const std::lock_guard lock(last.mutex);
    if (last.done && last.text == text) {
        return last.document;
    }
    std::optional<RegistryDocument> parsed = ParseRegistryText(text);
    last.document = parsed ? std::make_shared<const RegistryDocument>(std::move(*parsed)) : nullptr;
    last.text = text;
    last.done = true;
    return last.document;
}

}  // namespace tavr
