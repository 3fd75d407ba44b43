#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QString>

#include <filesystem>
#include <stdexcept>

namespace tarn {

// A skin that cannot be used: its description is missing or malformed, or
// an image it names cannot be read. Start-up turns it into its failure
// exit; the loader has already written the "error: " line.
class SkinError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How the studio looks, read from "Skin.config.xml" in a skin folder: the
// palette, the colours of machine boxes by kind, the font and optional
// images (a background tile). GUI thread only.
struct Skin {
    static constexpr const char* kFolder = "Skins/Default";
    static constexpr const char* kFileName = "Skin.config.xml";

    // Palette.
    QColor window{0x1b, 0x1e, 0x24};
    QColor panel{0x25, 0x29, 0x31};
    QColor text{0xec, 0xef, 0xf4};
    QColor dimText{0x9a, 0xa3, 0xb2};
    QColor highlight{0xff, 0x9f, 0x1c};
    QColor gridLines{0x2e, 0x33, 0x3d};
    QColor beatLines{0x4a, 0x51, 0x60};
    QColor meter{0x3d, 0xdc, 0x84};
    QColor meterHot{0xff, 0x4d, 0x4d};
    // Machine boxes by kind.
    QColor generator{0x3d, 0x8b, 0xfd};
    QColor effect{0x2e, 0xc2, 0x7e};
    QColor master{0xe5, 0xa5, 0x0a};
    QColor plugIn{0xc0, 0x61, 0xcb};
    QFont font;
    QImage background; // null when the skin names none

    // Reads folder/kFileName; every colour, font or image the file leaves
    // out keeps the value above. Throws SkinError.
    static Skin Load(const std::filesystem::path& folder);

    QPalette Palette() const;
    // The style sheet of the skinned controls (buttons, menus, tool bars,
    // docks, the transport displays).
    QString StyleSheet() const;
};

} // namespace tarn
