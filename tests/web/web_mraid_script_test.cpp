// Our rich-media script on the real engine against a recording native side: the page's calls
// arrive as one page message each (navigations of a scheme no view loads), and what
// native code sends (ZAZO_ReceiveMessage) becomes the API's answers and events.
#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "WebAdServer.h"
#include "WebTestKit.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/MRAIDCreatives.h"
#include "tools/adserver/MRAIDScript.h"

using tikoleap::adserver::MRAIDScript;
using webtest::adServer;
using webtest::evaluate;
using webtest::runUntil;

namespace {

using Message = webtest::PageMessage;

// The page records every event it hears, and what its own handler gets, in `seen`.
const char* const kPage = R"HTML(<!DOCTYPE html><html><head><meta charset="utf-8">
<script src="mraid.js"></script><script>
var seen = [];
['error', 'ready', 'stateChange', 'viewableChange', 'sizeChange'].forEach(function (name) {
  mraid.addEventListener(name, function () { seen.push(name + ':' + Array.prototype.slice.call(arguments).join(',')); });
});
window.zazoExtraHandler = function (name, params) { seen.push('extra:' + name + ':' + params.k); };
</script></head><body></body></html>)HTML";

class MRAIDScriptTest : public webtest::ViewTest {
  protected:
    MRAIDScriptTest() : ViewTest(320, 50) {}

    void start(MRAIDScript::Variant variant, const std::string& url = "") {
        engine->setScriptResponder(
            [variant](const platform::web::ScriptRequest&, platform::web::ScriptReply reply) {
                reply.answer(MRAIDScript::source(variant));
            });
        webtest::page("/ad/page.html", kPage);
        engine->loadRequest({url.empty() ? server.url("/ad/page.html") : url, {}});
        ASSERT_TRUE(runUntil([&] { return recorder.finished == 1; }, 20)) << "the page did not load";
        ASSERT_TRUE(waitForMessages(1));
        ASSERT_EQ(messages()[0].name, "mraidLoaded");
        consumed_ = 1;
    }
    std::vector<Message> messages() const { return webtest::pageMessages(recorder.navigations); }
    bool waitForMessages(std::size_t n) {
        return runUntil([&] { return messages().size() >= n; }, 20);
    }
    // Runs the calls and returns the messages they sent, waiting for `expected` of them.
    std::vector<Message> call(const std::string& script, std::size_t expected) {
        EXPECT_TRUE(evaluate(*engine, script + "; 1").ok) << script;
        EXPECT_TRUE(waitForMessages(consumed_ + expected)) << script;
        runFor(0.1);  // nothing more may come
        auto all = messages();
        std::vector<Message> out(all.begin() + static_cast<long>(consumed_), all.end());
        consumed_ = all.size();
        return out;
    }
    void receive(const std::string& name, const nlohmann::json& info) {
        ASSERT_TRUE(evaluate(*engine, "ZAZO_ReceiveMessage(" + nlohmann::json(name).dump() + ", " +
                                          info.dump() + "); 1")
                        .ok);
    }
    std::string value(const std::string& expression) {
        const auto result = evaluate(*engine, "JSON.stringify(" + expression + ")");
        EXPECT_TRUE(result.ok) << expression;
        return result.value;
    }
    // The events heard since the last call.
    std::vector<std::string> heard() {
        auto all = nlohmann::json::parse(value("seen"));
        std::vector<std::string> out(all.begin() + static_cast<long>(heard_), all.end());
        heard_ = all.size();
        return out;
    }
    void runFor(double seconds) { webtest::runFor(seconds); }
    void makeReady() {
        receive("onScreenInfoChanged", {{"width", 320},
                                        {"height", 480},
                                        {"maxSizeWidth", 320},
                                        {"maxSizeHeight", 460},
                                        {"isOrientationLandscape", false}});
        receive("onDeviceFeaturesReceived", {{"sms", false},
                                             {"tel", true},
                                             {"calendar", true},
                                             {"storePicture", true},
                                             {"inlineVideo", true}});
        receive("onDefaultPositionReceived", {{"x", 0}, {"y", 10}, {"width", 320}, {"height", 50}});
        receive("onReadyEventReceived", {{"js", "7.0"}});
    }

