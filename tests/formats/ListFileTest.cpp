#include "formats/ListFile.h"
#include "base/AppDirectory.h"
#include "base/ConsoleLog.h"
#include "base/MessagePipe.h"
#include "formats/XmlTree.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using test::ReadFile;
using test::ScratchDirectory;

using Entries = std::vector<std::string>;

TEST(ListFile, WritesAndReadsTheListConvention) {
    ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    std::filesystem::create_directories(dir / "Config/Lists/Recent");
    ListFile list;
    list.Entries() = {"/samples/kick.wav", "/samples/snare 2.wav"};
    ASSERT_EQ(list.Save("Config/Lists/Recent/Wavetable.list.xml"), 1);
    EXPECT_EQ(ReadFile(dir / "Config/Lists/Recent/Wavetable.list.xml"),
              "<list>\r\n"
              "  <item>\r\n"
              "    <name>/samples/kick.wav</name>\r\n"
              "  </item>\r\n"
              "  <item>\r\n"
              "    <name>/samples/snare 2.wav</name>\r\n"
              "  </item>\r\n"
              "</list>\r\n");

    // Reading appends to what the list already holds.
    ListFile read;
    read.Entries() = {"kept"};
    ASSERT_EQ(read.Read("/Config/Lists/Recent/Wavetable.list.xml"), 1);
    EXPECT_EQ(read.Entries(), (Entries{"kept", "/samples/kick.wav", "/samples/snare 2.wav"}));

    // An empty list is a valid list.
    ListFile none;
    ASSERT_EQ(none.Save("none.list.xml"), 1);
    EXPECT_EQ(none.Read("none.list.xml"), 1);
    EXPECT_TRUE(none.Entries().empty());
}

TEST(ListFile, ReadsItemsLeniently) {
    ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    XmlTree tree;
    XmlNode* root = tree.AddNode(nullptr, "list");
    root->AddChild("item")->AddChild("name", "a");
    root->AddChild("item")->AddChild("name");       // empty: skipped
    root->AddChild("entry")->AddChild("name", "b"); // other tag: still read
    XmlNode* two = root->AddChild("item");
    two->AddChild("path", "ignored");
    two->AddChild("name", "c");
    two->AddChild("name", "second name ignored");
    ASSERT_EQ(tree.Save("odd.list.xml"), 1);

    ListFile list;
    ASSERT_EQ(list.Read("odd.list.xml"), 1);
    EXPECT_EQ(list.Entries(), (Entries{"a", "b", "c"}));
}

TEST(ListFile, ReportsBadListsOnTheErrorPipe) {
    ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    ConsoleLog log(dir / "Console.log");
    log.RegisterWithPipes();
    const std::string base = dir.Path().string();

    XmlTree wrongRoot;
    wrongRoot.AddNode(nullptr, "lst")->AddChild("item")->AddChild("name", "a");
    ASSERT_EQ(wrongRoot.Save("wrong.xml"), 1);

    XmlTree missingName;
    XmlNode* root = missingName.AddNode(nullptr, "list");
    root->AddChild("item")->AddChild("name", "first");
    root->AddChild("item")->AddChild("title", "no name here");
    root->AddChild("item")->AddChild("name", "never read");
    ASSERT_EQ(missingName.Save("missing.xml"), 1);

    ListFile list;
    EXPECT_EQ(list.Read("wrong.xml"), 0);
    EXPECT_TRUE(list.Entries().empty());
    EXPECT_EQ(list.Read("missing.xml"), 0);
    EXPECT_EQ(list.Entries(), (Entries{"first"})) << "entries before the fault are kept";
    EXPECT_EQ(list.Read("absent.xml"), 0);

    ASSERT_EQ(log.Entries().Count(), 3);
    for (auto [index, entry] : log.Entries()) {
        EXPECT_EQ(entry->kind, kErrorLine);
    }
    EXPECT_EQ(log.Entries().Get(0)->text, "error: '" + base + "/wrong.xml' is not a list");
    EXPECT_EQ(log.Entries().Get(1)->text, "error: '" + base + "/missing.xml': tag 'name' missing");
    EXPECT_EQ(log.Entries().Get(2)->text, "error: failed to open file " + base + "/absent.xml");
}

} // namespace
} // namespace tarn
