#pragma once
// A reward-based video ad on the virtual clock whose responses come from a local server (through
// the request's "_ad" URL, so the core page is never asked), with the mediation pings recorded
// and RewardTestAdapter (under two class names) as every network.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/formats/reward/DZRewardWaterfall.h"
#include "ads/mediation/DZMPingSender.h"
#include "ads/public/DZRewardBasedVideoAd.h"
#include "ads/render/AdViewTestBed.h"
#include "ads/reward/RewardTestAdapter.h"
#include "platform/dispatch/MainThread.h"
#include "support/LoopbackServer.h"

namespace tikoleap::test {

// Each delegate call as one word ("received", "failed 9", "reward coins 10", ...).
struct RewardEvents : DZRewardBasedVideoAdDelegate {
    void rewardBasedVideoAdDidReceiveAd(DZRewardBasedVideoAd&) override { add("received"); }
    void rewardBasedVideoAdDidFailToLoad(DZRewardBasedVideoAd&, const DZRequestError::Ref& error) override {
        add("failed " + std::to_string(error ? error->code() : -1));
        lastError = error;
    }
    void rewardBasedVideoAdDidOpen(DZRewardBasedVideoAd&) override { add("open"); }
    void rewardBasedVideoAdDidStartPlaying(DZRewardBasedVideoAd&) override { add("start"); }
    void rewardBasedVideoAdDidClose(DZRewardBasedVideoAd&) override { add("close"); }
    void rewardBasedVideoAdWillLeaveApplication(DZRewardBasedVideoAd&) override { add("leave"); }
    void rewardBasedVideoAdDidRewardUser(DZRewardBasedVideoAd&,
                                         const std::shared_ptr<const DZAdReward>& r) override {
        add("reward " + r->type() + " " + r->amount());
    }
    void add(const std::string& event) {
        list.push_back(event);
        offMainThread += !platform::isMainThread();
    }
    std::vector<std::string> list;
    int offMainThread = 0;
    DZRequestError::Ref lastError;
};

class RewardTest : public ::testing::Test {
  protected:
    inline static const std::string kOther = "RewardTestAdapterB";

    void SetUp() override {
        RewardTestAdapter::registerClass();
        dz_registerRewardBasedVideoAdapterClass<RewardTestAdapter>(kOther);
        RewardTestAdapter::reset();
        previousSender_ = DZMPingSender::setSender([this](const DZMPing& ping) { pings_.push_back(ping); });
        server_.get("/m", [this](const httplib::Request&, httplib::Response& response) {
            std::lock_guard lock(mutex_);
            response.set_content(body_, "application/json");
            if (mediationHeader_) response.set_header("X-Zazo-Mediation", "1");
        });
        ad_ = makeAd(events_);
    }
    void TearDown() override {
        RewardTestAdapter::joinWorkers();
        bed_.runUntilIdle();
        ad_.reset();
        bed_.runUntilIdle();
        DZMPingSender::setSender(previousSender_);
    }

    std::shared_ptr<DZRewardBasedVideoAd> makeAd(const std::shared_ptr<RewardEvents>& events) {
        auto ad = DZRewardBasedVideoAd::create();
        ad->setSDKCoreController(controller_);
        ad->setDelegate(events);
        return ad;
    }
    // An entry on the test network; its "id" is also a credential, so the adapter can tell
    // which entry asked it.
    static nlohmann::json net(const std::string& id, const std::string& mode, nlohmann::json more = {},
                              const std::string& adapter = RewardTestAdapter::kName) {
        nlohmann::json data = {{"mode", mode}, {"id", id}};
        nlohmann::json entry = {{"id", id}, {"adapters", {adapter}}};
        if (more.is_object()) {
            for (const auto& [key, value] : more.items()) {
                if (key.find("_urls") != std::string::npos || key == "clickurl")
                    entry[key] = value;
                else
                    data[key] = value;
            }
        }
        entry["data"] = data;
        return entry;
    }
    static nlohmann::json response(const std::vector<nlohmann::json>& networks, double timeoutMillis = 1000,
                                   nlohmann::json settings = nlohmann::json::object(),
                                   const std::string& qdata = "q1") {
        settings["ad_network_timeout_millis"] = timeoutMillis;
        return {{"ad_type", "interstitial"},
                {"qdata", qdata},
                {"settings", settings},
                {"ad_networks", nlohmann::json(networks)}};
    }
    void serve(const std::string& body, bool mediation = true) {
        std::lock_guard lock(mutex_);
        body_ = body;
        mediationHeader_ = mediation;
    }
    // Loads what the server serves and turns the loop until the response was taken (or the load
    // ended), and the set-ups asked for have answered.
    // A request for what the server serves.
    std::shared_ptr<DZRequest> servedRequest() const {
        auto request = DZRequest::request();
        auto extras = std::make_shared<DZExtras>();
        extras->setAdditionalParameters({{"_ad", {{"ad_url", server_.url("/m")}}}});
        request->registerAdNetworkExtras(extras);
        return request;
    }
    void loadServed(const std::shared_ptr<DZRewardBasedVideoAd>& ad,
                    const std::optional<std::string>& user = "u1") {
        auto request = servedRequest();
        const auto before = ad->waterfall()->mediationConfig();
        ad->loadRequest(request, "unit", user);
        EXPECT_TRUE(bed_.home().pump().until(
            [&] { return !ad->isLoading() || ad->waterfall()->mediationConfig() != before; }));
        settle();
    }
    void load(const nlohmann::json& body, const std::optional<std::string>& user = "u1") {
        serve(body.dump());
        loadServed(ad_, user);
    }
    // Runs posted work until no worker answer is outstanding (an answer may start another).
    void settle() {
        do {
            RewardTestAdapter::joinWorkers();
            bed_.runUntilIdle();
        } while (!RewardTestAdapter::workers.empty());
    }
    void advance(double seconds) {
        bed_.home().loop().advance(seconds);
        settle();
    }
    // The templates of each ping as one text, with its qdata.
    std::vector<std::string> pingTexts() const {
        std::vector<std::string> texts;
        for (const auto& ping : pings_) {
            std::string text = ping.templates ? ping.templates->dump() : ping.defaultTemplate;
            texts.push_back(text + " " + ping.qdata.value_or("-"));
        }
        return texts;
    }

    AdViewTestBed bed_;
    LoopbackServer server_;
    std::shared_ptr<DZSDKCoreController> controller_ = DZSDKCoreController::create();
    std::shared_ptr<RewardEvents> events_ = std::make_shared<RewardEvents>();
    std::shared_ptr<DZRewardBasedVideoAd> ad_;
    std::vector<DZMPing> pings_;
    DZMPingSender::Sender previousSender_;
    std::mutex mutex_;
    std::string body_;
    bool mediationHeader_ = true;
};

}  // namespace tikoleap::test
