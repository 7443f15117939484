#include "ui/connection_settings.h"

#include "runtime/to_number.h"
#include "runtime/to_text.h"
#include "settings/registry.h"

namespace tavr {

namespace {

constexpr RegistryRoot kCurrentUser = RegistryRoot::CurrentUser;

}  // namespace

void SaveSelection(std::string_view path, const ComboBox& selector) {
    WriteRegistry(kCurrentUser, path, ToText(selector.CurrentSelection()));
}

void RestoreSelection(std::string_view path, ComboBox& selector) {
    selector.SetCurrentSelection(ToInteger(ReadRegistryText(kCurrentUser, path)));
}

}  // namespace tavr
