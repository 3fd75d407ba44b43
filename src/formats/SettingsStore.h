#pragma once

#include "formats/XmlTree.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarn {

struct SettingsRectangle {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const SettingsRectangle&) const = default;
};

struct SettingsFont {
    std::string name;
    int size = 0;
    int weight = 400; // "Normal" 400, "Bold" 700
    std::uint32_t color = 0;
};

struct SettingsImage {
    std::string filename;
    int transparencyType = 0; // "No" 0, "Alpha" 1, "Color" 2
    std::uint32_t transparencyColor = 0;
};

// The studio's user-interface settings: one XML tree whose keys are dotted
// paths below the root "configuration" (`windows.mv.pos` is the element
// configuration/windows/mv/pos). Setting never creates an element, so the
// shipped file holds every key the studio writes.
//
// Getters answer 1 and fill out, or 0 leaving out as the caller set it:
// callers initialise out with their default first. A font or image getter
// answers 1 when the key's element exists and fills each member whose
// sub-key is there. Setters answer 0 when the key's element is missing.
//
// GUI thread only (start-up loads it, windows read and write it, shut-down
// saves it); not thread-safe.
class SettingsStore {
public:
    static constexpr const char* kFileName = "Config/GUI.config.xml";
    static constexpr const char* kRootName = "configuration";

    // Reads the file (relative paths from the application directory). A
    // file that cannot be read or does not parse leaves the store as it was
    // and answers 0 after one "error: " line.
    int Load(const std::filesystem::path& path);
    // Replaces the file atomically. Refused (0, one "error: " line) while
    // the last load failed, so that a store missing the file's keys never
    // overwrites them.
    int Save(const std::filesystem::path& path) const;

    int GetInteger(std::string_view key, int& out) const;
    int GetRectangle(std::string_view key, SettingsRectangle& out) const;
    int GetString(std::string_view key, std::string& out) const;
    int GetColour(std::string_view key, std::uint32_t& out) const;
    int GetFont(std::string_view key, SettingsFont& out) const;
    int GetImage(std::string_view key, SettingsImage& out) const;

    int SetInteger(std::string_view key, int value);
    int SetRectangle(std::string_view key, const SettingsRectangle& value);
    int SetString(std::string_view key, std::string value);

    const XmlTree& Tree() const { return tree_; }

private:
    std::string Path(std::string_view key) const;

    XmlTree tree_;
    bool loadFailed_ = false;
};

// The integer of a setting's text: optional blanks and sign, then the
// leading decimal digits; 0 when there are none. Values beyond the int
// range are cut to it.
int SettingsInteger(std::string_view text);

// A colour's text, "#RRGGBB" with blanks around it, as 0x00RRGGBB in out;
// false, out unchanged, for a text without the "#".
bool ParseColour(std::string_view text, std::uint32_t& out);

} // namespace tarn
