// Creatives' "mraid.js" answered with our own script, kept in memory: when it is taken, which
// script each kind of page gets, a script still on its way or that could not be fetched, and the
// same on the real engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AdViewTestBed.h"
#include "ads/core/slot/DZSDKCoreConstants.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/AdsTestHome.h"
#include "ads/foundation/DZAdURLStash.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZAdViewDelegate.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZMRAIDInterceptor.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/runloop/MainContextPump.h"
#include "platform/web/WebViews.h"
#include "support/LoopbackServer.h"

using platform::web::ScriptAnswer;
using Kind = ScriptAnswer::Kind;
using ScriptState = DZMRAIDInterceptor::ScriptState;

namespace {

// One page of an ad view: a slot's own (banner or interstitial) or another page's, loaded from
// html under base (nothing is loaded without a base).
struct AdPage {
    std::shared_ptr<DZSlot> slot;
    std::shared_ptr<DZAdViewDelegateProtocol> delegate;
    std::shared_ptr<DZAdView> view;
};

AdPage adPage(std::optional<DZAdType> slotType, const std::string& html, const std::string& base) {
    AdPage page;
    if (slotType) {
        page.slot = DZSlot::create({0, 0, 320, 50});
        page.slot->setAdType(*slotType);
        page.view = page.slot->adView();
    } else {
        page.delegate = DZAdViewDelegate::create();
        page.view = DZAdView::create({0, 0, 320, 50});
        page.view->setDelegate(page.delegate);
    }
    if (!base.empty()) page.view->loadHTMLString(html, base);
    return page;
}

const DZAdType kBanner = DZAdType::bannerAdTypeForSize(kDZAdSizeBanner);
const DZAdType kInterstitial = DZAdType::interstitialAdType();

// Our three scripts on a loopback server, interception on and nothing in memory.
class Scripts {
  public:
    Scripts() {
        for (const char* kind : {"banner", "interstitial", "expanded"})
            server.reply(std::string("/scripts/") + kind + ".js", 200,
                         std::string("window.kind = '") + kind + "';",
                         {{"Content-Type", "application/javascript"}});
        DZMRAIDInterceptor::forgetScripts();
        DZMRAIDInterceptor::resetCanInitWithRequestCounter();
        DZMRAIDInterceptor::allow();
        DZMRAIDInterceptor::setBannerImplementationPath(server.url("/scripts/banner.js"));
        DZMRAIDInterceptor::setInterstitialImplementationPath(server.url("/scripts/interstitial.js"));
        DZMRAIDInterceptor::setExpandedBannerImplementationPath(server.url("/scripts/expanded.js"));
    }
    ~Scripts() {
        DZMRAIDInterceptor::resetToDefaultPaths();
        DZMRAIDInterceptor::forgetScripts();
        DZMRAIDInterceptor::resetCanInitWithRequestCounter();
        DZMRAIDInterceptor::allow();
    }
    bool allReady() const {
        for (const auto& url : {DZMRAIDInterceptor::bannerImplementationPath(),
                                DZMRAIDInterceptor::interstitialImplementationPath(),
                                DZMRAIDInterceptor::expandedBannerImplementationPath()})
            if (DZMRAIDInterceptor::scriptState(url) != ScriptState::Ready) return false;
        return true;
    }

    tikoleap::test::LoopbackServer server;
};

class MRAIDInterceptor : public ::testing::Test {
  protected:
    // What the page asking from `referer` is given: the script's text, "declined" or "failed";
    // nullopt while the answer is still deferred.
    std::optional<std::string> ask(const std::string& url, const std::string& referer) {
        auto given = std::make_shared<std::optional<std::string>>();
        bed_.engine().requestScript({url, referer}, [given](const ScriptAnswer& a) {
            *given = a.kind == Kind::Body ? a.body : a.kind == Kind::Decline ? "declined" : "failed";
        });
        answers_.push_back(given);
        return *given;
    }
    std::string askAndWait(const std::string& url, const std::string& referer) {
        ask(url, referer);
        auto given = answers_.back();
        bed_.home().pump().until([&] { return given->has_value(); });
        return given->value_or("never answered");
    }

