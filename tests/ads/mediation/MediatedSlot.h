#pragma once
// A slot whose owner takes mediated responses, fed mediation configurations as pre-fetched ads, on
// the scripted web engine and the virtual clock, with the mediation reports recorded instead of
// sent. Test networks are TikoTestAdapter.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdMediationDelegate.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZMediatedNativeAd.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/mediation/DZMAdManager.h"
#include "ads/mediation/DZMPingSender.h"
#include "ads/mediation/TikoTestAdapter.h"
#include "ads/render/AdViewTestBed.h"

namespace tikoleap::test {

// The public object behind the slot: banner, interstitial or native ad loader.
struct MediationOwner : DZSlotDelegate,
                        DZSlotAdLoadDelegate,
                        DZSlotAdEventDelegate,
                        DZSlotAdResponseDelegate,
                        DZAdMediationDelegate,
                        std::enable_shared_from_this<MediationOwner> {
    void slotDidReceiveAdView(DZSlot&, const std::shared_ptr<platform::ui::View>&) override { ++views; }
    std::optional<std::vector<DZAdSize>> validAdSizes() override { return std::nullopt; }
    int ownerAdType() override { return kind == DZMediationConnectorKind::kInterstitial ? 2 : 1; }
    void slotFinishedLoadingAdContent(DZSlot&) override { events.push_back("finished"); }
    void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) override {
        events.push_back("failed " + std::to_string(error ? error->code() : -1));
    }
    void slotWillPresentScreen(DZSlot&) override { events.push_back("present"); }
    bool slotShouldProcessAdResponse(DZSlot&, const std::shared_ptr<DZAd>&, platform::ErrorRef*) override {
        return true;
    }
    bool slotShouldProcessMediatedAdResponse(DZSlot&, const std::shared_ptr<DZAd>& ad,
                                             platform::ErrorRef*) override {
        ad->setMediationDelegate(shared_from_this());
        return true;
    }
    DZMediationConnectorKind connectorKindForAd(const DZAd&) override { return kind; }
    bool processMediatedAd(const std::shared_ptr<DZAd>&, const std::shared_ptr<DZMediatedNativeAd>& ad,
                           Completion completion) override {
        nativeAds.push_back(ad);
        completion(nullptr);
        return true;
    }

    DZMediationConnectorKind kind = DZMediationConnectorKind::kBanner;
    int views = 0;
    std::vector<std::string> events;
    std::vector<std::shared_ptr<DZMediatedNativeAd>> nativeAds;
};

// A network entry served by TikoTestAdapter in that mode (its ID is the mode).
inline nlohmann::json network(const std::string& mode, nlohmann::json data = nlohmann::json::object()) {
    data["mode"] = mode;
    return {{"id", mode}, {"data", data}, {"adapters", {TikoTestAdapter::kName}}};
}

class MediatedSlotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TikoTestAdapter::registerClass();
        DZMAdManager::registerFormat();
        previousSender_ = DZMPingSender::setSender([this](const DZMPing& ping) { pings_.push_back(ping); });
        slot_ = makeSlot(owner_);
        TikoTestAdapter::requests = 0;
        TikoTestAdapter::deepestNesting = 0;
        TikoTestAdapter::connectors.clear();
    }
    void TearDown() override {
        slot_.reset();
        bed_.runUntilIdle();
        DZMPingSender::setSender(previousSender_);
        EXPECT_EQ(TikoTestAdapter::live, 0);
    }
    void advance(double seconds) { bed_.home().loop().advance(seconds); }

    std::shared_ptr<DZSlot> makeSlot(const std::shared_ptr<MediationOwner>& owner) const {
        auto slot = DZSlot::create({0, 0, 320, 50});
        slot->setSDKCoreController(controller_);
        slot->setSlotDelegate(owner);
        slot->setAdLoadDelegate(owner);
        slot->setAdEventDelegate(owner);
        slot->setAdResponseDelegate(owner);
        slot->setAdUnitID("unit");
        slot->setAdType(owner->kind == DZMediationConnectorKind::kInterstitial
                            ? DZAdType::interstitialAdType()
                            : DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
        return slot;
    }
    // A mediated response with these networks and settings (time-out included) and no ad_type
    // unless given, as the pre-fetched ad of the request.
    static nlohmann::json response(const std::vector<nlohmann::json>& networks, double timeoutMillis = 1500,
                                   const std::string& adType = "banner",
                                   nlohmann::json settings = nlohmann::json::object()) {
        settings["ad_network_timeout_millis"] = timeoutMillis;
        return {{"ad_type", adType},
                {"qdata", "Tiko Leap"},
                {"settings", settings},
                {"ad_networks", nlohmann::json(networks)}};
    }
    void loadInto(DZSlot& slot, const nlohmann::json& config, std::shared_ptr<DZRequest> request = nullptr) {
        if (!request) request = DZRequest::request();
        auto extras = std::make_shared<DZExtras>();
        extras->setAdditionalParameters(
            {{"_ad", {{"ad_html", config.dump()}, {"ad_base_url", "http://127.0.0.1/"}}},
             {"_adHeaders", {{"x-zazo-mediation", "1"}, {"Content-Type", "application/json"}}}});
        request->registerAdNetworkExtras(extras);
        slot.loadRequest(request);
    }
    // Loads a mediated response with these networks into the test's slot.
    void load(const std::vector<nlohmann::json>& networks, double timeoutMillis = 1500,
              const std::string& adType = "banner") {
        loadInto(*slot_, response(networks, timeoutMillis, adType));
        bed_.runUntilIdle();
    }
    static std::shared_ptr<DZMAdManager> managerOf(DZSlot& slot) {
        return std::dynamic_pointer_cast<DZMAdManager>(
            slot.formatForResponseType(kDZAdResponseTypeMediation));
    }
    std::shared_ptr<DZMAdManager> manager() const { return managerOf(*slot_); }
    // Each report as "imp|clk|nofill EXITCODES".
    std::vector<std::string> pingKinds() const {
        std::vector<std::string> kinds;
        for (const auto& ping : pings_) {
            const auto& t = ping.defaultTemplate;
            kinds.push_back(t.substr(t.rfind('/') + 1, t.find('?') - t.rfind('/') - 1) + " " +
                            ping.exitCodes);
        }
        return kinds;
    }

    AdViewTestBed bed_;
    std::shared_ptr<MediationOwner> owner_ = std::make_shared<MediationOwner>();
    std::shared_ptr<DZSDKCoreController> controller_ = DZSDKCoreController::create();
    std::shared_ptr<DZSlot> slot_;
    std::vector<DZMPing> pings_;
    DZMPingSender::Sender previousSender_;
};

}  // namespace tikoleap::test
