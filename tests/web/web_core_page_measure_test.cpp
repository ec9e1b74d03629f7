// Our SDK core page's Zadava Duru on the real engine: every unit reaches the server's /zd/unit,
// and the page says "visibilityChanged" when at least half of the ad comes into view or stops
// being so, per measured view, whatever else it is handed.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "WebAdServer.h"
#include "WebTestKit.h"
#include "platform/foundation/Log.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/CorePage.h"

using webtest::adServer;
using webtest::evaluate;
using webtest::runUntil;

namespace {

std::string unit(int hashCode, float visibleTop, const std::string& more = "") {
    return "{hashCode:" + std::to_string(hashCode) +
           ",adBox:{top:430,bottom:480,left:0,right:320},globalVisibleBox:{top:" +
           std::to_string(visibleTop) + ",bottom:480,left:0,right:320}" + more + "}";
}

class WebCorePageMeasure : public webtest::ViewTest {
  protected:
    WebCorePageMeasure() : ViewTest(320, 50) {}
    void SetUp() override {
        ViewTest::SetUp();
        load(tikoleap::adserver::CorePage::html("{}"), adServer().baseURL());
        recorder.allow = false;  // as the core view, which takes the page's messages itself
    }
    void update(const std::string& units) {
        ASSERT_TRUE(evaluate(*engine, "ZAZO_updateZadavaDuru({units:[" + units + "]}); 1").ok);
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& n : recorder.navigations)
            if (n.url.rfind("amsg://page/visibilityChanged", 0) == 0) out.push_back(n.url.substr(29));
        return out;
    }
    std::vector<nlohmann::json> units() const {
        std::vector<nlohmann::json> out;
        for (const auto& hit : adServer().log())
            if (hit["kind"] == "zd" && hit.contains("unit")) out.push_back(hit["unit"]);
        return out;
    }
    bool waitForUnits(std::size_t n) {
        return runUntil([&] { return units().size() >= before_ + n; });
    }
    std::size_t before_ = units().size();
};

}  // namespace

TEST_F(WebCorePageMeasure, EachUnitIsPostedAndEachChangeOfHalfInViewIsSaid) {
    update(unit(5, 430));
    update(unit(5, 440));  // 80 % in view: no change
    update(unit(5, 460));  // 40 %
    update(unit(6, 455));  // exactly half
    ASSERT_TRUE(waitForUnits(4));
    ASSERT_TRUE(runUntil([&] { return messages().size() >= 3; }));
    EXPECT_EQ(messages(), (std::vector<std::string>{"?hashCode=5&isVisible=1", "?hashCode=5&isVisible=0",
                                                    "?hashCode=6&isVisible=1"}));
    // Each unit is its own POST: they may reach the server in any order.
    const auto posted = units();
    std::multiset<std::pair<int, int>> seen;
    for (std::size_t i = before_; i < posted.size(); ++i)
        seen.emplace(posted[i]["hashCode"].get<int>(), posted[i]["globalVisibleBox"]["top"].get<int>());
    EXPECT_EQ(seen, (std::multiset<std::pair<int, int>>{{5, 430}, {5, 440}, {5, 460}, {6, 455}}));

    // The last unit of a measurement ends its state: a new one starts from "not visible".
    update(unit(6, 430, ",doneReasonCode:'u'"));
    update(unit(6, 480));
    update(unit(6, 430));
    ASSERT_TRUE(waitForUnits(7));
    ASSERT_TRUE(runUntil([&] { return messages().size() >= 4; }));
    EXPECT_EQ(messages().back(), "?hashCode=6&isVisible=1");
}

TEST_F(WebCorePageMeasure, WhatIsNoUnitChangesNothing) {
    for (const char* bad :
         {"ZAZO_updateZadavaDuru(); 1", "ZAZO_updateZadavaDuru({units:'x'}); 1",
          "ZAZO_updateZadavaDuru({units:[null, 7, 'u']}); 1", "ZAZO_updateZadavaDuru(null); 1"})
        EXPECT_TRUE(evaluate(*engine, bad).ok) << bad;
    // Units without a usable hashCode or boxes are posted, and say nothing.
    update(
        "{hashCode:'5',adBox:{top:430,bottom:480,left:0,right:320},globalVisibleBox:{top:430,bottom:480,left:"
        "0,"
        "right:320}}");
    update("{hashCode:-1}");
    update("{hashCode:7,adBox:{top:'x'},globalVisibleBox:null}");
    update(unit(8, 430));
    ASSERT_TRUE(waitForUnits(4));
    ASSERT_TRUE(runUntil([&] { return !messages().empty(); }));
    webtest::runFor(0.3);
    EXPECT_EQ(messages(), (std::vector<std::string>{"?hashCode=8&isVisible=1"}));
}

// Units sampled far faster than the server answers (a headless run's clock) do not pile up in the
// engine ahead of the page's next load from the same server: 4 posts on their way and the newest
// 64 waiting, the older dropped.
TEST_F(WebCorePageMeasure, ABurstOfUnitsKeepsFewPostsOnTheirWay) {
    ASSERT_TRUE(
        evaluate(*engine,
                 "for (var i = 0; i < 1000; ++i) ZAZO_updateZadavaDuru({units:[{hashCode:9,n:i}]}); 1")
            .ok);
    ASSERT_TRUE(waitForUnits(68));
    webtest::runFor(0.5);
    const auto posted = units();
    ASSERT_EQ(posted.size(), before_ + 68);
    std::set<int> numbers;
    for (std::size_t i = before_; i < posted.size(); ++i) numbers.insert(posted[i]["n"].get<int>());
    EXPECT_EQ(numbers.size(), 68u);
    EXPECT_EQ(*numbers.rbegin(), 999);
    EXPECT_EQ(numbers.count(3), 1u);
    EXPECT_EQ(numbers.count(4), 0u);
    EXPECT_EQ(*std::next(numbers.begin(), 4), 1000 - 64);
}

// Units sampled without pause for seconds (a headless run's clock) keep the page's posts within
// the share of requests its web process allows a page: none of them, and none of the page's own
// loads, is refused, and the newest unit still reaches the server.
TEST_F(WebCorePageMeasure, UnitsSampledWithoutPauseKeepThePagesRequestsWithinItsShare) {
    int refused = 0;
    auto previous = platform::setLogSink([&](const std::string& line) {
        if (line.find("more than its share") != std::string::npos) ++refused;
    });
    ASSERT_TRUE(evaluate(*engine,
                         "var n = 0, end = performance.now() + 3000; var t = setInterval(function () {"
                         "  for (var i = 0; i < 10; ++i) ZAZO_updateZadavaDuru({units:[{hashCode:9,n:n++}]});"
                         "  if (performance.now() > end) { clearInterval(t); window.fed = n; } }, 5); 1")
                    .ok);
    ASSERT_TRUE(webtest::waitForValue(*engine, "typeof window.fed", "number", 10));
    const int last = std::stoi(evaluate(*engine, "String(window.fed - 1)").value);
    EXPECT_TRUE(runUntil(
        [&] {
            const auto posted = units();
            return std::any_of(posted.begin() + static_cast<std::ptrdiff_t>(before_), posted.end(),
                               [&](const nlohmann::json& unit) { return unit.value("n", -1) == last; });
        },
        10));
    EXPECT_EQ(refused, 0);
    platform::setLogSink(previous);
}