    tikoleap::test::AdViewTestBed bed_;
    Scripts scripts_;
    std::vector<std::shared_ptr<std::optional<std::string>>> answers_;
};

}  // namespace

TEST_F(MRAIDInterceptor, TakenOnlyWhileAllowedEnabledAndAPageIsStashedAndTheCountNeverGoesBelowZero) {
    const std::string base = scripts_.server.url("/ads/banner.html");
    auto page = adPage(kBanner, "<html></html>", base);
    const std::string script = scripts_.server.url("/ads/mraid.js");
    ASSERT_TRUE(bed_.home().pump().until([&] { return scripts_.allReady(); }));

    EXPECT_EQ(ask(script, base), "declined") << "no slot is loading";
    DZMRAIDInterceptor::disableCanInitWithRequest();
    DZMRAIDInterceptor::disableCanInitWithRequest();
    EXPECT_EQ(DZMRAIDInterceptor::canInitWithRequestCounter(), 0);
    DZMRAIDInterceptor::enableCanInitWithRequest();
    EXPECT_EQ(ask(script, base), "window.kind = 'banner';") << "answered at once from memory";

    // The server's constants name the scripts each time (absent ones go back to the defaults).
    std::map<std::string, std::string> constants = {
        {"mraid_banner_path", DZMRAIDInterceptor::bannerImplementationPath()},
        {"mraid_interstitial_path", DZMRAIDInterceptor::interstitialImplementationPath()},
        {"mraid_expanded_banner_path", DZMRAIDInterceptor::expandedBannerImplementationPath()},
        {"mraid_disable_redirect", "1"}};
    DZSDKCoreConstants::apply(constants);
    EXPECT_FALSE(DZMRAIDInterceptor::isAllowed());
    EXPECT_EQ(ask(script, base), "declined");
    constants["mraid_disable_redirect"] = "0";
    DZSDKCoreConstants::apply(constants);
    EXPECT_EQ(ask(script, base), "window.kind = 'banner';");

    page.view->setURL(std::nullopt);
    EXPECT_FALSE(DZAdURLStash::hasStashedURLs());
    EXPECT_EQ(ask(script, base), "declined") << "no ad view has a page";
}

TEST_F(MRAIDInterceptor, EachKindOfPageGetsItsScriptAndEverythingElseIsLeftToTheNetwork) {
    DZMRAIDInterceptor::enableCanInitWithRequest();
    const auto& server = scripts_.server;
    auto banner = adPage(kBanner, "<html></html>", server.url("/ads/banner.html"));
    auto interstitial = adPage(kInterstitial, "<html></html>", server.url("/ads/interstitial.html"));
    auto expanded = adPage(std::nullopt, "<html></html>", server.url("/ads/expanded.html"));
    ASSERT_TRUE(bed_.home().pump().until([&] { return scripts_.allReady(); }));

    EXPECT_EQ(ask(server.url("/a/mraid.js?v=2"), server.url("/ads/banner.html")), "window.kind = 'banner';");
    EXPECT_EQ(ask(server.url("/a/mraid.js"), server.url("/ads/interstitial.html")),
              "window.kind = 'interstitial';");
    EXPECT_EQ(ask(server.url("/mraid.js"), server.url("/ads/expanded.html")), "window.kind = 'expanded';");

    const std::string referer = server.url("/ads/banner.html");
    EXPECT_EQ(ask(server.url("/a/mraid.js.map"), referer), "declined");
    EXPECT_EQ(ask(server.url("/a/mymraid.js"), referer), "declined");
    EXPECT_EQ(ask(server.url("/a/mraid.js"), ""), "declined") << "no referer";
    EXPECT_EQ(ask(server.url("/a/mraid.js"), server.url("/elsewhere.html")), "declined") << "not an ad page";

    // Our own script may itself be named mraid.js: it is never asked of us.
    scripts_.server.reply("/own/mraid.js", 200, "window.kind = 'own';");
    DZMRAIDInterceptor::setExpandedBannerImplementationPath(server.url("/own/mraid.js"));
    EXPECT_EQ(ask(server.url("/own/mraid.js"), server.url("/ads/expanded.html")), "declined");
    EXPECT_EQ(askAndWait(server.url("/a/mraid.js"), server.url("/ads/expanded.html")),
              "window.kind = 'own';");

    // Only http and https scripts; a refused address (or none) gives the default back.
    DZMRAIDInterceptor::setBannerImplementationPath("file:///etc/passwd");
    EXPECT_EQ(DZMRAIDInterceptor::bannerImplementationPath(),
              DZMRAIDInterceptor::defaultImplementationPath(DZMRAIDInterceptor::kBannerScriptPath));
    DZSDKCoreConstants::apply({{"mraid_interstitial_path", server.url("/scripts/banner.js")}});
    EXPECT_EQ(DZMRAIDInterceptor::interstitialImplementationPath(), server.url("/scripts/banner.js"));
    EXPECT_EQ(DZMRAIDInterceptor::expandedBannerImplementationPath(),
              DZMRAIDInterceptor::defaultImplementationPath(DZMRAIDInterceptor::kExpandedBannerScriptPath));
}

