#pragma once
// The waterfall: the slot's format for mediated responses, one per slot (the slot keeps it while
// it lives). It turns the response into a configuration and asks the networks listed there one
// after another, each through a connector of the kind the ad's mediation delegate names, each
// with the configuration's time-out. The first network that delivers wins; when all failed or
// timed out, or the whole waterfall has run kMaxWaterfallSeconds (the network being asked then
// times out), a no-fill report goes out and the slot fails with code 9 (8 when the owner takes
// no mediation). Every network tried leaves an exit code (0 delivered, 1 no fill, 2 error, 3
// time-out, 4 no usable adapter) and a duration in the slot's statistics. A slot an adapter
// loads for its network runs no waterfall: a mediated response fails it with code 1 (no fill).
//
// Networks that answer inside their request call, or fail at once by the thousand, are taken
// one after another by a loop, never by nesting the next request in the last answer. Answers of
// connectors that are neither asked nor shown are dropped without touching the running time-out;
// a delivered interstitial's or native ad's late failure is ignored. After cancel() or the
// slot's end nothing reaches the slot.
//
// The slot's load counts as under way (DZSlotLoads) except while the network being asked says
// its request waits only on the component's clock (an HTML network's page loaded and drawn,
// awaiting its draw checks or its time-out): then all the waterfall waits for is that clock's
// deadlines. Asking the next network is real work again, and the waterfall says so. Main thread
// only.
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "ads/core/DZAdType.h"
#include "ads/core/slot/DZSlotFormat.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/mediation/DZMConnectorDelegate.h"
#include "platform/foundation/Error.h"

class DZMAdNetworkConfig;
class DZMAdNetworkConnectorBase;
class DZMConfig;
class DZMediatedNativeAd;
namespace platform {
class MainLoopTimer;
namespace ui {
class View;
}  // namespace ui
}  // namespace platform

class DZMAdManager : public DZSlotFormat,
                     public DZMConnectorDelegate,
                     public std::enable_shared_from_this<DZMAdManager> {
  public:
    // Puts the waterfall in the slot's registry for mediated responses; again is harmless.
    static void registerFormat();

    // However many networks a configuration lists and however long each may take, a waterfall
    // ends without an ad after this long.
    static constexpr double kMaxWaterfallSeconds = 120;

    DZMAdManager() = default;
    ~DZMAdManager() override;

    // DZSlotFormat: the slot's handling of a mediated response.
    void processResponse(DZSlot& slot, const std::shared_ptr<DZAd>& ad) override;
    void cancel() override;
    bool changeAdTypeTo(const DZAdType& type) override;
    std::optional<std::string> adNetworkClassName() const override;
    void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& rootViewController) override;

    std::shared_ptr<DZSlot> slot() const override { return slot_.lock(); }
    void setSlot(std::weak_ptr<DZSlot> slot) { slot_ = std::move(slot); }
    // The last configuration handed to the waterfall.
    const std::shared_ptr<DZMConfig>& mediationConfiguration() const { return mediationConfiguration_; }
    void requestAdWithTypeMediationConfig(const DZAdType& type, std::shared_ptr<DZMConfig> config);
    // Fails the slot (code 10) when the type asked for and the configuration's disagree.
    bool hasConsistentMediationConfigForAdType(const DZAdType& type);
    // Starts the waterfall; while a network is being asked, only replaces the type and the
    // configuration (the running queue goes on to its end).
    void mediateForAdType(const DZAdType& type, std::shared_ptr<DZMConfig> config);

    // From the connectors; true when the answer was taken.
    bool adRequestReturnsFromConnectorWithView(DZMAdNetworkConnectorBase& connector,
                                               const std::shared_ptr<platform::ui::View>& view) override;
    bool adRequestReturnsFromConnectorWithInterstitial(DZMAdNetworkConnectorBase& connector) override;
    bool adRequestReturnsFromConnectorWithMediatedAd(DZMAdNetworkConnectorBase& connector,
                                                     const std::shared_ptr<DZMediatedNativeAd>& ad) override;
    void adRequestFailedFromConnectorWithError(DZMAdNetworkConnectorBase& connector,
                                               platform::ErrorRef error) override;

    // Drops every re-posted request and the running time-out.
    void cancelPendingActions();

    const std::shared_ptr<DZMConfig>& config() const { return config_; }
    const DZAdType& adType() const { return adType_; }
    const std::shared_ptr<DZMAdNetworkConnectorBase>& requestingConnector() const {
        return requestingConnector_;
    }
    const std::shared_ptr<DZMAdNetworkConnectorBase>& receivedConnector() const { return receivedConnector_; }
    bool requestInProgress() const { return requestInProgress_; }
    bool isTimingOut() const { return adNetworkTimeoutTimer_ != nullptr; }
    // A network is being asked, and all its request waits for is the component's clock.
    bool waitsOnlyOnClock() const;

  private:
    void resetRequestingState();
    void makeAdRequest();
    void askNextNetwork();
    std::shared_ptr<DZMAdNetworkConfig> dequeueAdNetworkConfig();
    void reportNoFill();
    void notifyDelegateOfFailureToReceive(int32_t code, const std::optional<std::string>& message);
    void adNetworkTimeoutHandler(platform::MainLoopTimer& fired);
    void waterfallTimeoutHandler(platform::MainLoopTimer& fired);
    // The network being asked is given up on (exit code 3) and the next one asked.
    void timeOutAskedNetwork();
    // The waterfall has ended, with an ad or without.
    void stopWaterfallTimer();
    bool shouldProcessResponseFromConnector(const DZMAdNetworkConnectorBase& connector);
    void updateAdapterTimingsForError(const platform::ErrorRef& error);
    void endTimingAdapter(long exitCode);
    // The connector reports to nobody any more.
    static void detach(const std::shared_ptr<DZMAdNetworkConnectorBase>& connector);

    std::weak_ptr<DZSlot> slot_;
    std::shared_ptr<DZMConfig> mediationConfiguration_;
    std::shared_ptr<DZMConfig> config_;
    DZAdType adType_ = DZAdType::bannerAdTypeForSize(kDZAdSizeInvalid);
    std::shared_ptr<DZMAdNetworkConnectorBase> requestingConnector_;
    std::shared_ptr<DZMAdNetworkConnectorBase> receivedConnector_;
    std::deque<std::shared_ptr<DZMAdNetworkConfig>> adNetworkConfigQueue_;
    std::shared_ptr<platform::MainLoopTimer> adNetworkTimeoutTimer_;
    std::shared_ptr<platform::MainLoopTimer> waterfallTimer_;
    // Read when a request is re-posted from another thread.
    std::atomic<int32_t> pendingActionGroup_{0};
    bool requestInProgress_ = false;
    // The loop that asks the networks in turn: an answer inside a request asks for another
    // round instead of nesting one.
    bool askingNetworks_ = false;
    bool askAgain_ = false;
};
