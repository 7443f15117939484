// Takes any input as the text of the settings file. The parser must give a document or nothing,
// and a document it gives must come back unchanged from being written out and read again. One
// input in eight also goes through the file itself: reading a value finds what the parser
// found, a write to a readable file keeps every other value, and a write to an unreadable file
// leaves it as it was.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "private_config_home.h"
#include "settings/posix/registry_document.h"
#include "settings/posix/registry_root_file.h"
#include "settings/posix/registry_text_format.h"
#include "settings/registry.h"
#include "settings/registry_data.h"
#include "settings/registry_path.h"

namespace tavr {
namespace {

constexpr RegistryRoot kCurrentUser = RegistryRoot::CurrentUser;
constexpr std::string_view kWrittenPath = "Software\\TAVR_12864\\Modbus_id";
constexpr std::string_view kReadPaths[] = {
    "Software\\TAVR_12864\\Modbus_id",
    "Software\\TAVR_12864\\Modbus_btl",
    "software\\tavr_12864\\MODBUS_COM",
    "Software\\TAVR_12864\\",
    "Modbus_id",
};
constexpr std::string_view kFallback = "缺省";

// Every input's own hash picks the inputs that also go through the file, so a replay does
// the same as the run that found it.
bool GoesThroughFile(std::string_view text) {
    std::uint32_t hash = 2166136261U;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619U;
    }
    return hash % 8 == 0;
}

void CheckRoundTrip(const RegistryDocument& document) {
    const Text written = FormatRegistryText(document);
    const std::optional<RegistryDocument> reread = ParseRegistryText(written);
    Require(reread.has_value(), "a written document can be read");
    Require(*reread == document, "a written document reads back unchanged");
    for (const RegistryKey& key : document.Keys()) {
        for (const RegistryValue& value : key.Values()) {
            DecodeRegistryText(value.data);
        }
    }
}

Text ExpectedText(const std::optional<RegistryDocument>& document, std::string_view path) {
    if (!document) {
        return Text(kFallback);
    }
    const RegistryPath split = SplitRegistryPath(path);
    const RegistryValue* value = document->FindValue(
        RegistryKeyName(RegistryRootFileOf(kCurrentUser), split.keyPath), split.valueName);
    if (value == nullptr) {
        return Text(kFallback);
    }
    return DecodeRegistryText(value->data).value_or(Text(kFallback));
}

Text FileText(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

void PutFile(const std::filesystem::path& file, std::string_view text) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    Require(static_cast<bool>(stream.flush()), "the settings file can be put in place");
}

// Every value of `before` is still there with its data, but for the one just written.
void CheckOthersKept(const RegistryDocument& before, const RegistryDocument& after) {
    const RegistryPath written = SplitRegistryPath(kWrittenPath);
    const Text writtenKey = RegistryKeyName(RegistryRootFileOf(kCurrentUser), written.keyPath);
    for (const RegistryKey& key : before.Keys()) {
        for (const RegistryValue& value : key.Values()) {
            if (SameRegistryName(key.Name(), writtenKey) &&
                SameRegistryName(value.name, written.valueName)) {
                continue;
            }
            const RegistryValue* kept = after.FindValue(key.Name(), value.name);
            Require(kept != nullptr && kept->data == value.data,
                    "a write keeps every other value of the file");
        }
    }
}

void CheckThroughFile(std::string_view text, const std::optional<RegistryDocument>& document) {
    static const PrivateConfigHome home;
    const std::filesystem::path folder = home.ProgramFolder();
    const std::filesystem::path file = folder / "user.reg";
    std::filesystem::create_directories(folder);
    PutFile(file, text);

    for (const std::string_view path : kReadPaths) {
        Require(
            ReadRegistryText(kCurrentUser, path, Text(kFallback)) == ExpectedText(document, path),
            "the file reads as the parser reads its text");
    }

    const bool written = WriteRegistry(kCurrentUser, kWrittenPath, Text("fuzz"));
    Require(written == document.has_value(), "a write succeeds exactly on a readable file");
    if (!written) {
        Require(FileText(file) == text, "a failed write leaves the file as it was");
        return;
    }
    const std::optional<RegistryDocument> after = ParseRegistryText(FileText(file));
    Require(after.has_value(), "a written file can be read");
    CheckOthersKept(*document, *after);
    Require(ReadRegistryText(kCurrentUser, kWrittenPath) == "fuzz", "the written value reads back");
}

}  // namespace
}  // namespace tavr

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<tavr::RegistryDocument> document = tavr::ParseRegistryText(text);
    if (document) {
        tavr::CheckRoundTrip(*document);
    }
    if (tavr::GoesThroughFile(text)) {
        tavr::CheckThroughFile(text, document);
    }
    return 0;
}