    std::size_t consumed_ = 0;
    std::size_t heard_ = 0;
};

}  // namespace

TEST_F(MRAIDScriptTest, BannerLoadsThenReadyGivesTheDefaultStateAndTheFactsNativeSent) {
    start(MRAIDScript::Variant::Banner);
    EXPECT_EQ(value("[mraid.getVersion(), mraid.getState(), mraid.getPlacementType(), mraid.isViewable()]"),
              R"(["2.0","loading","inline",false])");
    // Too early: no message leaves, the page hears an error.
    EXPECT_TRUE(call("mraid.resize(); mraid.expand()", 0).empty());
    auto early = heard();
    ASSERT_EQ(early.size(), 2u);
    EXPECT_EQ(early[0].substr(early[0].rfind(',')), ",resize");
    EXPECT_EQ(early[1].substr(early[1].rfind(',')), ",expand");
    // The standard's names of events, states and choices stand for their strings.
    EXPECT_EQ(value("[mraid.EVENTS.READY, mraid.EVENTS.SIZECHANGE, mraid.EVENTS.STATECHANGE,"
                    " mraid.EVENTS.VIEWABLECHANGE, mraid.EVENTS.ERROR, mraid.STATES.LOADING,"
                    " mraid.STATES.HIDDEN, mraid.STATES.RESIZED, mraid.PLACEMENT_TYPES.INTERSTITIAL,"
                    " mraid.ORIENTATION_PROPERTIES_FORCE_ORIENTATION.PORTRAIT,"
                    " mraid.ORIENTATION_PROPERTIES_FORCE_ORIENTATION.NONE,"
                    " mraid.RESIZE_PROPERTIES_CUSTOM_CLOSE_POSITION.BOTTOM_CENTER,"
                    " mraid.SUPPORTED_FEATURES.INLINE_VIDEO]"),
              R"(["ready","sizeChange","stateChange","viewableChange","error","loading","hidden","resized",)"
              R"("interstitial","portrait","none","bottom-center","inlineVideo"])");
    // The size measured while the page still loads is heard once, with its first state.
    receive("onSizeChanged", {{"x", 0}, {"y", 10}, {"width", 320}, {"height", 50}});
    EXPECT_TRUE(heard().empty());
    makeReady();
    EXPECT_EQ(heard(), (std::vector<std::string>{"stateChange:default", "sizeChange:320,50", "ready:"}));
    EXPECT_EQ(
        value("[mraid.getState(), mraid.getMaxSize(), mraid.getScreenSize(), mraid.getDefaultPosition()]"),
        R"(["default",{"width":320,"height":460},{"width":320,"height":480},)"
        R"({"x":0,"y":10,"width":320,"height":50}])");
    EXPECT_EQ(value("['sms', 'tel', 'calendar', 'storePicture', 'inlineVideo', 'vr'].map(mraid.supports)"),
              "[false,true,true,true,true,false]");
    // A second ready changes nothing.
    receive("onReadyEventReceived", {{"js", "7.0"}});
    EXPECT_TRUE(heard().empty());
    // Both forms of the size message give the current position.
    receive("onSizeChanged", {{"x", 0}, {"y", 10}, {"width", 320}, {"height", 50}});
    EXPECT_TRUE(heard().empty());
    receive("onSizeChanged", {{"x", 4}, {"y", 20}, {"width", 300}, {"height", 60}});
    receive("onSizeChanged", {{"width", 310}, {"height", 70}});
    EXPECT_EQ(heard(), (std::vector<std::string>{"sizeChange:300,60", "sizeChange:310,70"}));
    EXPECT_EQ(value("mraid.getCurrentPosition()"), R"({"x":4,"y":20,"width":310,"height":70})");
    // Broken sizes are dropped.
    receive("onSizeChanged", {{"width", "x"}, {"height", -1}});
    receive("onScreenInfoChanged", {{"width", nullptr}});
    EXPECT_TRUE(heard().empty());
    EXPECT_EQ(value("[mraid.getCurrentPosition().width, mraid.getScreenSize().width]"), "[310,320]");
}

