#include "ui/connection_settings.h"

#include "runtime/registry.h"
#include "runtime/to_number.h"
#include "runtime/to_text.h"

namespace tavr {

namespace {

constexpr std::int32_t CurrentUser = 3;

}  // namespace

void SaveSelection(std::string_view path, const ComboBox& selector) {
    WriteRegistry(CurrentUser, path, ToText(selector.CurrentSelection()));
}

void RestoreSelection(std::string_view path, ComboBox& selector) {
    selector.SetCurrentSelection(ToInteger(ReadRegistryText(CurrentUser, path)));
}

}  // namespace tavr
