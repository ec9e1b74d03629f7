// The console log: its line format, formatting on the caller's thread, what it makes of values from
// outside, and order kept per caller.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ads/foundation/DZLogCharge.h"
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

TEST(DZLogger, TheLogCallCutsAndEscapesValuesFromOutsideAndLeavesItsOwnTextReadable) {
    platform::ScopedLogSink sink;
    const std::string productID(5094, 'p');
    DZLog("Purchase of \"%s\" refused", productID.c_str());
    DZLog("%s|%s|%s|%s", "abc\u202Edef\u2066", "x\u2028y\u2029z\u0085", "\x1b[31m\r\n\t", "\xff\xc3");
    DZLog("%s", std::string(255, 'x').append("\u00e9").c_str());
    DZLog("Caf\u00e9 %d %.2f [%5s] [%-3s] %zu%% %.3s", 3, 1.5, "ab", "c", std::size_t{7}, "truncated");
    DZLogText(std::string(2000, 't').append("\u202E"));
    DZLogText("page says \u202Eevil\n");
    DZLogger::sharedInstance()->logPublicMessage("\"" + productID + "\" is not valid");
    DZLogger::sharedInstance()->logPublicFormat("\"%s\" is not valid", productID.c_str());
    DZLoggingQueue()->sync([] {});
    ASSERT_EQ(sink.lines().size(), 8u);
    EXPECT_EQ(sink.lines()[0], "Purchase of \"" + std::string(kDZMaxLoggedValueBytes, 'p') + "...\" refused");
    EXPECT_EQ(sink.lines()[1],
              "abc\\u202edef\\u2066|x\\u2028y\\u2029z\\u0085|\\x1b[31m\\x0d\\n\\t|\\xff\\xc3");
    EXPECT_EQ(sink.lines()[2], std::string(255, 'x').append("..."));
    EXPECT_EQ(sink.lines()[3], "Caf\u00e9 3 1.50 [   ab] [c  ] 7% tru");
    EXPECT_EQ(sink.lines()[4], std::string(kDZMaxLoggedLineBytes, 't').append("..."));
    EXPECT_EQ(sink.lines()[5], "page says \\u202eevil\\n");
    EXPECT_EQ(sink.lines()[6], "<Rerive> \"" + std::string(kDZMaxLoggedLineBytes - 1, 'p') + "...");
    EXPECT_EQ(sink.lines()[7],
              "<Rerive> \"" + std::string(kDZMaxLoggedValueBytes, 'p') + "...\" is not valid");
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

TEST(DZLogger, AChargeThatThrowsRefusesItsLineAndLeavesTheRestOfItsScopeCharged) {
    platform::ScopedLogSink sink;
    int asked = 0;
    {
        DZLogChargeScope scope([&]() -> DZLogAdmission {
            if (++asked == 1) throw std::runtime_error("the budget failed");
            return {false, std::nullopt};
        });
        EXPECT_NO_THROW(DZLog("first"));
        for (int i = 0; i < 4; ++i) DZLog("later %d", i);
    }
    DZLog("after the scope");
    DZLoggingQueue()->sync([] {});
    EXPECT_EQ(asked, 5);
    EXPECT_EQ(sink.lines(), std::vector<std::string>{"after the scope"});
}