TEST_F(MRAIDScriptTest, EachCallLeavesAsItsOwnMessage) {
    start(MRAIDScript::Variant::Banner);
    makeReady();
    heard();
    auto sent = call("mraid.expand()", 1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].name, "open");
    EXPECT_EQ(sent[0].params,
              (std::map<std::string, std::string>{{"a", "expand"}, {"o", "a"}, {"custom_close", "0"}}));

    sent = call(
        "mraid.useCustomClose(true); mraid.setOrientationProperties({allowOrientationChange: false, "
        "forceOrientation: 'landscape'}); mraid.expand('second.html')",
        3);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].name, "customClose");
    EXPECT_EQ(sent[0].params, (std::map<std::string, std::string>{{"custom_close", "1"}}));
    EXPECT_EQ(sent[1].name, "mraid");
    EXPECT_EQ(sent[1].params, (std::map<std::string, std::string>{{"a", "setOrientationProperties"},
                                                                  {"allowOrientationChange", "false"},
                                                                  {"forceOrientation", "landscape"}}));
    EXPECT_EQ(sent[2].name, "open");
    EXPECT_EQ(sent[2].params,
              (std::map<std::string, std::string>{
                  {"a", "webapp"}, {"u", server.url("/ad/second.html")}, {"o", "l"}, {"custom_close", "1"}}));

    // Resize: the defaults filled in; too small or missing numbers are refused with an error.
    sent = call(
        "mraid.setResizeProperties({width: 49, height: 100, offsetX: 0, offsetY: 0}); mraid.resize();"
        "mraid.setResizeProperties({width: 300, height: 250, offsetX: 10, offsetY: -20}); mraid.resize()",
        1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].name, "mraid");
    EXPECT_EQ(sent[0].params, (std::map<std::string, std::string>{{"a", "resize"},
                                                                  {"width", "300"},
                                                                  {"height", "250"},
                                                                  {"offsetX", "10"},
                                                                  {"offsetY", "-20"},
                                                                  {"customClosePosition", "top-right"},
                                                                  {"allowOffscreen", "true"}}));
    auto errors = heard();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].substr(errors[0].rfind(',')), ",setResizeProperties");
    EXPECT_EQ(errors[1].substr(errors[1].rfind(',')), ",resize");

    sent = call(
        "mraid.storePicture('pic.png'); mraid.storePicture('javascript:alert(1)');"
        "mraid.open('https://example.invalid/x'); mraid.playVideo('/v.mp4'); "
        "mraid.open('file:///etc/hostname');"
        "mraid.close()",
        4);
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].params, (std::map<std::string, std::string>{{"a", "storePicture"},
                                                                  {"iurl", server.url("/ad/pic.png")}}));
    EXPECT_EQ(sent[1].params,
              (std::map<std::string, std::string>{{"a", "browser"}, {"u", "https://example.invalid/x"}}));
    EXPECT_EQ(sent[2].params,
              (std::map<std::string, std::string>{{"a", "video"}, {"u", server.url("/v.mp4")}}));
    EXPECT_EQ(sent[3].name, "close");
    EXPECT_TRUE(sent[3].params.empty());
    errors = heard();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].substr(errors[0].rfind(',')), ",storePicture");
    EXPECT_EQ(errors[1].substr(errors[1].rfind(',')), ",open");

    // Calendar dates in the device's zone with a colon offset; the same instants as given.
    sent = call(
        "mraid.createCalendarEvent({description: 'Jump', location: 'Here', summary: 'All of us',"
        "start: '2026-12-24T18:00:00Z', end: new Date(Date.UTC(2026, 11, 24, 19, 30, 0))});"
        "mraid.createCalendarEvent({description: 'no start'})",
        1);
    ASSERT_EQ(sent.size(), 1u);
    const auto& event = sent[0].params;
    EXPECT_EQ(event.at("a"), "createCalendarEvent");
    EXPECT_EQ(event.at("description"), "Jump");
    EXPECT_EQ(event.at("location"), "Here");
    EXPECT_EQ(event.at("summary"), "All of us");
    const std::regex dateForm("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d");
    EXPECT_TRUE(std::regex_match(event.at("start"), dateForm)) << event.at("start");
    EXPECT_TRUE(std::regex_match(event.at("end"), dateForm)) << event.at("end");
    EXPECT_EQ(value("[Date.parse('" + event.at("start") + "'), Date.parse('" + event.at("end") + "')]"),
              "[1798135200000,1798140600000]");
    errors = heard();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].substr(errors[0].rfind(',')), ",createCalendarEvent");
}

