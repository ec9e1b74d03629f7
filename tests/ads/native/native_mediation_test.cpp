// Native ads through the mediation waterfall: our own adapter's loader fetches a native ad for the
// network's unit and the loader that ran the waterfall delivers it, with the network's reports;
// the adapter refuses connectors and types it cannot serve.
#include <gtest/gtest.h>

#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/formats/native/DZAdLoader.h"
#include "ads/formats/native/DZNativeAdImageAdLoaderOptions.h"
#include "ads/formats/native/DZNativeAppInstallAd.h"
#include "ads/mediation/DZMPingSender.h"
#include "ads/mediation/FakeConnector.h"
#include "ads/native/NativeTestBed.h"
#include "ads/public/DZAdFormats.h"
#include "ads/public/DZMAdapterReriveDiDazAds.h"
#include "platform/foundation/PercentEncoding.h"

using tikoleap::test::FakeConnector;
using tikoleap::test::NativeTestBed;

namespace {

struct AppInstallReceiver : DZNativeAppInstallAdLoaderDelegate {
    void adLoaderDidFailToReceiveAd(DZAdLoader&, const DZRequestError::Ref& error) override {
        errors.push_back(error ? error->code() : -1);
    }
    void adLoaderDidReceiveNativeAppInstallAd(DZAdLoader&,
                                              const std::shared_ptr<DZNativeAppInstallAd>& ad) override {
        ads.push_back(ad);
    }
    std::vector<long> errors;
    std::vector<std::shared_ptr<DZNativeAppInstallAd>> ads;
};

class NativeMediation : public ::testing::Test {
  protected:
    void SetUp() override {
        DZAdFormats::registerAll();
        previousSender_ = DZMPingSender::setSender([this](const DZMPing& ping) { pings_.push_back(ping); });
    }
    void TearDown() override {
        bed_.runFor(std::chrono::milliseconds(50));
        DZMPingSender::setSender(previousSender_);
    }

    // The app-install ad the network's unit answers, as the server sends it.
    nlohmann::json nativeAd() const {
        return {{"type", "native"},
                {"template_id", 2},
                {"headline", "Tiko Leap Deluxe"},
                {"call_to_action", "Install"},
                {"body", "Leap"},
                {"app_icon", {{"url", bed_.server().url("/img/icon.png")}}},
                {"tracking_urls_and_actions", {{"impression_tracking_urls", {bed_.server().url("/imp")}}}}};
    }
    // A waterfall of our own network, whose unit is fetched from the test's server.
    void serveWaterfall() {
        serveJSON("/native", {{"ads", {nativeAd()}}}, "x-zazo-ad-format", "native");
        const nlohmann::json own = {{"id", "own"},
                                    {"data", {{"pubid", "tikoleap-native-appinstall"}}},
                                    {"adapters", {DZMAdapterReriveDiDazAds::kClassName}},
                                    {"extras", {{"_requestUrl", bed_.server().url("/native")}}}};
        const nlohmann::json waterfall = {{"ad_type", "banner"},
                                          {"qdata", "Tiko Leap"},
                                          {"settings", {{"ad_network_timeout_millis", 30000}}},
                                          {"ad_networks", {own}}};
        serveJSON("/mediation", waterfall, "x-zazo-mediation", "1");
    }
    void serveJSON(const std::string& path, const nlohmann::json& body, const std::string& header,
                   const std::string& value) {
        bed_.server().get(path, [body, header, value](const httplib::Request&, httplib::Response& response) {
            response.set_header(header, value);
            response.set_content(body.dump(), "application/json");
        });
    }
    std::shared_ptr<DZRequest> requestFor(const std::string& path) const {
        auto request = DZRequest::request();
        auto extras = std::make_shared<DZExtras>();
        extras->setAdditionalParameters({{"_requestUrl", bed_.server().url(path)}});
        request->registerAdNetworkExtras(extras);
        return request;
    }
    // The support page loads and answers its pre-processing call with the ad it was given.
    bool supportPageAnswers() {
        std::string asked;
        const bool reached = bed_.until([&] {
            auto& engine = bed_.views().engine();
            if (engine.isLoading()) engine.finishLoad();
            for (const auto& pending : engine.pendingScripts()) {
                static const std::string call = "rerive.zazo.nativeAds.preProcessJsonAmsg(";
                if (!pending.script.starts_with(call)) continue;
                asked = pending.script.substr(call.size(),
                                              pending.script.rfind(", {\"sdk_version\"") - call.size());
                return true;
            }
            return false;
        });
        if (!reached) return false;
        bed_.views().engine().navigate("amsg://x/nativeAdPreProcess?success=" +
                                       platform::percentEncode(asked, "", false));
        return true;
    }

