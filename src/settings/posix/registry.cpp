#include "settings/registry.h"

#include "settings/posix/atomic_file_replace.h"
#include "settings/posix/config_folder.h"
#include "settings/posix/folder_lock.h"
#include "settings/posix/private_ownership.h"
#include "settings/posix/registry_file.h"
#include "settings/posix/registry_root_file.h"
#include "settings/posix/registry_text_format.h"
#include "settings/registry_data.h"
#include "settings/registry_path.h"

namespace tavr {

namespace {

// Writes happen on the window thread, which must not freeze while another program holds the
// settings lock; a write that cannot have the lock by then fails and the stored value stays.
constexpr std::chrono::milliseconds kLongestLockWait{200};

}  // namespace

Text ReadRegistryText(RegistryRoot root, std::string_view path, std::optional<Text> defaultText) {
    Text fallback = std::move(defaultText).value_or(Text{});
    const std::optional<std::filesystem::path> folder = ProgramConfigFolder();
    if (!folder || !IsPrivateFolder(*folder)) {
        return fallback;
    }
    const RegistryRootFile rootFile = RegistryRootFileOf(root);
    const LoadedRegistryFile loaded = LoadRegistryFile(*folder / rootFile.fileName);
    const RegistryPath split = SplitRegistryPath(path);
    const RegistryValue* value =
        loaded.document->FindValue(RegistryKeyName(rootFile, split.keyPath), split.valueName);
    if (value == nullptr) {
        return fallback;
    }
    return DecodeRegistryText(value->data).value_or(std::move(fallback));
}

bool WriteRegistry(RegistryRoot root, std::string_view path, const Value& value) {
    const RegistryPath split = SplitRegistryPath(path);
    std::optional<RegistryData> data = EncodeRegistryData(value);
    if (!data || !IsStorableKeyPath(split.keyPath) || !IsStorableValueName(split.valueName)) {
        return false;
    }
    const std::optional<std::filesystem::path> folder = ProgramConfigFolder();
    if (!folder || !CreatePrivateFolders(*folder) || !IsPrivateFolder(*folder)) {
        return false;
    }
    const FolderLock lock(*folder, kLongestLockWait);
    if (!lock.Held()) {
        return false;
    }
    const RegistryRootFile rootFile = RegistryRootFileOf(root);
    const std::filesystem::path file = *folder / rootFile.fileName;
    const LoadedRegistryFile loaded = LoadRegistryFile(file);
    if (loaded.state == RegistryFileState::Unusable) {
        return false;
    }
    RegistryDocument document = *loaded.document;
    document.OpenOrCreateKey(RegistryKeyName(rootFile, split.keyPath))
        .SetValue(split.valueName, std::move(*data));
    const Text text = FormatRegistryText(document);
    // A file beyond the size that is read would lose every setting in it at the next read.
    if (text.size() > kMaximumRegistryFileSize) {
        return false;
    }
    // The folder lock keeps every other writer out, so any temporary file there is a dead one's.
    RemoveLeftoverTemporaryFiles(file);
    return ReplaceFileAtomically(file, text);
}

}  // namespace tavr