TEST_F(MRAIDInterceptor, APageWaitsForAScriptOnItsWayAndAFailedFetchFailsItUntilAFetchSucceeds) {
    DZMRAIDInterceptor::enableCanInitWithRequest();
    auto& server = scripts_.server;
    auto page = adPage(kBanner, "<html></html>", server.url("/ads/banner.html"));
    const std::string script = server.url("/a/mraid.js");
    const std::string referer = server.url("/ads/banner.html");

    server.slow("/slow/banner.js", 0.5, 200, "window.kind = 'slow';");
    DZMRAIDInterceptor::setBannerImplementationPath(server.url("/slow/banner.js"));
    EXPECT_EQ(ask(script, referer), std::nullopt) << "deferred while the script is fetched";
    EXPECT_EQ(askAndWait(script, referer), "window.kind = 'slow';");
    EXPECT_EQ(*answers_.front(), "window.kind = 'slow';");
    EXPECT_EQ(server.count("/slow/banner.js"), 1u) << "one fetch for every page that waited";

    server.reply("/broken/banner.js", 404, "window.kind = 'not found page';");
    DZMRAIDInterceptor::setBannerImplementationPath(server.url("/broken/banner.js"));
    EXPECT_EQ(askAndWait(script, referer), "failed");
    EXPECT_EQ(DZMRAIDInterceptor::scriptState(server.url("/broken/banner.js")), ScriptState::Failed);
    server.reply("/broken/banner.js", 200, "window.kind = 'mended';");
    EXPECT_EQ(askAndWait(script, referer), "window.kind = 'mended';");
}

// A server that is down fails the three scripts, and fails them again at each allowing: one line.
TEST_F(MRAIDInterceptor, ScriptsFailingAlikeAreLoggedOnceUntilOneIsFetched) {
    auto& server = scripts_.server;
    ASSERT_TRUE(bed_.home().pump().until([&] { return scripts_.allReady(); }));
    platform::ScopedLogSink sink;
    const std::vector<std::string> down = {server.url("/down/banner.js"), server.url("/down/interstitial.js"),
                                           server.url("/down/expanded.js")};
    for (const auto& url : down) server.reply(url.substr(url.find("/down/")), 503);
    DZMRAIDInterceptor::setBannerImplementationPath(down[0]);
    DZMRAIDInterceptor::setInterstitialImplementationPath(down[1]);
    DZMRAIDInterceptor::setExpandedBannerImplementationPath(down[2]);
    auto allFailedAfter = [&](std::size_t fetches) {
        return bed_.home().pump().until([&] {
            for (const auto& url : down)
                if (DZMRAIDInterceptor::scriptState(url) != ScriptState::Failed ||
                    server.count(url.substr(url.find("/down/"))) < fetches)
                    return false;
            return true;
        });
    };
    ASSERT_TRUE(allFailedAfter(1));
    DZMRAIDInterceptor::allow();
    ASSERT_TRUE(allFailedAfter(2));
    DZLoggingQueue()->sync([] {});
    const auto failures = std::count_if(
        sink.lines().begin(), sink.lines().end(),
        [](const std::string& line) { return line.find("could not be fetched") != std::string::npos; });
    EXPECT_EQ(failures, 1) << sink.lines().size() << " lines";
}

