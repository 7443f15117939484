#include "settings/posix/registry_text_format.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "settings/posix/utf16le_text.h"

namespace tavr {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kUnicodeHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeByteOrderMark = "\xFF\xFE";
constexpr std::string_view kBlanks = " \t";
constexpr std::size_t kDwordDigits = 8;

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A number of 1 to `maximumDigits` hex digits and nothing else.
std::optional<std::uint32_t> ParseHexNumber(std::string_view digits, std::size_t maximumDigits) {
    if (digits.empty() || digits.size() > maximumDigits) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    for (char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        number = number * 16 + static_cast<std::uint32_t>(digit);
    }
    return number;
}

std::optional<ByteSet> ParseByteList(std::string_view list) {
    ByteSet bytes;
    list = TrimBlanks(list);
    while (!list.empty()) {
        const std::size_t comma = std::min(list.find(','), list.size());
        const std::optional<std::uint32_t> byte =
            ParseHexNumber(TrimBlanks(list.substr(0, comma)), 2);
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(*byte));
        // A comma must be followed by another byte.
        if (comma + 1 == list.size()) {
            return std::nullopt;
        }
        list.remove_prefix(std::min(comma + 1, list.size()));
    }
    return bytes;
}

// A quoted text at the start of `rest`, with \\ and \" unescaped; `rest` moves past it.
std::optional<Text> ParseQuoted(std::string_view& rest) {
    if (!rest.starts_with('"')) {
        return std::nullopt;
    }
    Text text;
    for (std::size_t position = 1; position < rest.size(); ++position) {
        const char c = rest[position];
        if (c == '"') {
            rest.remove_prefix(position + 1);
            return text;
        }
        if (c == '\\') {
            ++position;
            if (position == rest.size() || (rest[position] != '\\' && rest[position] != '"')) {
                return std::nullopt;
            }
        }
        text += rest[position];
    }
    return std::nullopt;
}

class RegistryTextParser {
  public:
    explicit RegistryTextParser(std::string_view text) : lines_(SplitLines(text)) {}

    std::optional<RegistryDocument> Parse() {
        SkipBlankLines();
        if (next_ == lines_.size()) {
            return RegistryDocument{};
        }
        const std::string_view header = TrimBlanks(lines_[next_++]);
        if (header != kHeader && header != kUnicodeHeader) {
            return std::nullopt;
        }
        unicode_ = header == kUnicodeHeader;
        while (next_ < lines_.size()) {
            const std::string_view line = TrimBlanks(lines_[next_++]);
            if (!line.empty() && !line.starts_with(';') && !ParseLine(line)) {
                return std::nullopt;
            }
        }
        return std::move(document_);
    }

  private:
    void SkipBlankLines() {
        while (next_ < lines_.size() && TrimBlanks(lines_[next_]).empty()) {
            ++next_;
        }
    }

    bool ParseLine(std::string_view line) {
        if (line.starts_with('[')) {
            return ParseSection(line);
        }
        return currentKey_ != nullptr && ParseValue(line);
    }

    // A section that deletes a key ("[-name]") has no place in a stored file.
    bool ParseSection(std::string_view line) {
        if (!line.ends_with(']') || line.size() < 3 || line[1] == '-') {
            return false;
        }
        currentKey_ = &document_.OpenOrCreateKey(line.substr(1, line.size() - 2));
        return true;
    }

    bool ParseValue(std::string_view line) {
        std::optional<Text> name;
        if (line.starts_with('@')) {
            name = Text{};
            line.remove_prefix(1);
        } else {
            name = ParseQuoted(line);
        }
        line = TrimBlanks(line);
        if (!name || !line.starts_with('=')) {
            return false;
        }
        std::optional<RegistryData> data = ParseData(TrimBlanks(line.substr(1)));
        if (!data) {
            return false;
        }
        currentKey_->SetValue(*name, std::move(*data));
        return true;
    }

    std::optional<RegistryData> ParseData(std::string_view data) {
        if (data.starts_with('"')) {
            std::optional<Text> text = ParseQuoted(data);
            if (!text || !TrimBlanks(data).empty()) {
                return std::nullopt;
            }
            RegistryData string{kRegistryStringType, ByteSet(text->begin(), text->end())};
            string.bytes.push_back(0);
            return string;
        }
        if (data.starts_with("dword:")) {
            const std::optional<std::uint32_t> number =
                ParseHexNumber(data.substr(6), kDwordDigits);
            if (!number) {
                return std::nullopt;
            }
            return RegistryData{
                kRegistryDwordType,
                {static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
                 static_cast<std::uint8_t>(*number >> 16),
                 static_cast<std::uint8_t>(*number >> 24)}};
        }
        if (data.starts_with("hex:")) {
            return ParseBytes(kRegistryBinaryType, data.substr(4));
        }
        if (data.starts_with("hex(")) {
            const std::size_t close = data.find("):");
            const std::optional<std::uint32_t> type =
                close == std::string_view::npos ? std::nullopt
                                                : ParseHexNumber(data.substr(4, close - 4), 8);
            if (!type) {
                return std::nullopt;
            }
            return ParseBytes(*type, data.substr(close + 2));
        }
        return std::nullopt;
    }

