#pragma once
// A reward-based video network for the tests, chosen per entry by its credentials:
//   "mode":  "fill" | "nofill" | "never" (no answer to requests) | "fail-setup" | "slow-setup"
//            (the set-up waits for finishSetUp()) | "silent-setup" (no answer to the set-up);
//   "answer": "later" (default: the main queue, as a network's own callback would), "inside"
//            (within the call that asked) or "worker" (from a thread of its own);
//   "reward": the adapter's own reward amount ("none": it reports none).
// Every instance is listed so a test can find it and act as its user would (present, finish).
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ads/core/DZAdReward.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/mediation/DZMRewardBasedVideoAdNetworkAdapter.h"
#include "ads/mediation/DZMRewardBasedVideoAdNetworkConnectorInterface.h"
#include "platform/dispatch/DispatchQueue.h"

namespace tikoleap::test {

class RewardTestAdapter : public DZMRewardBasedVideoAdNetworkAdapter,
                          public std::enable_shared_from_this<RewardTestAdapter> {
  public:
    inline static const std::string kName = "RewardTestAdapter";
    static void registerClass() { dz_registerRewardBasedVideoAdapterClass<RewardTestAdapter>(kName); }

    inline static std::vector<std::weak_ptr<RewardTestAdapter>> made;
    inline static std::atomic<int> setUps{0}, requests{0}, presents{0}, stops{0};
    // The stack addresses its requests ran at (a chain of instant answers must not deepen it).
    inline static std::uintptr_t shallowest = 0, deepest = 0;
    inline static std::vector<std::thread> workers;
    // Worker answers have been posted once this returns.
    static void joinWorkers() {
        for (auto& worker : workers) worker.join();
        workers.clear();
    }
    static void reset() {
        joinWorkers();
        made.clear();
        shallowest = 0;
        deepest = 0;
        setUps = requests = presents = stops = 0;
    }
    static std::shared_ptr<RewardTestAdapter> last() { return made.empty() ? nullptr : made.back().lock(); }

    void setUpWithUserID(const std::optional<std::string>& userID) override {
        ++setUps;
        made.push_back(weak_from_this());
        this->userID = userID;
        const std::string mode = credential("mode");
        if (mode == "silent-setup" || mode == "slow-setup") return;
        if (mode == "fail-setup")
            answer([](auto& c, auto& a) {
                c.adapterDidFailToSetUpRewardBasedVideoAd(
                    a, DZRequestError::errorWithCode(kDZErrorMediationAdapterError));
            });
        else
            finishSetUp();
    }
    void finishSetUp() {
        answer([](auto& c, auto& a) { c.adapterDidSetUpRewardBasedVideoAd(a); });
    }
    void requestRewardBasedVideoAd() override {
        ++requests;
        const int marker = 0;
        const auto at = reinterpret_cast<std::uintptr_t>(&marker);
        if (!deepest || at < deepest) deepest = at;
        if (at > shallowest) shallowest = at;
        asked.push_back(credential("id"));
        const std::string mode = credential("mode");
        if (mode == "never") return;
        if (mode == "nofill")
            answer([](auto& c, auto& a) {
                c.adapterDidFailToLoadRewardBasedVideoAd(a, DZRequestError::errorWithCode(kDZErrorNoFill));
            });
        else
            answer([](auto& c, auto& a) { c.adapterDidReceiveRewardBasedVideoAd(a); });
    }
    void presentRewardBasedVideoAdWithRootViewController(
        const std::shared_ptr<platform::ui::ViewController>&) override {
        ++presents;
        answer([](auto& c, auto& a) {
            c.adapterDidOpenRewardBasedVideoAd(a);
            c.adapterDidStartPlayingRewardBasedVideoAd(a);
        });
    }
    // The video ran to its end; then the user closes it.
    void finishVideo() {
        const std::string amount = credential("reward");
        const std::string type = credential("reward_type");
        auto reward = amount == "none" ? nullptr
                                       : DZAdReward::initWithRewardType(type.empty() ? "gems" : type,
                                                                        amount.empty() ? "5" : amount);
        answer([reward](auto& c, auto& a) { c.adapterDidRewardUser(a, reward); });
    }
    void close() {
        answer([](auto& c, auto& a) { c.adapterDidCloseRewardBasedVideoAd(a); });
    }
    void click() {
        answer([](auto& c, auto& a) {
            c.adapterDidGetAdClick(a);
            c.adapterWillLeaveApplication(a);
        });
    }
    void stopBeingDelegate() override {
        ++stops;
        stopped = true;
    }
    std::string adapterVersion() const override { return "1"; }
    std::optional<std::string> networkExtrasClass() const override { return std::nullopt; }

    std::optional<std::string> userID;
    std::vector<std::string> asked;  // the entry "id" credential of each request
    bool stopped = false;

  private:
    std::string credential(const std::string& key) const {
        auto c = connector();
        if (!c) return "";
        const auto credentials = c->credentials();
        const auto found = credentials.find(key);
        return found != credentials.end() && found->is_string() ? found->template get<std::string>() : "";
    }
    template <class Call>
    void answer(Call call) {
        const std::string how = credential("answer");
        auto run = [weak = weak_from_this(), call] {
            auto self = weak.lock();
            auto c = self ? self->connector() : nullptr;
            if (c) call(*c, static_cast<DZMRewardBasedVideoAdNetworkAdapter&>(*self));
        };
        if (how == "inside") {
            run();
        } else if (how == "worker") {
            workers.emplace_back(run);
        } else {
            platform::DispatchQueue::main()->async(run);
        }
    }
};

}  // namespace tikoleap::test