TEST_F(MRAIDScriptTest, NativeEventsBecomeStatesSizesVisibilityAndErrors) {
    start(MRAIDScript::Variant::Banner);
    makeReady();
    heard();
    receive("onAdVisibilityChanged", {{"visible", true}});
    receive("onAdVisibilityChanged", {{"visible", "1"}});
    receive("onAdVisibilityChanged", {{"visible", "0"}});
    EXPECT_EQ(heard(), (std::vector<std::string>{"viewableChange:true", "viewableChange:false"}));

    // Expanded and back, then resized twice: each state change is followed by its size.
    receive("expanding", nlohmann::json::object());
    receive("onStateChanged", {{"state", "expanded"}});
    EXPECT_EQ(value("mraid.getCurrentPosition()"), R"({"x":0,"y":0,"width":320,"height":460})");
    receive("collapsed", nlohmann::json::object());
    receive("onStateChanged", {{"state", "default"}});
    EXPECT_EQ(heard(), (std::vector<std::string>{"stateChange:expanded", "sizeChange:320,460",
                                                 "stateChange:default", "sizeChange:320,50"}));
    call("mraid.setResizeProperties({width: 320, height: 250, offsetX: 0, offsetY: 0}); mraid.resize()", 1);
    receive("onStateChanged", {{"state", "resized"}});
    receive("onSizeChanged", {{"width", 320}, {"height", 250}});
    receive("onStateChanged", {{"state", "resized"}});
    receive("onSizeChanged", {{"width", 300}, {"height", 200}});
    EXPECT_EQ(heard(),
              (std::vector<std::string>{"stateChange:resized", "sizeChange:320,250", "sizeChange:300,200"}));
    EXPECT_EQ(value("[mraid.getState(), mraid.getCurrentPosition()]"),
              R"(["resized",{"x":0,"y":10,"width":300,"height":200}])");
    receive("onStateChanged", {{"state", "sideways"}});
    receive("onStateChanged", {{"state", "loading"}});
    EXPECT_EQ(value("mraid.getState()"), "\"resized\"");

    receive("onError",
            {{"message", "Received invalid resize properties"}, {"action", "setResizeProperties"}});
    receive("onCalendarEventCanceled", nlohmann::json::object());
    receive("openableURLs", {{"k", "v"}});
    auto got = heard();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], "error:Received invalid resize properties,setResizeProperties");
    EXPECT_EQ(got[1].substr(got[1].rfind(',')), ",createCalendarEvent");
    EXPECT_EQ(got[2], "extra:openableURLs:v");

    // Removing without a listener removes them all; misuse of the listeners is an error.
    EXPECT_EQ(
        value("(mraid.removeEventListener('sizeChange'), mraid.addEventListener('nope', function(){}),"
              "mraid.removeEventListener('stateChange', function(){}), seen.slice(-2).map(function (e) {"
              " return e.slice(e.lastIndexOf(',')); }))"),
        R"([",addEventListener",",removeEventListener"])");
    heard();
    receive("onSizeChanged", {{"width", 10}, {"height", 10}});
    EXPECT_TRUE(heard().empty());
}

TEST_F(MRAIDScriptTest, InterstitialIsShownAndHiddenAndCannotChangeSize) {
    start(MRAIDScript::Variant::Interstitial);
    makeReady();
    EXPECT_EQ(value("[mraid.getPlacementType(), mraid.getState(), mraid.isViewable()]"),
              R"(["interstitial","default",false])");
    EXPECT_EQ(heard(), (std::vector<std::string>{"stateChange:default", "sizeChange:320,460", "ready:"}));
    // Chosen before the controller exists, custom close and orientation are said again on show.
    EXPECT_EQ(
        call("mraid.useCustomClose(true); mraid.setOrientationProperties({allowOrientationChange: false})", 2)
            .size(),
        2u);
    receive("onshow", nlohmann::json::object());
    auto again = call("", 2);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[0].params, (std::map<std::string, std::string>{{"custom_close", "1"}}));
    EXPECT_EQ(again[1].params, (std::map<std::string, std::string>{{"a", "setOrientationProperties"},
                                                                   {"allowOrientationChange", "false"},
                                                                   {"forceOrientation", "none"}}));
    EXPECT_TRUE(call("mraid.expand(); mraid.resize()", 0).empty());
    receive("onhide", nlohmann::json::object());
    auto got = heard();
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0], "viewableChange:true");
    EXPECT_EQ(got[1].substr(got[1].rfind(',')), ",expand");
    EXPECT_EQ(got[2].substr(got[2].rfind(',')), ",resize");
    EXPECT_EQ(got[3], "viewableChange:false");
    EXPECT_EQ(got[4], "stateChange:hidden");
}

