#include "runtime/registry.h"

#include "runtime/atomic_file_replace.h"
#include "runtime/config_folder.h"
#include "runtime/folder_lock.h"
#include "runtime/private_ownership.h"
#include "runtime/registry_data.h"
#include "runtime/registry_file.h"
#include "runtime/registry_path.h"
#include "runtime/registry_root.h"
#include "runtime/registry_text_format.h"

namespace tavr {

namespace {

// Writes happen on the window thread, which must not freeze while another program holds the
// settings lock; a write that cannot have the lock by then fails and the stored value stays.
constexpr std::chrono::milliseconds LongestLockWait{200};

}  // namespace

Text ReadRegistryText(std::int32_t rootCode, std::string_view path,
                      std::optional<Text> defaultText) {
    Text fallback = std::move(defaultText).value_or(Text{});
    const std::optional<std::filesystem::path> folder = ProgramConfigFolder();
    if (!folder || !IsPrivateFolder(*folder)) {
        return fallback;
    }
    const RegistryRoot root = RegistryRootForCode(rootCode);
    const LoadedRegistryFile loaded = LoadRegistryFile(*folder / root.fileName);
    const RegistryPath split = SplitRegistryPath(path);
    const RegistryValue* value =
        loaded.document->FindValue(RegistryKeyName(root, split.keyPath), split.valueName);
    if (value == nullptr) {
        return fallback;
    }
    return DecodeRegistryText(value->data).value_or(std::move(fallback));
}

bool WriteRegistry(std::int32_t rootCode, std::string_view path, const Value& value) {
    const RegistryPath split = SplitRegistryPath(path);
    std::optional<RegistryData> data = EncodeRegistryData(value);
    if (!data || !IsStorableKeyPath(split.keyPath) || !IsStorableValueName(split.valueName)) {
        return false;
    }
    const std::optional<std::filesystem::path> folder = ProgramConfigFolder();
    if (!folder || !CreatePrivateFolders(*folder) || !IsPrivateFolder(*folder)) {
        return false;
    }
    const FolderLock lock(*folder, LongestLockWait);
    if (!lock.Held()) {
        return false;
    }
    const RegistryRoot root = RegistryRootForCode(rootCode);
    const std::filesystem::path file = *folder / root.fileName;
    const LoadedRegistryFile loaded = LoadRegistryFile(file);
    if (loaded.state == RegistryFileState::Unusable) {
        return false;
    }
    RegistryDocument document = *loaded.document;
    document.OpenOrCreateKey(RegistryKeyName(root, split.keyPath))
        .SetValue(split.valueName, std::move(*data));
    const Text text = FormatRegistryText(document);
    // A file beyond the size that is read would lose every setting in it at the next read.
    if (text.size() > MaximumRegistryFileSize) {
        return false;
    }
    // The folder lock keeps every other writer out, so any temporary file there is a dead one's.
    RemoveLeftoverTemporaryFiles(file);
    return ReplaceFileAtomically(file, text);
}

}  // namespace tavr
