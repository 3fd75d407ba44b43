#include "formats/XmlTree.h"
#include "base/AppDirectory.h"
#include "base/ConsoleLog.h"
#include "base/MessagePipe.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace tarn {
namespace {

using test::ReadFile;
using test::ScratchDirectory;

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string Repeat(const std::string& piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += piece;
    }
    return out;
}

TEST(XmlTree, SavesTheExactTextAndReadsItBack) {
    ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    ConsoleLog log(dir / "Console.log");
    log.RegisterWithPipes();
    XmlTree tree;
    XmlNode* config = tree.AddNode(nullptr, "config");
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(tree.AddNode(nullptr, "second root"), nullptr);
    tree.AddNode(config, "a", "1");
    XmlNode* b = tree.AddNode(config, "b");
    tree.AddNode(b, "c", "x y ");
    tree.AddNode(b, "empty");
    // A value hides the children: they are not written.
    XmlNode* both = tree.AddNode(config, "both", "v");
    tree.AddNode(both, "lost", "1");

    ASSERT_EQ(tree.Save("Config/x.xml"), 0) << "the folder does not exist";
    ASSERT_EQ(log.Entries().Count(), 1);
    EXPECT_EQ(log.Entries().Get(0)->text,
              "error: failed to open file " + (dir / "Config/x.xml").string());
    ASSERT_EQ(tree.Save("settings.xml"), 1);
    EXPECT_EQ(ReadFile(dir / "settings.xml"), "<config>\r\n"
                                              "  <a>1</a>\r\n"
                                              "  <b>\r\n"
                                              "    <c>x y </c>\r\n"
                                              "    <empty>\r\n"
                                              "    </empty>\r\n"
                                              "  </b>\r\n"
                                              "  <both>v</both>\r\n"
                                              "</config>\r\n");

    XmlTree read;
    ASSERT_EQ(read.Load("settings.xml"), 1);
    EXPECT_EQ(read.Root()->Name(), "config");
    EXPECT_EQ(read.Root()->Children().Count(), 3);
    EXPECT_EQ(read.FindByPath("config.b.c")->Value(), "x y ");
    EXPECT_NE(read.FindByPath("config.b.empty"), nullptr);
    EXPECT_EQ(read.FindByPath("config.both")->Value(), "v");
    EXPECT_EQ(read.FindByPath("config.both.lost"), nullptr);
    // Saving what was read gives the same bytes again.
    ASSERT_EQ(read.Save("again.xml"), 1);
    EXPECT_EQ(ReadFile(dir / "again.xml"), ReadFile(dir / "settings.xml"));
}

TEST(XmlTree, KeepsValuesAndNamesVerbatim) {
    XmlTree tree;
    ASSERT_EQ(tree.Parse("<r>\r\n"
                         "  <v>  x y  </v>\r\n"
                         "  <tab>\tz</tab>\r\n"
                         "  <two words>w</two words>\r\n"
                         "  <lines>one\r\n  two\r\n</lines>\r\n"
                         "  <gt>a>b</gt>\r\n"
                         "</r>"),
              1);
    // Leading blanks are skipped; inner and trailing ones are kept.
    EXPECT_EQ(tree.FindByPath("r.v")->Value(), "x y  ");
    EXPECT_EQ(tree.FindByPath("r.tab")->Value(), "\tz");
    EXPECT_EQ(tree.FindByPath("r.two words")->Value(), "w");
    EXPECT_EQ(tree.FindByPath("r.lines")->Value(), "one\r\n  two\r\n");
    EXPECT_EQ(tree.FindByPath("r.gt")->Value(), "a>b");
}

TEST(XmlTree, MultiLineValuesDoNotGrowOnEverySave) {
    ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    XmlTree tree;
    ASSERT_EQ(tree.Parse("<r>one\r\ntwo\nthree</r>"), 1);
    ASSERT_EQ(tree.Save("a.xml"), 1);
    EXPECT_EQ(ReadFile(dir / "a.xml"), "<r>one\r\ntwo\r\nthree</r>\r\n");
    ASSERT_EQ(tree.Load("a.xml"), 1);
    ASSERT_EQ(tree.Save("b.xml"), 1);
    EXPECT_EQ(ReadFile(dir / "b.xml"), ReadFile(dir / "a.xml"));
}

