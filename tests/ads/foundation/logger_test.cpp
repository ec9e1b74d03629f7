// The console log: its line format, formatting on the caller's thread, and order kept per caller.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ads/foundation/DZLogger.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/ScopedLogSink.h"

TEST(DZLogger, PublicMessagesCarryThePrefixAndPlainLinesDoNot) {
    platform::ScopedLogSink sink;
    DZLogger::sharedInstance()->logPublicMessage("Ad loaded 100% (%s stays as it is)");
    DZLog("%d ads from %s", 3, "server");
    DZLogText("%n is no format here");
    DZLoggingQueue()->sync([] {});
    EXPECT_EQ(sink.lines(), (std::vector<std::string>{"<Rerive> Ad loaded 100% (%s stays as it is)",
                                                      "3 ads from server", "%n is no format here"}));
    EXPECT_EQ(DZLogger::sharedInstance(), DZLogger::sharedInstance());
}

TEST(DZLogger, LinesFromManyThreadsKeepEachThreadsOrder) {
    platform::ScopedLogSink sink;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i) DZLog("%d %d", t, i);
        });
    }
    for (auto& th : threads) th.join();
    DZLoggingQueue()->sync([] {});
    ASSERT_EQ(sink.lines().size(), 400u);
    std::vector<int> next(4, 0);
    for (const auto& line : sink.lines()) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d %d", &t, &i), 2);
        EXPECT_EQ(i, next[t]++);
    }
}
