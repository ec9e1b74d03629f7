// The HTML adapter on the scripted web engine and the virtual clock: a page is delivered only once
// it has drawn, a passback is a no fill, bad credentials and a missing web view are errors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ads/core/DZAdServer.h"
#include "ads/mediation/DZMAdapterHTML.h"
#include "ads/mediation/DZMBuiltInAdapters.h"
#include "ads/mediation/FakeConnector.h"
#include "ads/render/AdViewTestBed.h"
#include "ads/render/view/DZAdNetworkJavaScriptAdViewDelegate.h"

using testing::ElementsAre;
using tikoleap::test::FakeConnector;

namespace {

class HTMLAdapter : public ::testing::Test {
  protected:
    void SetUp() override {
        DZMBuiltInAdapters::registerAll();
        adapter = std::dynamic_pointer_cast<DZMAdapterHTML>(
            FakeConnector::adapterNamed(DZMAdapterHTML::kClassName, connector));
        ASSERT_TRUE(adapter);
    }
    void TearDown() override {
        adapter.reset();
        bed.runUntilIdle();
    }
    void advance(double seconds) { bed.home().loop().advance(seconds); }
    // A banner request whose page has loaded.
    void loadPage(nlohmann::json credentials) {
        connector->credentialsObject = std::move(credentials);
        adapter->getBannerWithSize(kDZAdSizeBanner);
        bed.runUntilIdle();
        bed.engine().finishLoad();
    }
    std::string lastMessage() const {
        return connector->lastError ? connector->lastError->localizedDescription() : std::string();
    }

    tikoleap::test::AdViewTestBed bed;
    std::shared_ptr<FakeConnector> connector = std::make_shared<FakeConnector>();
    std::shared_ptr<DZMAdapterHTML> adapter;
};

}  // namespace

TEST_F(HTMLAdapter, OnlyADrawnPageIsDeliveredAndTheChecksEnd) {
    loadPage({{"zdxtym_html", "<div></div>"}});
    ASSERT_FALSE(bed.engine().loadCalls().empty());
    EXPECT_EQ(bed.engine().loadCalls().back().baseUrl, DZAdServerURL("/"));
    advance(0.2 * 100 + 0.1);
    EXPECT_TRUE(connector->calls().empty());
    advance(0.2);
    // A page that never draws ends as an error once the checks give up.
    EXPECT_THAT(connector->calls(), ElementsAre("fail:com.rerive.ads:2"));
    ASSERT_TRUE(adapter->adViewDelegate());
    EXPECT_FALSE(adapter->adViewDelegate()->isRenderingTimerRunning());

    connector->clear();
    loadPage({{"zdxtym_html", "<div style='background:#1e90ff'></div>"}});
    bed.engine().setSnapshot(tikoleap::test::paintedImage(320, 50));
    advance(0.25);
    bed.runUntilIdle();
    EXPECT_THAT(connector->calls(), ElementsAre("view"));
    EXPECT_EQ(connector->lastView, adapter->adView());
    EXPECT_FALSE(adapter->adView()->isHidden());
    advance(1);
    EXPECT_THAT(connector->calls(), ElementsAre("view"));
}

TEST_F(HTMLAdapter, APassbackByURLOrSchemeIsANoFill) {
    const nlohmann::json credentials = {{"zdxtym_html", "<script>pass()</script>"},
                                        {"zdxtym_passback_url", "http://Ads.Example.test/pass/"}};
    for (const char* passback :
         {"http://ads.example.test/pass?from=page", "https://ADS.example.test/pass/", "passback://nothing"}) {
        connector->clear();
        loadPage(credentials);
        EXPECT_FALSE(bed.engine().navigate(passback)) << passback;
        EXPECT_THAT(connector->calls(), ElementsAre("fail:com.rerive.ads:1")) << passback;
        EXPECT_EQ(lastMessage(), "Ad network returned no ad.");
    }
    // Without a passback URL only the scheme counts.
    connector->clear();
    loadPage({{"zdxtym_html", "<script>pass()</script>"}});
    EXPECT_FALSE(bed.engine().navigate("PASSBACK:now"));
    EXPECT_THAT(connector->calls(), ElementsAre("fail:com.rerive.ads:1"));
}

TEST_F(HTMLAdapter, BadCredentialsAndInterstitialsAreErrors) {
    const auto failure = [&](nlohmann::json credentials) {
        connector->clear();
        connector->credentialsObject = std::move(credentials);
        adapter->getBannerWithSize(kDZAdSizeBanner);
        EXPECT_THAT(connector->calls(), ElementsAre("fail:com.rerive.ads:2"));
        return lastMessage();
    };
    EXPECT_EQ(failure(nlohmann::json::object()), "Missing HTML in TYM response.");
    EXPECT_EQ(failure({{"zdxtym_html", ""}}), "Missing HTML in TYM response.");
    EXPECT_EQ(failure({{"zdxtym_html", nlohmann::json::array({"<p>"})}}), "Missing HTML in TYM response.");
    EXPECT_EQ(failure({{"zdxtym_html", "<p>"}, {"zdxtym_passback_url", ""}}),
              "Empty passback URL in TYM response.");
    for (const char* bad : {"not a url", "javascript:alert(1)", "file:///etc/passwd"}) {
        EXPECT_EQ(failure({{"zdxtym_html", "<p>"}, {"zdxtym_passback_url", bad}}),
                  "Invalid passback URL in TYM response.")
            << bad;
    }
    EXPECT_FALSE(adapter->adView());

    connector->clear();
    adapter->getInterstitial();
    adapter->presentInterstitialFromRootViewController(nullptr);
    EXPECT_THAT(connector->calls(), ElementsAre("fail:com.rerive.ads:0", "fail:com.rerive.ads:0"));
    EXPECT_EQ(lastMessage(), "Interstitials not supported.");
}

TEST_F(HTMLAdapter, WithoutAWebViewTheNetworkFailsAndHoldsNothing) {
    auto previous = DZAdView::setEngineFactory([](int, int, std::string* error) {
        *error = "six live web views already";
        return std::unique_ptr<platform::web::WebEngine>();
    });
    connector->credentialsObject = {{"zdxtym_html", "<p>ad</p>"}};
    adapter->getBannerWithSize(kDZAdSizeBanner);
    DZAdView::setEngineFactory(previous);
    EXPECT_THAT(connector->calls(), ElementsAre("fail:com.rerive.ads:2"));
    EXPECT_FALSE(adapter->adView());
}

TEST_F(HTMLAdapter, AStoppedAdapterDeliversNothing) {
    loadPage({{"zdxtym_html", "<p>late</p>"}});
    adapter->stopBeingDelegate();
    bed.engine().setSnapshot(tikoleap::test::paintedImage(320, 50));
    advance(1);
    EXPECT_TRUE(connector->calls().empty());
    EXPECT_FALSE(adapter->adViewDelegate()->isRenderingTimerRunning());
}
