#pragma once
// A test network: its credentials choose how it answers. "mode": "fill", "nofill", "error",
// "silence", "late" (fills after "delay" seconds), "double" (fills twice), "refreshfail" (fills,
// then fails after "delay" seconds), "worker" (fills from another thread). "sync": "1" answers
// inside the request call, else from the main queue. "kind": "interstitial" or "native" fills
// with that kind; "extras_class" names the network extras it asks for. Registered by the tests
// that use it; every connector it was handed is remembered weakly, so tests can count what lives.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ads/core/DZMediatedNativeAd.h"
#include "ads/core/DZRequest.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/foundation/DZWeakTargetAdditions.h"
#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "ads/mediation/DZMAdNetworkConnector.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainLoopTimer.h"
#include "platform/foundation/ClassRegistry.h"
#include "platform/ui/View.h"

namespace tikoleap::test {

class TikoTestAdapter : public DZMAdNetworkAdapter, public std::enable_shared_from_this<TikoTestAdapter> {
  public:
    inline static const std::string kName = "TikoTestAdapter";
    inline static std::atomic<int> live{0};
    inline static std::atomic<int> requests{0};
    // How many requests were under way inside one another at the most.
    inline static int deepestNesting = 0;
    // The banner size asked for last.
    inline static DZAdSize lastSize{};
    inline static std::vector<std::weak_ptr<DZMAdNetworkConnector>> connectors;

    static int liveConnectors() {
        int count = 0;
        for (const auto& connector : connectors) count += !connector.expired();
        return count;
    }

    static void registerClass() {
        platform::ClassRegistry::shared().registerClass(kName, {kAdapterKind, kCurrentAPIKind}, [] {
            return std::static_pointer_cast<void>(std::make_shared<TikoTestAdapter>());
        });
    }

    TikoTestAdapter() { ++live; }
    ~TikoTestAdapter() override {
        // The worker may hold the last reference to the connector, and so end this adapter itself.
        if (worker_.joinable()) {
            if (worker_.get_id() == std::this_thread::get_id())
                worker_.detach();
            else
                worker_.join();
        }
        --live;
    }

    void setConnector(std::weak_ptr<DZMAdNetworkConnector> connector) override {
        connectors.push_back(connector);
        DZMAdNetworkAdapter::setConnector(std::move(connector));
    }
    void getBannerWithSize(DZAdSize size) override {
        lastSize = size;
        nested();
    }
    void getInterstitial() override { nested(); }
    bool getNativeAdWithAdTypes(const std::vector<std::string>&,
                                const std::vector<nlohmann::json>&) override {
        nested();
        return true;
    }
    void stopBeingDelegate() override { stopped_ = true; }
    bool isBannerAnimationOK(int) override { return true; }
    void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>&) override {
        ++presented;
    }
    std::string adapterVersion() const override { return "1"; }
    std::optional<std::string> networkExtrasClass() const override {
        const auto name = credential("extras_class");
        return name.empty() ? std::nullopt : std::optional<std::string>(name);
    }

    int presented = 0;

  private:
    std::string credential(const char* key) const {
        auto c = connector();
        auto data = c ? c->credentials() : nlohmann::json();
        auto it = data.find(key);
        return it != data.end() && it->is_string() ? it->get<std::string>() : std::string();
    }
    double delay() const {
        const auto text = credential("delay");
        return text.empty() ? 1.0 : std::stod(text);
    }
    void fill() {
        auto c = connector();
        if (!c || stopped_) return;
        if (kind_ == "interstitial")
            c->adapterDidReceiveInterstitial(*this);
        else if (kind_ == "native")
            c->adapterDidReceiveMediatedNativeAd(*this, std::make_shared<DZMediatedAd>());
        else
            c->adapterDidReceiveAdView(*this, std::make_shared<platform::ui::View>());
    }
    void fail(int code) {
        auto c = connector();
        if (!c || stopped_) return;
        c->adapterDidFailAd(*this, DZRequestError::errorWithCode(code));
    }
    void later(double seconds, std::function<void(TikoTestAdapter&)> step) {
        timers_.push_back(dz_scheduledTimerWithTimeInterval(
            seconds, false, 0, [weak = weak_from_this(), step](platform::MainLoopTimer&) {
                if (auto self = weak.lock()) step(*self);
            }));
    }
    void nested() {
        static int depth = 0;
        deepestNesting = std::max(deepestNesting, ++depth);
        answer();
        --depth;
    }
    void answer() {
        ++requests;
        auto c = connector();
        const std::string mode = credential("mode");
        kind_ = credential("kind");
        std::function<void(TikoTestAdapter&)> step;
        if (mode == "fill")
            step = [](TikoTestAdapter& a) { a.fill(); };
        else if (mode == "nofill")
            step = [](TikoTestAdapter& a) { a.fail(kDZErrorNoFill); };
        else if (mode == "error")
            step = [](TikoTestAdapter& a) { a.fail(kDZErrorNetworkError); };
        else if (mode == "double")
            step = [](TikoTestAdapter& a) {
                a.fill();
                a.fill();
            };
        else if (mode == "late")
            return later(delay(), [](TikoTestAdapter& a) { a.ignoreStop(); });
        else if (mode == "refreshfail") {
            step = [](TikoTestAdapter& a) {
                a.fill();
                a.later(a.delay(), [](TikoTestAdapter& b) { b.fail(kDZErrorNetworkError); });
            };
        } else if (mode == "worker") {
            worker_ = std::thread([this, weak = std::weak_ptr<DZMAdNetworkConnector>(c)] {
                if (auto target = weak.lock()) {
                    target->adapterWillPresentFullScreenModal(*this);
                    target->adapterDidReceiveAdView(*this, nullptr);
                }
            });
            return;
        } else {
            return;  // silence
        }
        if (credential("sync") == "1") {
            step(*this);
        } else {
            platform::DispatchQueue::main()->async([weak = weak_from_this(), step] {
                if (auto self = weak.lock()) step(*self);
            });
        }
    }
    // A network that keeps answering after it was told to stop.
    void ignoreStop() {
        const bool stopped = std::exchange(stopped_, false);
        fill();
        stopped_ = stopped;
    }

    bool stopped_ = false;
    std::string kind_;
    std::thread worker_;
    std::vector<std::shared_ptr<platform::MainLoopTimer>> timers_;
};

}  // namespace tikoleap::test
