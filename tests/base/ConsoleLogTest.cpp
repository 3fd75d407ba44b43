#include "base/ConsoleLog.h"
#include "base/MessagePipe.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace tarn {
namespace {

using test::ReadFile;
using test::ScratchDirectory;

struct Collected {
    std::vector<std::pair<int, std::string>> lines;
    static void Receive(void* self, int kind, const std::string& text) {
        static_cast<Collected*>(self)->lines.emplace_back(kind, text);
    }
};

TEST(ConsoleLog, WritesPrefixedLinesInOrderAndKeepsThem) {
    ScratchDirectory dir;
    {
        ConsoleLog log(dir / "Console.log");
        log.RegisterWithPipes();
        MessageOut() << "creating message pipes" << eol;
        ErrorOut() << "error: node " << 3 << " does not exist" << eol;
        WarningOut() << "warning: failed to load machine '"
                     << "Bass"
                     << "'" << eol;
        // The pipe decides the kind, not the text's prefix.
        WarningOut() << "error: 'ABass': register failed." << eol;
        MessageOut() << "  " << 12.5 << " ms " << eol;
        EXPECT_EQ(log.Entries().Count(), 5);
        EXPECT_EQ(log.Entries().Get(1)->kind, kErrorLine);
        EXPECT_EQ(log.Entries().Get(3)->kind, kWarningLine);
    }
    EXPECT_EQ(ReadFile(dir / "Console.log"), "[MSG] creating message pipes\n"
                                             "[ERR] error: node 3 does not exist\n"
                                             "[WAR] warning: failed to load machine 'Bass'\n"
                                             "[WAR] error: 'ABass': register failed.\n"
                                             "[MSG]   12.5 ms \n");
}

TEST(ConsoleLog, UnknownKindsStayInMemoryOnly) {
    ScratchDirectory dir;
    ConsoleLog log(dir / "Console.log");
    log.AddLine(7, "odd");
    log.AddLine(kMessageLine, "plain");
    EXPECT_EQ(log.Entries().Count(), 2);
    EXPECT_EQ(ReadFile(dir / "Console.log"), "[MSG] plain\n");
}

TEST(ConsoleLog, UnopenableFileStillKeepsLines) {
    ScratchDirectory dir;
    ConsoleLog log(dir / "missing-folder" / "Console.log");
    EXPECT_FALSE(log.FileOpen());
    log.AddLine(kErrorLine, "error: kept");
    EXPECT_EQ(log.Entries().Count(), 1);
    EXPECT_EQ(log.Entries().Get(0)->text, "error: kept");
}

TEST(MessagePipe, LinesAreDeliveredOnlyByEndOfLine) {
    Collected collected;
    MessagePipe& pipe = MessageOut();
    pipe.RegisterReceiver(&collected, &Collected::Receive, kMessageLine);
    pipe << "first part ";
    EXPECT_TRUE(collected.lines.empty());
    pipe << "and the rest" << eol << eol;
    ASSERT_EQ(collected.lines.size(), 2u);
    EXPECT_EQ(collected.lines[0].second, "first part and the rest");
    EXPECT_EQ(collected.lines[1].second, "");
    EXPECT_EQ(collected.lines[0].first, kMessageLine);
    pipe.UnregisterReceiver(&collected);

    // Without a receiver the text waits and joins the next line.
    pipe << "held " << eol;
    pipe.RegisterReceiver(&collected, &Collected::Receive, kMessageLine);
    pipe << "then delivered" << eol;
    ASSERT_EQ(collected.lines.size(), 3u);
    EXPECT_EQ(collected.lines[2].second, "held then delivered");
    pipe.UnregisterReceiver(&collected);
}

TEST(MessagePipe, ConcurrentWritersNeverMixLines) {
    ScratchDirectory dir;
    constexpr int kThreads = 4;
    constexpr int kLines = 500;
    {
        ConsoleLog log(dir / "Console.log");
        log.RegisterWithPipes();
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([t] {
                MessagePipe& pipe = t % 2 == 0 ? MessageOut() : ErrorOut();
                for (int i = 0; i < kLines; ++i) {
                    pipe << "thread " << t << " line " << i << " end" << eol;
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(log.Entries().Count(), kThreads * kLines);
    }
    const std::string text = ReadFile(dir / "Console.log");
    std::vector<int> next(kThreads, 0);
    std::size_t start = 0;
    int count = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(start, end - start);
        int thread = -1, index = -1;
        char prefix[4] = {};
        ASSERT_EQ(
            std::sscanf(line.c_str(), "[%3[A-Z]] thread %d line %d end", prefix, &thread, &index),
            3)
            << line;
        ASSERT_EQ(std::string(prefix), thread % 2 == 0 ? "MSG" : "ERR");
        ASSERT_EQ(index, next[thread]++) << "lines of one thread arrive in order";
        ++count;
        start = end + 1;
    }
    EXPECT_EQ(count, kThreads * kLines);
}

} // namespace
} // namespace tarn