TEST(XmlTree, LenientReadingOfTagsAndTrailingText) {
    XmlTree tree;
    // Close-tag names are not compared.
    ASSERT_EQ(tree.Parse("<a>1</b>"), 1);
    EXPECT_EQ(tree.Root()->Name(), "a");
    EXPECT_EQ(tree.Root()->Value(), "1");

    // Text after the root is ignored, whether it ends tokenizing or not.
    ASSERT_EQ(tree.Parse("<a>1</a>garbage"), 1);
    EXPECT_EQ(tree.Root()->Value(), "1");
    ASSERT_EQ(tree.Parse("<a>1</a>\r\n<b>2</b> trailing <"), 1);
    EXPECT_EQ(tree.Root()->Name(), "a");
    EXPECT_EQ(tree.Root()->Children().Count(), 0);

    // A later text of the same element replaces the earlier one.
    ASSERT_EQ(tree.Parse("<a>first<b></b>second</a>"), 1);
    EXPECT_EQ(tree.Root()->Value(), "second");
    EXPECT_EQ(tree.Root()->Children().Count(), 1);

    // An empty tag name is a name like any other.
    ASSERT_EQ(tree.Parse("<><x>1</></>"), 1);
    EXPECT_EQ(tree.FindByPath(".x")->Value(), "1");
}

TEST(XmlTree, MalformedTextFailsAndKeepsWhatWasBuilt) {
    XmlTree tree;
    // A declaration is read as an open tag that is never closed.
    EXPECT_EQ(tree.Parse("<?xml version=\"1.0\"?>\r\n<config>\r\n  <a>1</a>\r\n</config>\r\n"), 0);
    ASSERT_NE(tree.Root(), nullptr);
    EXPECT_EQ(tree.Root()->Name(), "?xml version=\"1.0\"?");
    EXPECT_EQ(tree.Root()->ChildByName("config")->ChildValueByName("a"), "1");

    EXPECT_EQ(tree.Parse("<a><b>1</b>"), 0) << "missing close tag";
    EXPECT_EQ(tree.Root()->Name(), "a");
    EXPECT_EQ(tree.Root()->ChildValueByName("b"), "1");

    EXPECT_EQ(tree.Parse("<a>1</a"), 0) << "unterminated close tag";
    EXPECT_EQ(tree.Parse("<a>1"), 0) << "text running to the end";
    EXPECT_EQ(tree.Root()->Value(), "");
    EXPECT_EQ(tree.Parse("<a><"), 0) << "input ends after <";
    EXPECT_EQ(tree.Parse("<a></"), 0);

    EXPECT_EQ(tree.Parse("text<a></a>"), 0) << "first token is text";
    EXPECT_EQ(tree.Root(), nullptr);
    EXPECT_EQ(tree.Parse("</a><a></a>"), 0) << "first token is a close tag";
    EXPECT_EQ(tree.Root(), nullptr);
    EXPECT_EQ(tree.Parse(" \r\n "), 0);
    EXPECT_EQ(tree.Root(), nullptr);
}

TEST(XmlTree, NestingIsBounded) {
    const int limit = XmlTree::kMaxDepth;
    XmlTree tree;
    ASSERT_EQ(tree.Parse(Repeat("<a>", limit) + "deep" + Repeat("</a>", limit)), 1);
    const XmlNode* node = tree.Root();
    int depth = 1;
    while (node->Children().Count() > 0) {
        node = node->Children().Get(0);
        ++depth;
    }
    EXPECT_EQ(depth, limit);
    EXPECT_EQ(node->Value(), "deep");
    // The text of the deepest tree re-reads to the same tree.
    const std::string text = tree.Text();
    XmlTree again;
    ASSERT_EQ(again.Parse(text), 1);
    EXPECT_EQ(again.Text(), text);

    EXPECT_EQ(tree.Parse(Repeat("<a>", limit + 1) + Repeat("</a>", limit + 1)), 0);
    // Far deeper input fails just the same, without exhausting the stack.
    EXPECT_EQ(tree.Parse(Repeat("<a>", 200000)), 0);
    EXPECT_EQ(tree.Root()->Name(), "a");
}

