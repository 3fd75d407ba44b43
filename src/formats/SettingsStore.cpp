#include "formats/SettingsStore.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace tarn {
namespace {

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

int HexDigit(char c) {
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

int FontWeight(std::string_view text) {
    if (text == "Normal") {
        return 400;
    }
    if (text == "Bold") {
        return 700;
    }
    return SettingsInteger(text);
}

int TransparencyType(std::string_view text) {
    constexpr std::array<std::string_view, 3> kNames = {"No", "Alpha", "Color"};
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (text == kNames[i]) {
            return static_cast<int>(i);
        }
    }
    return SettingsInteger(text);
}

} // namespace

// Digits stop at the first that is not hexadecimal; too many saturate, as
// the C library's conversion does.
bool ParseColour(std::string_view text, std::uint32_t& out) {
    text = Trimmed(text);
    if (text.empty() || text.front() != '#') {
        return false;
    }
    std::uint64_t value = 0;
    for (const char c : text.substr(1)) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            break;
        }
        value = std::min<std::uint64_t>(value * 16 + static_cast<std::uint64_t>(digit),
                                        std::numeric_limits<std::uint32_t>::max());
    }
    out = static_cast<std::uint32_t>(value);
    return true;
}

int SettingsInteger(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return 0;
    }
    text.remove_prefix(first);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = std::min<std::int64_t>(value * 10 + (c - '0'),
                                       std::int64_t{std::numeric_limits<int>::max()} + 1);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

int SettingsStore::Load(const std::filesystem::path& path) {
    loadFailed_ = tree_.LoadComplete(path) == 0;
    return loadFailed_ ? 0 : 1;
}

int SettingsStore::Save(const std::filesystem::path& path) const {
    if (loadFailed_) {
        ErrorOut() << "error: the settings were not loaded; " << ResolvePath(path).string()
                   << " is left as it is" << eol;
        return 0;
    }
    return tree_.Save(path);
}

std::string SettingsStore::Path(std::string_view key) const {
    std::string path = kRootName;
    path += '.';
    path += key;
    return path;
}

int SettingsStore::GetString(std::string_view key, std::string& out) const {
    return tree_.GetValue(Path(key), out);
}

int SettingsStore::GetInteger(std::string_view key, int& out) const {
    std::string text;
    if (GetString(key, text) == 0) {
        return 0;
    }
    out = SettingsInteger(text);
    return 1;
}

int SettingsStore::GetRectangle(std::string_view key, SettingsRectangle& out) const {
    std::string text;
    if (GetString(key, text) == 0) {
        return 0;
    }
    std::array<int, 4> numbers{};
    std::string_view rest = text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::size_t comma = i + 1 < numbers.size() ? rest.find(',') : rest.size();
        // Fewer than four numbers is no rectangle: the caller's stays.
        if (comma == std::string_view::npos) {
            return 0;
        }
        numbers[i] = SettingsInteger(rest.substr(0, comma));
        rest.remove_prefix(std::min(comma + 1, rest.size()));
    }
    out = {numbers[0], numbers[1], numbers[2], numbers[3]};
    return 1;
}

int SettingsStore::GetColour(std::string_view key, std::uint32_t& out) const {
    std::string text;
    if (GetString(key, text) == 0) {
        return 0;
    }
    ParseColour(text, out);
    return 1;
}

int SettingsStore::GetFont(std::string_view key, SettingsFont& out) const {
    const XmlNode* font = tree_.FindByPath(Path(key));
    if (font == nullptr) {
        return 0;
    }
    if (const XmlNode* name = font->ChildByName("name")) {
        out.name = name->Value();
    }
    if (const XmlNode* size = font->ChildByName("size")) {
        out.size = SettingsInteger(size->Value());
    }
    if (const XmlNode* weight = font->ChildByName("weight")) {
        out.weight = FontWeight(weight->Value());
    }
    if (const XmlNode* color = font->ChildByName("color")) {
        ParseColour(color->Value(), out.color);
    }
    return 1;
}

int SettingsStore::GetImage(std::string_view key, SettingsImage& out) const {
    const XmlNode* image = tree_.FindByPath(Path(key));
    if (image == nullptr) {
        return 0;
    }
    if (const XmlNode* filename = image->ChildByName("filename")) {
        out.filename = filename->Value();
    }
    if (const XmlNode* transparency = image->ChildByName("transparency")) {
        if (const XmlNode* type = transparency->ChildByName("type")) {
            out.transparencyType = TransparencyType(type->Value());
        }
        if (const XmlNode* color = transparency->ChildByName("color")) {
            ParseColour(color->Value(), out.transparencyColor);
        }
    }
    return 1;
}

int SettingsStore::SetString(std::string_view key, std::string value) {
    return tree_.SetValue(Path(key), std::move(value));
}

int SettingsStore::SetInteger(std::string_view key, int value) {
    return SetString(key, std::to_string(value));
}

int SettingsStore::SetRectangle(std::string_view key, const SettingsRectangle& value) {
    return SetString(key, std::to_string(value.left) + "," + std::to_string(value.top) + "," +
                              std::to_string(value.right) + "," + std::to_string(value.bottom));
}

} // namespace tarn
