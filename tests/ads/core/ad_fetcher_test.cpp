#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdCoreHooks.h"
#include "ads/core/DZAdFetcher.h"
#include "ads/foundation/AdsTestHome.h"
#include "ads/foundation/DZNSURLRequestUtilities.h"
#include "ads/foundation/DZRequestError.h"
#include "platform/defaults/UserDefaults.h"
#include "support/LoopbackServer.h"
#include "tools/adserver/AdServer.h"

namespace {

struct Answer {
    bool ok = false;
    platform::ErrorRef error;
    long responseCode = 0;
    std::shared_ptr<DZAd> ad;
};

struct Delegate : DZAdFetcherDelegate {
    std::vector<Answer> answers;
    void adFetcherDidFetchAd(DZAdFetcher&, const std::shared_ptr<DZAd>& ad) override {
        answers.push_back({true, nullptr, 0, ad});
    }
    void adFetcherDidFailToFetchAd(DZAdFetcher&, const std::shared_ptr<DZAd>& ad, platform::ErrorRef error,
                                   long code) override {
        answers.push_back({false, error, code, ad});
    }
};

class DZAdFetcherTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(server.start(0, "")); }

    std::string adURL(const std::string& unit) { return server.baseURL() + "zads/ad?slotname=" + unit; }

    // One fetch to its one answer; the pump then runs a little longer to catch a second one.
    Answer fetch(const std::string& url, std::shared_ptr<Delegate> d = std::make_shared<Delegate>()) {
        auto fetcher = DZAdFetcher::create();
        EXPECT_TRUE(fetcher->fetchRequestURL(*dz_requestForURL(url, {}, {}, {}), d));
        EXPECT_TRUE(home.pump().until([&] { return !d->answers.empty(); }));
        home.pump().runFor(std::chrono::milliseconds(50));
        EXPECT_EQ(d->answers.size(), 1u) << url;
        return d->answers.empty() ? Answer{} : d->answers.front();
    }

    tikoleap::test::AdsTestHome home;
    tikoleap::adserver::AdServer server;
};

TEST_F(DZAdFetcherTest, EveryUnitGivesItsOutcome) {
    for (const std::string unit : {"tikoleap-banner", "tikoleap-slow&delay_ms=100"}) {
        const Answer a = fetch(adURL(unit));
        ASSERT_TRUE(a.ok) << unit;
        EXPECT_EQ(a.ad->responseType(), 1u);
        EXPECT_NE(a.ad->adHTML()->find("#e0007a"), std::string::npos);
        EXPECT_EQ(a.ad->adBaseURL(), adURL(unit));
        EXPECT_DOUBLE_EQ(a.ad->reloadInterval(), 60);
        EXPECT_EQ(a.ad->customAdSizeString(), "320x50");
        ASSERT_EQ(a.ad->impressionURLs().size(), 1u);
        EXPECT_NE(a.ad->impressionURLs().urls()[0].find("/adpage/imp?"), std::string::npos);
        ASSERT_EQ(a.ad->clickURLs().size(), 1u);
        EXPECT_EQ(a.ad->responseHeaders().at("x-zazo-ad-size"), "320x50");
    }
    struct Failure {
        std::string unit;
        int code;
        long status;
    };
    for (const Failure& f : {Failure{"tikoleap-nofill", kDZErrorNoFill, 0},
                             Failure{"tikoleap-http400", kDZErrorInvalidRequest, 400},
                             Failure{"tikoleap-http500", kDZErrorServerError, 500},
                             Failure{"tikoleap-mediation-html", kDZErrorServerError, 0}}) {
        const Answer a = fetch(adURL(f.unit));
        EXPECT_FALSE(a.ok) << f.unit;
        ASSERT_TRUE(a.error) << f.unit;
        EXPECT_EQ(a.error->domain(), DZRequestError::kDomain);
        EXPECT_EQ(a.error->code(), f.code) << f.unit;
        EXPECT_EQ(a.responseCode, f.status) << f.unit;
    }
    EXPECT_EQ(server.log().size(), 6u);
}

TEST_F(DZAdFetcherTest, HostileHeadersGiveABoundedSaneAd) {
    const Answer a = fetch(adURL("tikoleap-hostile-headers"));
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.ad->impressionURLs().size(), kDZMaxURLsPerList);
    EXPECT_EQ(a.ad->clickURLs().size(), 0u);
    EXPECT_DOUBLE_EQ(a.ad->reloadInterval(), 0);     // "1e400" is no interval
    EXPECT_FALSE(a.ad->zadavaDuruConfigurations());  // an array, not settings
    EXPECT_FALSE(a.ad->swipeToViewControllerConfigurations());
    EXPECT_EQ(a.ad->supportedOrientations(), 30u);
    EXPECT_TRUE(a.ad->scrollEnabled());
    EXPECT_FALSE(a.ad->fluid());
    EXPECT_FALSE(a.ad->customAdSizeString());  // "1e40x5" is no size
}