    // The byte list goes on over the following lines while a line ends in a backslash.
    std::optional<RegistryData> ParseBytes(std::uint32_t type, std::string_view firstLine) {
        Text list(firstLine);
        while (list.ends_with('\\')) {
            list.pop_back();
            if (next_ == lines_.size()) {
                return std::nullopt;
            }
            list += TrimBlanks(lines_[next_++]);
        }
        std::optional<ByteSet> bytes = ParseByteList(list);
        if (!bytes) {
            return std::nullopt;
        }
        if (unicode_ && HoldsText(type)) {
            return RegistryData{type, NarrowedText(std::move(*bytes))};
        }
        return RegistryData{type, std::move(*bytes)};
    }

    static bool HoldsText(std::uint32_t type) {
        return type == kRegistryStringType || type == kRegistryExpandStringType ||
               type == kRegistryMultiStringType;
    }

    // The later export layout gives the bytes of texts as Windows keeps them, in UTF-16; this
    // program's texts are UTF-8, as the earlier layout has them. Bytes that are not UTF-16 text
    // are kept as they are, so that nothing is lost.
    static ByteSet NarrowedText(ByteSet bytes) {
        const std::optional<Text> text = Utf16LeToUtf8(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (!text) {
            return bytes;
        }
        return ByteSet(text->begin(), text->end());
    }

    std::vector<std::string_view> lines_;
    std::size_t next_ = 0;
    bool unicode_ = false;
    RegistryKey* currentKey_ = nullptr;  // valid until the next key is added
    RegistryDocument document_;
};

Text Quoted(std::string_view text) {
    Text quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

Text HexNumber(std::uint32_t number, int width) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%0*x", width, static_cast<unsigned>(number));
    return digits;
}

Text ByteList(const ByteSet& bytes) {
    Text list;
    for (std::uint8_t byte : bytes) {
        if (!list.empty()) {
            list += ',';
        }
        list += HexNumber(byte, 2);
    }
    return list;
}

// A string fits between quotes when its only zero byte is the terminating one and it holds no
// line break.
bool FitsBetweenQuotes(const ByteSet& bytes) {
    return !bytes.empty() && bytes.back() == 0 &&
           std::none_of(bytes.begin(), bytes.end() - 1, [](std::uint8_t byte) {
               return byte == 0 || byte == '\r' || byte == '\n';
           });
}

Text FormattedData(const RegistryData& data) {
    if (data.type == kRegistryStringType && FitsBetweenQuotes(data.bytes)) {
        return Quoted(std::string_view(reinterpret_cast<const char*>(data.bytes.data()),
                                       data.bytes.size() - 1));
    }
    if (data.type == kRegistryDwordType && data.bytes.size() == 4) {
        const std::uint32_t number = data.bytes[0] | data.bytes[1] << 8 | data.bytes[2] << 16 |
                                     static_cast<std::uint32_t>(data.bytes[3]) << 24;
        return "dword:" + HexNumber(number, kDwordDigits);
    }
    if (data.type == kRegistryBinaryType) {
        return "hex:" + ByteList(data.bytes);
    }
    return "hex(" + HexNumber(data.type, 1) + "):" + ByteList(data.bytes);
}

}  // namespace

std::optional<RegistryDocument> ParseRegistryText(std::string_view text) {
    std::optional<Text> narrowed;
    if (text.starts_with(kUtf16LeByteOrderMark)) {
        narrowed = Utf16LeToUtf8(text.substr(kUtf16LeByteOrderMark.size()));
        if (!narrowed) {
            return std::nullopt;
        }
        text = *narrowed;
    }
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    return RegistryTextParser(text).Parse();
}

Text FormatRegistryText(const RegistryDocument& document) {
    Text text(kHeader);
    text += '\n';
    for (const RegistryKey& key : document.Keys()) {
        text += "\n[";
        text += key.Name();
        text += "]\n";
        for (const RegistryValue& value : key.Values()) {
            text += value.name.empty() ? Text("@") : Quoted(value.name);
            text += '=';
            text += FormattedData(value.data);
            text += '\n';
        }
    }
    text += '\n';
    return text;
}

}  // namespace tavr
