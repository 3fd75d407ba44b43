#include "gui/Skin.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "formats/SettingsStore.h"
#include "formats/XmlTree.h"

#include <QBrush>
#include <QPixmap>

#include <array>
#include <string>
#include <utility>

namespace tarn {
namespace {

constexpr const char* kRoot = "skin";

[[noreturn]] void Fail(const std::string& reason) {
    ErrorOut() << "error: " << reason << eol;
    throw SkinError(reason);
}

void ReadColour(const XmlTree& tree, const std::string& key, QColor& colour) {
    std::string text;
    std::uint32_t value = 0;
    if (tree.GetValue(std::string(kRoot) + "." + key, text) != 0 && ParseColour(text, value)) {
        colour = QColor::fromRgb(value);
    }
}

} // namespace

Skin Skin::Load(const std::filesystem::path& folder) {
    const std::filesystem::path file = ResolvePath(folder) / kFileName;
    XmlTree tree;
    if (tree.LoadComplete(file) == 0) {
        Fail("failed to load the skin " + file.string());
    }
    Skin skin;
    const std::array<std::pair<const char*, QColor*>, 13> colours{{
        {"palette.window", &skin.window},
        {"palette.panel", &skin.panel},
        {"palette.text", &skin.text},
        {"palette.dimtext", &skin.dimText},
        {"palette.highlight", &skin.highlight},
        {"palette.grid", &skin.gridLines},
        {"palette.beat", &skin.beatLines},
        {"palette.meter", &skin.meter},
        {"palette.meterhot", &skin.meterHot},
        {"machines.generator", &skin.generator},
        {"machines.effect", &skin.effect},
        {"machines.master", &skin.master},
        {"machines.plugin", &skin.plugIn},
    }};
    for (const auto& [key, colour] : colours) {
        ReadColour(tree, key, *colour);
    }
    std::string family;
    if (tree.GetValue("skin.font.family", family) != 0 && !family.empty()) {
        skin.font.setFamily(QString::fromStdString(family));
    }
    std::string size;
    if (tree.GetValue("skin.font.size", size) != 0 && SettingsInteger(size) > 0) {
        skin.font.setPointSize(SettingsInteger(size));
    }
    std::string background;
    if (tree.GetValue("skin.images.background", background) != 0 && !background.empty()) {
        const std::filesystem::path image = folder / background;
        if (!skin.background.load(QString::fromStdString(ResolvePath(image).string()))) {
            Fail("the skin's image " + ResolvePath(image).string() + " cannot be read");
        }
    }
    return skin;
}

QPalette Skin::Palette() const {
    QPalette palette;
    palette.setColor(QPalette::Window, window);
    if (!background.isNull()) {
        // Tiled behind the main view; windows that draw their own keep
        // their own background.
        palette.setBrush(QPalette::Window, QBrush(window, QPixmap::fromImage(background)));
    }
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, panel);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::PlaceholderText, dimText);
    palette.setColor(QPalette::Button, panel);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, highlight);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, window);
    palette.setColor(QPalette::ToolTipBase, panel);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Disabled, QPalette::Text, dimText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, dimText);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, dimText);
    return palette;
}

QString Skin::StyleSheet() const {
    // A background picture comes with the palette; a colour here would
    // paint over it.
    const QString mainWindow = background.isNull()
                                   ? QStringLiteral("QMainWindow { background: %1; color: %3; }")
                                   : QStringLiteral("QMainWindow { color: %3; }");
    return (mainWindow +
            QStringLiteral(
                "QDockWidget { background: %1; color: %3; }"
                "QMenuBar, QMenu, QStatusBar, QToolBar { background: %2; color: %3; }"
                "QMenu::item:selected, QMenuBar::item:selected { background: %4; color: %1; }"
                "QToolBar { border: 0; spacing: 6px; padding: 4px; }"
                "QToolButton, QPushButton { background: %2; color: %3; border: 1px solid %5;"
                " border-radius: 3px; padding: 3px 10px; }"
                "QToolButton:checked, QToolButton:pressed, QPushButton:pressed { background: %4;"
                " color: %1; }"
                "QLabel#display { background: %1; color: %4; border: 1px solid %5;"
                " border-radius: 3px; padding: 2px 8px; font-weight: bold; }"
                "QPlainTextEdit, QTreeWidget, QListWidget { background: %1; color: %3;"
                " border: 1px solid %5; }"
                "QHeaderView::section { background: %2; color: %6; border: 0; padding: 3px; }"
                "QDockWidget::title { background: %2; padding: 4px; }"))
        .arg(window.name(), panel.name(), text.name(), highlight.name(), beatLines.name(),
             dimText.name());
}

} // namespace tarn