TEST_F(DZAdFetcherTest, AClosedPortRedirectsAndTheOneAnswerRule) {
    tikoleap::test::LoopbackServer closed;
    const std::string gone = closed.url("/zads/ad?slotname=x");
    closed.stop();
    const Answer refused = fetch(gone);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code(), kDZErrorReceivedInvalidResponse);
    EXPECT_EQ(refused.responseCode, -1);

    tikoleap::test::LoopbackServer hop;
    hop.reply("/binary", 200, std::string("\xff\xfe<p>", 5), {{"Content-Type", "text/html"}});
    const Answer binary = fetch(hop.url("/binary"));
    ASSERT_TRUE(binary.error);
    EXPECT_EQ(binary.error->code(), kDZErrorNoFill);  // a body that is no text is no ad
    hop.redirect("/go", adURL("tikoleap-banner"));
    const Answer redirected = fetch(hop.url("/go"));
    EXPECT_TRUE(redirected.ok);
    EXPECT_EQ(redirected.ad->adBaseURL(), adURL("tikoleap-banner"));

    auto d = std::make_shared<Delegate>();
    auto fetcher = DZAdFetcher::create();
    ASSERT_TRUE(
        fetcher->fetchRequestURL(*dz_requestForURL(adURL("tikoleap-slow&delay_ms=200"), {}, {}, {}), d));
    platform::ErrorRef second;
    EXPECT_FALSE(
        fetcher->fetchRequestURL(*dz_requestForURL(adURL("tikoleap-banner"), {}, {}, {}), d, &second));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->code(), kDZErrorNetworkError);
    fetcher->cancel();
    home.pump().runFor(std::chrono::milliseconds(400));
    EXPECT_TRUE(d->answers.empty());
}

TEST_F(DZAdFetcherTest, TheTimeOutBoundsTheWholeFetchRedirectsIncluded) {
    // Each hop has the whole time-out to itself; the fetch as a whole has it once.
    tikoleap::test::LoopbackServer chain;
    chain.redirect("/1", chain.url("/2"));
    chain.redirect("/2", chain.url("/stall"));
    chain.slow("/stall", 1.5, 200, "<p>ad</p>");
    auto d = std::make_shared<Delegate>();
    auto fetcher = DZAdFetcher::create();
    ASSERT_TRUE(fetcher->fetchRequestURL(*dz_requestForURL(chain.url("/1"), {}, {}, {}), d));
    ASSERT_TRUE(home.pump().until([&] { return chain.count("/stall") == 1; }));
    home.pump().loop().advance(DZAdFetcher::kDefaultFetchTimeoutSeconds - 1);
    EXPECT_TRUE(d->answers.empty());
    home.pump().loop().advance(1);
    ASSERT_EQ(d->answers.size(), 1u);
    EXPECT_FALSE(d->answers[0].ok);
    ASSERT_TRUE(d->answers[0].error);
    EXPECT_EQ(d->answers[0].error->code(), kDZErrorReceivedInvalidResponse);
    EXPECT_EQ(d->answers[0].responseCode, -1);
    home.pump().runFor(std::chrono::milliseconds(1600));
    EXPECT_EQ(d->answers.size(), 1u) << "the late answer is nobody's";
}

TEST_F(DZAdFetcherTest, AnAdWithHTMLMakesNoRequestAndNoTokenIsSent) {
    auto ad = std::make_shared<DZAd>();
    ad->setAdHTML("<p>ready</p>");
    ad->setAdURL(adURL("tikoleap-banner"));
    auto d = std::make_shared<Delegate>();
    auto fetcher = DZAdFetcher::create();
    ASSERT_TRUE(fetcher->fetchRemainingContentForAd(ad, DZAdFetcher::Headers{{"X-Zazo-Refresh-Rate", "30"}},
                                                    d, nullptr));
    ASSERT_TRUE(home.pump().until([&] { return !d->answers.empty(); }));
    EXPECT_TRUE(d->answers[0].ok);
    EXPECT_DOUBLE_EQ(ad->reloadInterval(), 30);
    EXPECT_TRUE(server.log().empty());

    auto fresh = std::make_shared<DZAd>();
    fresh->setAdURL(adURL("tikoleap-banner"));
    auto d2 = std::make_shared<Delegate>();
    auto second = DZAdFetcher::create();  // a released fetcher cancels its fetch
    ASSERT_TRUE(second->fetchRemainingContentForAd(fresh, std::nullopt, d2, nullptr));
    ASSERT_TRUE(home.pump().until([&] { return !d2->answers.empty(); }));
    EXPECT_TRUE(d2->answers[0].ok);
    ASSERT_EQ(server.log().size(), 1u);
    EXPECT_FALSE(server.log()[0]["headers"].contains("authorization"));
}

