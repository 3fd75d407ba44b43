#include "formats/ListFile.h"
#include "base/AppDirectory.h"
#include "base/ConsoleLog.h"
#include "base/MessagePipe.h"
#include "formats/XmlTree.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using Entries = std::vector<std::string>;

TEST(ListFile, RoundTripsAndReadsItemsLeniently) {
    test::ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    ListFile list;
    list.Entries() = {"/samples/kick.wav", "/samples/snare 2.wav"};
    ASSERT_EQ(list.Save("Wavetable.list.xml"), 1);
    EXPECT_EQ(test::ReadFile(dir / "Wavetable.list.xml"),
              "<list>\r\n  <item>\r\n    <name>/samples/kick.wav</name>\r\n  </item>\r\n"
              "  <item>\r\n    <name>/samples/snare 2.wav</name>\r\n  </item>\r\n</list>\r\n");
    ListFile read;
    read.Entries() = {"kept"};
    ASSERT_EQ(read.Read("Wavetable.list.xml"), 1);
    EXPECT_EQ(read.Entries(), (Entries{"kept", "/samples/kick.wav", "/samples/snare 2.wav"}));

    // Empty names are skipped, item tags are not checked, the first name wins.
    XmlTree odd;
    ASSERT_EQ(odd.Parse("<list><item><name></name></item><entry><name>b</name></entry>"
                        "<item><path>p</path><name>c</name><name>d</name></item></list>"),
              1);
    ASSERT_EQ(odd.Save("odd.xml"), 1);
    ListFile lenient;
    ASSERT_EQ(lenient.Read("odd.xml"), 1);
    EXPECT_EQ(lenient.Entries(), (Entries{"b", "c"}));
}

TEST(ListFile, ReportsBadListsOnTheErrorPipe) {
    test::ScratchDirectory dir;
    SetAppDirectory(dir.Path());
    ConsoleLog log(dir / "Console.log");
    log.RegisterWithPipes();
    XmlTree file;
    ASSERT_EQ(file.Parse("<lst><item><name>a</name></item></lst>"), 1);
    ASSERT_EQ(file.Save("wrong.xml"), 1);
    ASSERT_EQ(file.Parse("<list><item><name>first</name></item><item><title>t</title></item>"
                         "<item><name>never read</name></item></list>"),
              1);
    ASSERT_EQ(file.Save("missing.xml"), 1);

    ListFile list;
    EXPECT_EQ(list.Read("wrong.xml"), 0);
    EXPECT_EQ(list.Read("missing.xml"), 0);
    EXPECT_EQ(list.Entries(), (Entries{"first"}));
    EXPECT_EQ(list.Read("absent.xml"), 0);

    const std::string base = dir.Path().string();
    ASSERT_EQ(log.Entries().Count(), 3);
    EXPECT_EQ(log.Entries().Get(0)->kind, kErrorLine);
    EXPECT_EQ(log.Entries().Get(0)->text, "error: '" + base + "/wrong.xml' is not a list");
    EXPECT_EQ(log.Entries().Get(1)->kind, kErrorLine);
    EXPECT_EQ(log.Entries().Get(1)->text, "error: '" + base + "/missing.xml': tag 'name' missing");
    EXPECT_EQ(log.Entries().Get(2)->text, "error: failed to open file " + base + "/absent.xml");
}

} // namespace
} // namespace tarn
