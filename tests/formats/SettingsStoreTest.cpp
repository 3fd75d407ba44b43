#include "formats/SettingsStore.h"
#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "support/CapturedLines.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace tarn {
namespace {

using test::CapturedLines;
using test::ReadFile;
using test::ScratchDirectory;

std::filesystem::path ShippedSettings() {
    const char* source = std::getenv("TARN_SOURCE_DIR");
    return std::filesystem::path(source != nullptr ? source : ".") / "dist" /
           SettingsStore::kFileName;
}

TEST(SettingsStore, ShippedFileHoldsEveryKeyTheStudioReads) {
    SettingsStore store;
    ASSERT_EQ(store.Load(ShippedSettings()), 1);
    for (const char* window :
         {"tarn", "mv", "seq", "pe", "ge", "pr", "wt", "vkb", "as", "cpumon", "console"}) {
        const std::string key = std::string("windows.") + window;
        SettingsRectangle pos{-1, -1, -1, -1};
        EXPECT_EQ(store.GetRectangle(key + ".pos", pos), 1) << key;
        EXPECT_LT(pos.left, pos.right) << key;
        int flag = -1;
        EXPECT_EQ(store.GetInteger(key + (key == "windows.tarn" ? ".maximized" : ".visible"), flag),
                  1);
        EXPECT_TRUE(flag == 0 || flag == 1) << key;
    }
    for (const char* font :
         {"windows.font", "windows.button.font", "windows.caption.font", "windows.textbox.font",
          "windows.static.font", "windows.menu.font", "windows.listbox.font", "windows.ruler.font",
          "windows.tarn.ws.console.font", "windows.tarn.ws.cpumon.font", "windows.tarn.ws.ge.font",
          "windows.tarn.ws.pe.font", "windows.tarn.ws.pr.font",
          "windows.tarn.cs.controls.vol_display.font",
          "windows.tarn.cs.controls.info_control.display.font", "windows.mv.display.font"}) {
        SettingsFont read;
        EXPECT_EQ(store.GetFont(font, read), 1) << font;
        EXPECT_EQ(read.name, "Verdana") << font;
    }
    SettingsRectangle rectangle;
    EXPECT_EQ(store.GetRectangle("windows.tarn.cs.controls.info_control.display.pos", rectangle),
              1);
    EXPECT_EQ(store.GetRectangle("windows.mv.display.pos", rectangle), 1);
    SettingsImage image;
    EXPECT_EQ(store.GetImage("windows.mv.images.mac", image), 1);
    EXPECT_EQ(image.transparencyType, 1);
    std::string text;
    EXPECT_EQ(store.GetString("windows.mv.views.mv.vstyle", text), 1);
    EXPECT_EQ(text, "Normal");
    EXPECT_EQ(store.GetString("audio.backend", text), 1);
    EXPECT_EQ(text, "auto");
    int midi = -1;
    EXPECT_EQ(store.GetInteger("midi.enabled", midi), 1);
    // The file is kept with the line breaks the writer produces.
    EXPECT_EQ(ReadFile(ShippedSettings()), [&] {
        std::string crlf;
        for (const char c : store.Tree().Text()) {
            crlf += c == '\n' ? "\r\n" : std::string(1, c);
        }
        return crlf;
    }());
}

TEST(SettingsStore, TypedValuesReadAndWriteAsTheirTexts) {
    SettingsStore store;
    ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    std::ofstream(dir / "s.xml")
        << "<configuration><windows><mv><pos>1,2,3,4</pos><visible>-12abc</visible>"
           "<short>1,2,3</short><c1> #FF8000 </c1><c2>FF8000</c2>"
           "<f><weight>Bold</weight><size>-10</size></f><g><weight>550</weight></g>"
           "<i><filename>a.png</filename><transparency><type>Color</type>"
           "<color>#00FF00</color></transparency></i></mv></windows></configuration>";
    ASSERT_EQ(store.Load("s.xml"), 1);

    EXPECT_EQ(store.SetRectangle("windows.mv.pos", {10, 20, 300, 400}), 1);
    EXPECT_EQ(store.Tree().FindByPath("configuration.windows.mv.pos")->Value(), "10,20,300,400");
    SettingsRectangle rectangle{7, 7, 7, 7};
    EXPECT_EQ(store.GetRectangle("windows.mv.pos", rectangle), 1);
    EXPECT_EQ(rectangle, (SettingsRectangle{10, 20, 300, 400}));
    // Fewer than four numbers is no rectangle; the caller's default stays.
    EXPECT_EQ(store.GetRectangle("windows.mv.short", rectangle), 0);
    EXPECT_EQ(rectangle, (SettingsRectangle{10, 20, 300, 400}));
    const std::string before = store.Tree().Text();
    EXPECT_EQ(store.SetInteger("windows.mv.missing", 1), 0);
    EXPECT_EQ(store.Tree().Text(), before);

    int integer = 5;
    EXPECT_EQ(store.GetInteger("windows.mv.visible", integer), 1);
    EXPECT_EQ(integer, -12);
    integer = 5;
    EXPECT_EQ(store.GetInteger("windows.nothing", integer), 0);
    EXPECT_EQ(integer, 5);

    std::uint32_t colour = 0x123456;
    EXPECT_EQ(store.GetColour("windows.mv.c1", colour), 1);
    EXPECT_EQ(colour, 0xFF8000u);
    colour = 0x123456;
    store.GetColour("windows.mv.c2", colour);
    EXPECT_EQ(colour, 0x123456u);

    SettingsFont font{"Verdana", -10, 400, 0};
    EXPECT_EQ(store.GetFont("windows.mv.f", font), 1);
    EXPECT_EQ(font.weight, 700);
    EXPECT_EQ(font.name, "Verdana");
    EXPECT_EQ(store.GetFont("windows.mv.g", font), 1);
    EXPECT_EQ(font.weight, 550);
    SettingsImage image;
    EXPECT_EQ(store.GetImage("windows.mv.i", image), 1);
    EXPECT_EQ(image.filename, "a.png");
    EXPECT_EQ(image.transparencyType, 2);
    EXPECT_EQ(image.transparencyColor, 0x00FF00u);

    // Texts that would break the file travel escaped and come back intact.
    EXPECT_EQ(store.SetString("windows.mv.c2", "<a & b>"), 1);
    ASSERT_EQ(store.Save("s.xml"), 1);
    SettingsStore again;
    ASSERT_EQ(again.Load("s.xml"), 1);
    EXPECT_EQ(again.Tree().Text(), store.Tree().Text());
    std::string text;
    again.GetString("windows.mv.c2", text);
    EXPECT_EQ(text, "<a & b>");
}

TEST(SettingsStore, FailedLoadKeepsTheStoreAndNeverSavesOverTheFile) {
    ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    CapturedLines lines;
    SettingsStore store;
    EXPECT_EQ(store.Load("missing.xml"), 0);
    int value = 3;
    EXPECT_EQ(store.GetInteger("windows.tarn.maximized", value), 0);
    EXPECT_EQ(value, 3);

    std::ofstream(dir / "good.xml") << "<configuration><a>1</a></configuration>";
    ASSERT_EQ(store.Load("good.xml"), 1);
    const std::string truncated = "<configuration><a>2</a><b>";
    std::ofstream(dir / "cut.xml") << truncated;
    EXPECT_EQ(store.Load("cut.xml"), 0);
    EXPECT_EQ(store.GetInteger("a", value), 1);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(store.Save("cut.xml"), 0);
    EXPECT_EQ(ReadFile(dir / "cut.xml"), truncated);
    const std::string base = dir.Path().string();
    EXPECT_EQ(lines.Of(kErrorLine),
              (std::vector<std::string>{"error: failed to open file " + base + "/missing.xml",
                                        "error: the file " + base + "/cut.xml is damaged",
                                        "error: the settings were not loaded; " + base +
                                            "/cut.xml is left as it is"}));
}

// A save killed at any point leaves the old file or the new one.
TEST(SettingsStore, SaveKilledMidwayLeavesAWholeFile) {
    ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    const std::string small = "<configuration>\r\n  <a>old</a>\r\n</configuration>\r\n";
    std::ofstream(dir / "k.xml", std::ios::binary) << small;
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SettingsStore store;
            if (store.Load("k.xml") == 0) {
                ::_exit(1);
            }
            const std::string big(20000 + round * 1000, 'x');
            for (int save = 0;; ++save) {
                store.SetString("a", save % 2 == 0 ? big : "old");
                store.Save("k.xml");
            }
        }
        ::usleep(static_cast<useconds_t>(random() % 20000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;
        XmlTree tree;
        ASSERT_EQ(tree.Parse(ReadFile(dir / "k.xml")), 1) << "round " << round;
        const std::string value = tree.FindByPath("configuration.a")->Value();
        EXPECT_TRUE(value == "old" || value.find_first_not_of('x') == std::string::npos)
            << "round " << round;
    }
}

} // namespace
} // namespace tarn