TEST_F(DZAdFetcherTest, HeaderRules) {
    auto fetcher = DZAdFetcher::create();
    auto d = std::make_shared<Delegate>();
    auto ad = std::make_shared<DZAd>();
    ad->setAdHTML("x");
    ASSERT_TRUE(fetcher->fetchRequestURL(std::nullopt, d, std::nullopt, ad));
    auto defaults = platform::UserDefaults::standard();

    const std::vector<std::pair<std::string, unsigned>> orientations = {
        {"portrait", 6}, {"landscape", 24}, {"any", 30}, {"upside-down", 30}};
    ad->setSupportedOrientations(30);
    for (const auto& [name, mask] : orientations) {
        fetcher->processHTTPHeaders({{"X-ZAZO-ORIENTATION", name}});
        EXPECT_EQ(ad->supportedOrientations(), mask) << name;
    }

    const std::vector<std::pair<std::string, double>> rates = {
        {"12", 12},   {"-5", 12}, {"0", 0}, {"nan", 0}, {"inf", 0},
        {"1e400", 0}, {"-0", 0},  {"", 0},  {"7", 7},   {"1e9", kDZMaxReloadInterval}};
    for (const auto& [text, seconds] : rates) {
        fetcher->processHTTPHeaders({{"x-zazo-refresh-rate", text}});
        EXPECT_DOUBLE_EQ(ad->reloadInterval(), seconds) << text;
    }

    EXPECT_EQ(defaults->boolForKey("/rerive/ads/use_https"), false);  // absent: NO, since none was stored
    fetcher->processHTTPHeaders({{"X-Zazo-Use-Https", "true"}});
    EXPECT_EQ(defaults->boolForKey("/rerive/ads/use_https"), true);
    fetcher->processHTTPHeaders({});
    EXPECT_EQ(defaults->boolForKey("/rerive/ads/use_https"), true);  // absent: a stored value stays

    std::vector<bool> hashing;
    DZAdCoreHooks::setContentHashingEnabled = [&](bool on) { hashing.push_back(on); };
    fetcher->processHTTPHeaders({{"x-zazo-content-url-opted-out", "false"}});
    EXPECT_EQ(defaults->boolForKey("/rerive/ads/content_url_enabled"), true);
    fetcher->processHTTPHeaders({{"x-zazo-content-url-opted-out", "true"}});
    EXPECT_FALSE(defaults->contains("/rerive/ads/content_url_enabled"));
    DZAdCoreHooks::setContentHashingEnabled = nullptr;
    EXPECT_EQ(hashing, (std::vector<bool>{true, false}));

    fetcher->processHTTPHeaders({{"x-zazo-zadavaduru", "{\"a\":1}"}, {"x-zazo-fluid", "HEIGHT"}});
    EXPECT_EQ(ad->zadavaDuruConfigurations(), nlohmann::json({{"a", 1}}));
    EXPECT_TRUE(ad->fluid());
    for (const std::string& notAnObject : {std::string("[1]"), std::string("\"text\""), std::string("5"),
                                           std::string("{"), std::string(65, '[') + std::string(65, ']')}) {
        fetcher->processHTTPHeaders({{"x-zazo-zadavaduru", notAnObject}});
        EXPECT_FALSE(ad->zadavaDuruConfigurations()) << notAnObject;
    }
    for (const char* size : {"x", "1e40x5", "0x0", "320x50x1"}) {
        fetcher->processHTTPHeaders({{"x-zazo-ad-size", size}});
        EXPECT_FALSE(ad->customAdSizeString()) << size;
    }
    fetcher->processHTTPHeaders({{"X-Zazo-Ad-Size", "300x250"}});
    EXPECT_EQ(ad->customAdSizeString(), "300x250");
    fetcher->processHTTPHeaders({{"x-zazo-debug-dialog", std::string(200000, 'd')}});
    EXPECT_FALSE(ad->debugDialog());  // too big to be a header we read
}

}  // namespace