// The real engine: banner, interstitial and expanded pages run the script of their kind, and a
// page no ad view has stashed runs the file of its own address.
TEST(MRAIDInterceptorEngine, EachAdPageRunsItsScriptAndOtherPagesTheirOwnFile) {
    if (!platform::web::WebViews::displayNamed()) GTEST_SKIP() << "no display";
    tikoleap::test::AdsTestHome home;
    Scripts scripts;
    auto& server = scripts.server;
    server.reply("/pages/mraid.js", 200, "window.kind = 'own file';",
                 {{"Content-Type", "application/javascript"}});
    DZMRAIDInterceptor::enableCanInitWithRequest();
    auto run = [&](const std::function<bool()>& done) {
        for (int i = 0; i < 3000 && !done(); ++i) {
            platform::MainContextPump::waitUntil([] { return false; }, 0.01);
            home.loop().runUntilIdle();
        }
        return done();
    };
    ASSERT_TRUE(run([&] { return scripts.allReady(); }));

    const std::string html =
        "<html><head><script src='mraid.js'></script></head>"
        "<body><script>document.title = window.kind || 'none';</script></body></html>";
    std::vector<AdPage> pages;
    pages.push_back(adPage(kBanner, html, server.url("/pages/banner.html")));
    pages.push_back(adPage(kInterstitial, html, server.url("/pages/interstitial.html")));
    pages.push_back(adPage(std::nullopt, html, server.url("/pages/expanded.html")));
    for (const auto& page : pages) ASSERT_TRUE(page.view->engine()) << page.view->engineError();
    // Every page an ad view shows is stashed; this view is no ad view's, though it has their
    // responder.
    std::string error;
    std::shared_ptr<platform::web::WebEngine> outside = platform::web::WebViews::create(320, 50, &error);
    ASSERT_TRUE(outside) << error;
    outside->setScriptResponder(&DZMRAIDInterceptor::respond);
    outside->loadHTML(html, server.url("/pages/outside.html"));
    std::vector<platform::web::WebEngine*> engines;
    for (const auto& page : pages) engines.push_back(page.view->engine());
    engines.push_back(outside.get());

    // Answers may come after the test: they write into what outlives it.
    auto titles = std::make_shared<std::vector<std::string>>(engines.size());
    int turns = 0;
    const bool loaded = run([&] {
        if (++turns % 20 == 0) {
            for (std::size_t i = 0; i < engines.size(); ++i)
                engines[i]->evaluateScript("document.readyState == 'complete' ? document.title : ''",
                                           [titles, i](const platform::web::ScriptResult& r) {
                                               if (r.ok) (*titles)[i] = r.value;
                                           });
        }
        return std::none_of(titles->begin(), titles->end(), [](const std::string& t) { return t.empty(); });
    });
    ASSERT_TRUE(loaded) << (*titles)[0] << "," << (*titles)[1] << "," << (*titles)[2] << "," << (*titles)[3];
    EXPECT_EQ(*titles, (std::vector<std::string>{"banner", "interstitial", "expanded", "own file"}));
    // The engine may ask twice for one script (its preload, then the tag).
    const auto own = server.hits("/pages/mraid.js");
    ASSERT_FALSE(own.empty());
    for (const auto& hit : own) EXPECT_EQ(hit.header("Referer"), server.url("/pages/outside.html"));
    pages.clear();
    outside.reset();
    home.loop().runUntilIdle();
}