TEST_F(MRAIDScriptTest, ExpandedBannerTakesItsStateFromTheContainer) {
    start(MRAIDScript::Variant::ExpandedBanner);
    receive("onReadyEventReceived", {{"js", "7.0"}});
    EXPECT_EQ(value("mraid.getState()"), "\"loading\"");
    EXPECT_TRUE(heard().empty());  // ready waits for a state
    receive("onScreenInfoChanged",
            {{"width", 320}, {"height", 480}, {"maxSizeWidth", 320}, {"maxSizeHeight", 480}});
    receive("onStateChanged", {{"state", "expanded"}});
    EXPECT_EQ(heard(), (std::vector<std::string>{"stateChange:expanded", "sizeChange:320,480", "ready:"}));
    EXPECT_TRUE(call("mraid.expand()", 0).empty());
    EXPECT_EQ(call("mraid.close()", 1)[0].name, "close");
}

TEST_F(MRAIDScriptTest, TheComplianceCreativeReportsReadyItsEarlyErrorAndTapsThatExpandThenResize) {
    using tikoleap::adserver::MRAIDCreatives;
    const std::size_t before = adServer().log().size();
    start(MRAIDScript::Variant::Banner,
          adServer().baseURL() + (MRAIDCreatives::kPathPrefix + 1) + "compliance");
    makeReady();
    auto beacons = [&](std::size_t n) {
        EXPECT_TRUE(runUntil(
            [&] {
                std::size_t count = 0;
                for (std::size_t i = before; i < adServer().log().size(); ++i)
                    count += adServer().log()[i]["kind"] == "beacon";
                return count >= n;
            },
            20));
        std::vector<std::string> out;
        const auto log = adServer().log();
        for (std::size_t i = before; i < log.size(); ++i) {
            if (log[i]["kind"] != "beacon") continue;
            auto query = log[i]["query"];
            std::string line = query["e"];
            for (const char* key : {"a", "v", "p", "s", "w", "h"})
                if (query.contains(key)) line += std::string(" ") + key + "=" + query[key].get<std::string>();
            out.push_back(line);
        }
        std::sort(out.begin(), out.end());  // images may reach the server in any order
        return out;
    };
    EXPECT_EQ(beacons(2), (std::vector<std::string>{"error a=resize", "ready v=2.0 p=inline s=default"}));
    auto tap = [&] {
        engine->sendMouseEvent({platform::web::MouseEventType::Down, 100, 25});
        engine->sendMouseEvent({platform::web::MouseEventType::Up, 100, 25});
    };
    tap();
    ASSERT_TRUE(waitForMessages(consumed_ + 1));
    EXPECT_EQ(messages()[consumed_].params.at("a"), "expand");
    consumed_ = messages().size();
    receive("onStateChanged", {{"state", "expanded"}});
    receive("onStateChanged", {{"state", "default"}});
    tap();
    ASSERT_TRUE(waitForMessages(consumed_ + 1));
    EXPECT_EQ(messages()[consumed_].params,
              (std::map<std::string, std::string>{{"a", "resize"},
                                                  {"width", "320"},
                                                  {"height", "250"},
                                                  {"offsetX", "0"},
                                                  {"offsetY", "0"},
                                                  {"customClosePosition", "top-right"},
                                                  {"allowOffscreen", "false"}}));
    receive("onStateChanged", {{"state", "resized"}});
    EXPECT_EQ(beacons(8),
              (std::vector<std::string>{"error a=resize", "ready v=2.0 p=inline s=default",
                                        "size w=320 h=250", "size w=320 h=460", "size w=320 h=50",
                                        "state s=default", "state s=expanded", "state s=resized"}));
}