TEST(XmlTree, PathLookupsNeverCreateNodes) {
    XmlTree tree;
    EXPECT_EQ(tree.FindByPath("configuration"), nullptr);
    EXPECT_EQ(tree.SetValue("configuration.x", "1"), 0);
    ASSERT_EQ(tree.Parse("<configuration><windows><mv><pos>1,2,3,4</pos><pos>second</pos></mv>"
                         "</windows></configuration>"),
              1);
    const std::string before = tree.Text();

    std::string out = "caller's default";
    EXPECT_EQ(tree.GetValue("configuration.missing.pos", out), 0);
    EXPECT_EQ(tree.GetValue("configuration.windows.mv.pos.deeper", out), 0);
    EXPECT_EQ(tree.GetValue("other.windows.mv.pos", out), 0) << "root name is compared";
    EXPECT_EQ(out, "caller's default");
    EXPECT_EQ(tree.GetValue("configuration.windows.mv.pos", out), 1);
    EXPECT_EQ(out, "1,2,3,4") << "the first child of a name is taken";
    EXPECT_EQ(tree.GetValue("configuration.windows", out), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(tree.FindByPath("configuration"), tree.Root());

    EXPECT_EQ(tree.SetValue("configuration.windows.tarn.pos", "5"), 0);
    EXPECT_EQ(tree.SetValue("configuration", "5"), 0) << "needs a dot";
    EXPECT_EQ(tree.Text(), before);
    // The first name of a set path stands for the root whatever it says.
    EXPECT_EQ(tree.SetValue("anything.windows.mv.pos", "10,20,300,400"), 1);
    EXPECT_EQ(tree.Root()->ChildByName("windows")->ChildValueByName("mv"), "");
    EXPECT_EQ(tree.FindByPath("configuration.windows.mv")->ChildValueByName("pos"),
              "10,20,300,400");
    EXPECT_EQ(tree.FindByPath("configuration.windows.mv")->ChildValueByName("size"), "");
}

TEST(XmlTree, RemovingAChildKeepsInsertionOrder) {
    XmlTree tree;
    XmlNode* root = tree.AddNode(nullptr, "root");
    XmlNode* first = root->AddChild("preset", "1");
    XmlNode* second = root->AddChild("preset", "2");
    root->AddChild("preset", "3");
    XmlNode other("stranger");
    EXPECT_FALSE(root->RemoveChild(&other));
    EXPECT_TRUE(root->RemoveChild(second));
    EXPECT_TRUE(root->RemoveChild(first));
    root->AddChild("preset", "4");
    EXPECT_EQ(tree.Text(), "<root>\n  <preset>3</preset>\n  <preset>4</preset>\n</root>\n");
    EXPECT_EQ(root->Children().Get(1)->Value(), "4");
}

TEST(XmlTree, LoadFailuresReportTheFileAndLeaveTheTreeEmpty) {
    ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    ConsoleLog log(dir / "Console.log");
    log.RegisterWithPipes();
    WriteBytes(dir / "empty.xml", "");
    WriteBytes(dir / "declared.xml", "<?xml version=\"1.0\"?>\r\n<a>1</a>\r\n");
    std::filesystem::create_directory(dir / "folder");

    XmlTree tree;
    tree.AddNode(nullptr, "previous");
    EXPECT_EQ(tree.Load("missing.xml"), 0);
    EXPECT_EQ(tree.Root(), nullptr);
    tree.AddNode(nullptr, "previous");
    EXPECT_EQ(tree.Load("empty.xml"), 0);
    EXPECT_EQ(tree.Root(), nullptr);
    EXPECT_EQ(tree.Load("folder"), 0);
    EXPECT_EQ(tree.Save("folder"), 0) << "no root: nothing written, no message";

    const std::string base = dir.Path().string();
    ASSERT_EQ(log.Entries().Count(), 3);
    EXPECT_EQ(log.Entries().Get(0)->kind, kErrorLine);
    EXPECT_EQ(log.Entries().Get(0)->text, "error: failed to open file " + base + "/missing.xml");
    EXPECT_EQ(log.Entries().Get(1)->text, "error: the file " + base + "/empty.xml is empty");
    EXPECT_EQ(log.Entries().Get(2)->text, "error: failed to open file " + base + "/folder");

    // Malformed text fails quietly.
    EXPECT_EQ(tree.Load("declared.xml"), 0);
    EXPECT_EQ(log.Entries().Count(), 3);

    tree.AddNode(nullptr, "root");
    EXPECT_EQ(tree.Save("folder"), 0);
    ASSERT_EQ(log.Entries().Count(), 4);
    EXPECT_EQ(log.Entries().Get(3)->text, "error: failed to open file " + base + "/folder");
}

} // namespace
} // namespace tarn
