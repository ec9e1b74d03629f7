#include <gtest/gtest.h>

#include <chrono>

#include "platform/http/HttpDate.h"

namespace {

using platform::parseHttpDate;
using platform::parseZonelessHttpDate;

std::int64_t secs(const std::optional<platform::SystemTime>& t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t->time_since_epoch()).count();
}

TEST(HttpDate, TheThreeServerFormsNameTheSameInstant) {
    constexpr std::int64_t kInstant = 784111777;  // Sun, 06 Nov 1994 08:49:37 GMT
    auto a = parseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT");
    auto b = parseHttpDate("Sunday, 06-Nov-94 08:49:37 GMT");
    auto c = parseHttpDate("Sun Nov  6 08:49:37 1994");
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(secs(a), kInstant);
    EXPECT_EQ(secs(b), kInstant);
    EXPECT_EQ(secs(c), kInstant);
    EXPECT_EQ(secs(parseHttpDate("Sun, 06 Nov 1994 09:49:37 +0100")), kInstant);
}

TEST(HttpDate, AnythingElseIsRefused) {
    for (const char* bad :
         {"", "yesterday", "Sun, 06 Nov 1994 08:49:37", "Sun, 06 Nov 1994 08:49:37 GMT junk",
          "Sun, 31 Feb 1994 08:49:37 GMT", "Sun, 06 Foo 1994 08:49:37 GMT", "Sun, 06 Nov 1994 25:49:37 GMT",
          "sun, 06 nov 1994 08:49:37 gmt"}) {
        EXPECT_FALSE(parseHttpDate(bad)) << bad;
    }
}

TEST(HttpDate, TheZonelessFormRoundTripsAndToleratesACutOffZone) {
    auto t = parseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(platform::formatZonelessHttpDate(*t), "Sun, 06 Nov 1994 08:49:37");
    EXPECT_EQ(parseZonelessHttpDate("Sun, 06 Nov 1994 08:49:37 "), t);
    EXPECT_EQ(parseZonelessHttpDate("Sun, 06 Nov 1994 08:49:37"), t);
    EXPECT_FALSE(parseZonelessHttpDate("Sun, 06 Nov 1994"));
}

}  // namespace
