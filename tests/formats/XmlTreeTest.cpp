#include "formats/XmlTree.h"
#include "base/AppDirectory.h"
#include "base/ConsoleLog.h"
#include "base/MessagePipe.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace tarn {
namespace {

using test::ReadFile;
using test::ScratchDirectory;

TEST(XmlTree, SavesTheExactTextAndReadsItBack) {
    ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    XmlTree tree;
    XmlNode* config = tree.AddNode(nullptr, "config");
    EXPECT_EQ(tree.AddNode(nullptr, "second root"), nullptr);
    tree.AddNode(config, "a", "1");
    tree.AddNode(tree.AddNode(config, "b"), "c", "x y ");
    // A value hides the children: they are not written.
    tree.AddNode(tree.AddNode(config, "both", "v"), "lost", "1");
    // A value that already holds CR LF does not gain a CR on every save.
    tree.AddNode(config, "lines", "one\r\ntwo\nthree");
    ASSERT_EQ(tree.Save("settings.xml"), 1);
    const std::string bytes = "<config>\r\n  <a>1</a>\r\n  <b>\r\n    <c>x y </c>\r\n  </b>\r\n"
                              "  <both>v</both>\r\n  <lines>one\r\ntwo\r\nthree</lines>\r\n"
                              "</config>\r\n";
    EXPECT_EQ(ReadFile(dir / "settings.xml"), bytes);

    XmlTree read;
    ASSERT_EQ(read.Load("settings.xml"), 1);
    EXPECT_EQ(read.FindByPath("config.b.c")->Value(), "x y ");
    EXPECT_EQ(read.FindByPath("config.both.lost"), nullptr);
    ASSERT_EQ(read.Save("again.xml"), 1);
    EXPECT_EQ(ReadFile(dir / "again.xml"), bytes);
}

TEST(XmlTree, MarkupCharactersInValuesSurviveTheRoundTrip) {
    XmlTree tree;
    tree.AddNode(tree.AddNode(nullptr, "r"), "name", "a<b> & </c>&amp;");
    EXPECT_EQ(tree.Text(), "<r>\n  <name>a&lt;b&gt; &amp; &lt;/c&gt;&amp;amp;</name>\n</r>\n");
    XmlTree read;
    ASSERT_EQ(read.Parse(tree.Text()), 1);
    EXPECT_EQ(read.FindByPath("r.name")->Value(), "a<b> & </c>&amp;");
    // A lone "&" written by an older writer reads as it stands.
    ASSERT_EQ(read.Parse("<r>R&B &x</r>"), 1);
    EXPECT_EQ(read.Root()->Value(), "R&B &x");
}

TEST(XmlTree, ReadsTextsVerbatimAndTagsLeniently) {
    XmlTree tree;
    ASSERT_EQ(tree.Parse("<r>\r\n  <v>  x y  </v>\r\n  <tab>\tz</tab>\r\n  <two words>w</x>\r\n"
                         "  <v>later</v>\r\n</r>garbage"),
              1);
    // Leading blanks are skipped; inner and trailing ones and tabs are kept;
    // close-tag names are not compared; text after the root is ignored.
    EXPECT_EQ(tree.FindByPath("r.v")->Value(), "x y  ");
    EXPECT_EQ(tree.FindByPath("r.tab")->Value(), "\tz");
    EXPECT_EQ(tree.Root()->ChildValueByName("two words"), "w");
    ASSERT_EQ(tree.Parse("<a>first<b></b>second</a>\r\n<c>2</c>"), 1);
    EXPECT_EQ(tree.Root()->Value(), "second");
    EXPECT_EQ(tree.Root()->Children().Count(), 1);
}

TEST(XmlTree, MalformedTextFailsAndKeepsWhatWasBuilt) {
    XmlTree tree;
    // A declaration is read as an open tag that is never closed.
    EXPECT_EQ(tree.Parse("<?xml version=\"1.0\"?>\r\n<config>\r\n  <a>1</a>\r\n</config>\r\n"), 0);
    EXPECT_EQ(tree.Root()->Name(), "?xml version=\"1.0\"?");
    EXPECT_EQ(tree.Root()->ChildByName("config")->ChildValueByName("a"), "1");
    EXPECT_EQ(tree.Parse("<a><b>1</b>"), 0);
    EXPECT_EQ(tree.Root()->ChildValueByName("b"), "1");
    for (const char* text : {"<a>1</a", "<a>1", "<a><", "<a></", "text<a></a>", "</a>", " \r\n"}) {
        EXPECT_EQ(tree.Parse(text), 0) << text;
    }
    EXPECT_EQ(tree.Root(), nullptr);
}

TEST(XmlTree, PathLookupsNeverCreateNodes) {
    XmlTree tree;
    ASSERT_EQ(tree.Parse("<configuration><windows><mv><pos>1,2</pos><pos>2nd</pos></mv></windows>"
                         "</configuration>"),
              1);
    const std::string before = tree.Text();
    std::string out = "default";
    EXPECT_EQ(tree.GetValue("configuration.missing.pos", out), 0);
    EXPECT_EQ(tree.GetValue("other.windows.mv.pos", out), 0);
    EXPECT_EQ(out, "default");
    EXPECT_EQ(tree.GetValue("configuration.windows.mv.pos", out), 1);
    EXPECT_EQ(out, "1,2");
    EXPECT_EQ(tree.Root()->ChildValueByName("missing"), "");

    EXPECT_EQ(tree.SetValue("configuration.windows.tarn.pos", "5"), 0);
    EXPECT_EQ(tree.SetValue("configuration", "5"), 0);
    EXPECT_EQ(tree.Text(), before);
    // The first name of a set path stands for the root whatever it says.
    EXPECT_EQ(tree.SetValue("anything.windows.mv.pos", "10,20,300,400"), 1);
    EXPECT_EQ(tree.FindByPath("configuration.windows.mv.pos")->Value(), "10,20,300,400");
}

TEST(XmlTree, RemovingAChildKeepsInsertionOrder) {
    XmlNode root("root");
    XmlNode* first = root.AddChild("p", "1");
    XmlNode* second = root.AddChild("p", "2");
    root.AddChild("p", "3");
    EXPECT_FALSE(root.RemoveChild(&root));
    EXPECT_TRUE(root.RemoveChild(second));
    EXPECT_TRUE(root.RemoveChild(first));
    root.AddChild("p", "4");
    ASSERT_EQ(root.Children().Count(), 2);
    EXPECT_EQ(root.Children().Get(0)->Value(), "3");
    EXPECT_EQ(root.Children().Get(1)->Value(), "4");
}

TEST(XmlTree, FileFailuresReportThePath) {
    ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    ConsoleLog log(dir / "Console.log");
    log.RegisterWithPipes();
    std::ofstream(dir / "empty.xml").close();
    std::filesystem::create_directory(dir / "folder");

    XmlTree tree;
    tree.AddNode(nullptr, "previous");
    EXPECT_EQ(tree.Load("missing.xml"), 0);
    EXPECT_EQ(tree.Root(), nullptr);
    EXPECT_EQ(tree.Load("empty.xml"), 0);
    EXPECT_EQ(tree.Load("folder"), 0);
    EXPECT_EQ(tree.Save("root-less.xml"), 0);
    tree.AddNode(nullptr, "root");
    EXPECT_EQ(tree.Save("folder"), 0);

    const std::string base = dir.Path().string();
    ASSERT_EQ(log.Entries().Count(), 4);
    EXPECT_EQ(log.Entries().Get(0)->kind, kErrorLine);
    EXPECT_EQ(log.Entries().Get(0)->text, "error: failed to open file " + base + "/missing.xml");
    EXPECT_EQ(log.Entries().Get(1)->text, "error: the file " + base + "/empty.xml is empty");
    EXPECT_EQ(log.Entries().Get(2)->text, "error: failed to open file " + base + "/folder");
    EXPECT_EQ(log.Entries().Get(3)->text,
              "error: failed to write file " + base + "/folder: " + std::strerror(EISDIR));
    EXPECT_FALSE(std::filesystem::exists(dir / "root-less.xml"));
}

} // namespace
} // namespace tarn