    mutable NativeTestBed bed_;
    std::vector<DZMPing> pings_;
    DZMPingSender::Sender previousSender_;
};

}  // namespace

TEST_F(NativeMediation, OurNetworksNativeAdReachesTheLoaderWithTheNetworksReports) {
    serveWaterfall();
    auto receiver = std::make_shared<AppInstallReceiver>();
    auto loader = DZAdLoader::create("tikoleap-native-waterfall", {}, {"2"});
    ASSERT_TRUE(loader->setDelegate(receiver));
    loader->loadRequest(requestFor("/mediation"));
    ASSERT_TRUE(supportPageAnswers());
    ASSERT_TRUE(bed_.until([&] { return !receiver->ads.empty() || !receiver->errors.empty(); }));
    bed_.runFor(std::chrono::milliseconds(100));
    ASSERT_EQ(receiver->ads.size(), 1u);
    EXPECT_TRUE(receiver->errors.empty());
    const auto& ad = receiver->ads[0];
    EXPECT_EQ(ad->headline(), "Tiko Leap Deluxe");
    EXPECT_EQ(ad->adNetworkClassName(), DZMAdapterReriveDiDazAds::kClassName);
    EXPECT_EQ(ad->adUnitID(), "tikoleap-native-waterfall");
    EXPECT_EQ(bed_.hitsOf("/native"), 1);

    // The impression reaches the ad's own URL and the waterfall's report once each.
    ad->recordImpression();
    ad->recordImpression();
    ASSERT_TRUE(bed_.until([&] { return bed_.hitsOf("/imp") == 1; }));
    ASSERT_EQ(pings_.size(), 1u);
    EXPECT_NE(pings_[0].defaultTemplate.find("imp"), std::string::npos);

    // Released with the loader, the ad is gone: nothing keeps it alive through its wrapper.
    std::weak_ptr<DZNativeAppInstallAd> weak = ad;
    receiver->ads.clear();
    loader.reset();
    bed_.runFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(weak.expired());
}

TEST_F(NativeMediation, TheAdapterServesOnlyANativeConnectorAndTheTypesItReceives) {
    auto connector = std::make_shared<FakeConnector>();
    auto adapter = std::dynamic_pointer_cast<DZMAdapterReriveDiDazAds>(
        FakeConnector::adapterNamed(DZMAdapterReriveDiDazAds::kClassName, connector));
    ASSERT_TRUE(adapter);
    EXPECT_TRUE(adapter->getNativeAdWithAdTypes({"2"}, {}));
    EXPECT_FALSE(adapter->adLoader());
    ASSERT_EQ(connector->calls().size(), 1u);
    EXPECT_EQ(connector->calls()[0], "fail:com.rerive.ads:11");
    EXPECT_NE(connector->lastError->localizedDescription().find("isn't a valid connector"),
              std::string::npos);

    // A delivered ad on a connector of another kind is a failure, not an ad.
    connector->clear();
    auto receiver = std::make_shared<AppInstallReceiver>();
    auto loader = DZAdLoader::create("unit", {}, {"2"});
    adapter->adLoaderDidReceiveNativeAppInstallAd(*loader, nullptr);
    EXPECT_EQ(connector->calls(), (std::vector<std::string>{"fail:com.rerive.ads:11"}));

    // The image options come back from the dictionary the networks are told.
    DZNativeAdImageAdLoaderOptions given;
    given.disableImageLoading = true;
    given.preferredImageOrientation = DZNativeAdImageAdLoaderOptions::kOrientationLandscape;
    auto back =
        DZNativeAdImageAdLoaderOptions::fromDictionaryRepresentation(given.dictionaryRepresentation());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->dictionaryRepresentation(), given.dictionaryRepresentation());
    EXPECT_FALSE(DZNativeAdImageAdLoaderOptions::fromDictionaryRepresentation({{"other", 1}}));
    EXPECT_EQ(DZNativeAdImageAdLoaderOptions::fromDictionaryRepresentation({{"preferredImageOrientation", 9}})
                  ->preferredImageOrientation,
              DZNativeAdImageAdLoaderOptions::kOrientationAny);
}
