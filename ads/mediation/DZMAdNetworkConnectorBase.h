#pragma once
// The connector between the waterfall and one network's adapter: it makes the adapter by its
// registered name, asks it for an ad of its kind, answers its questions about the request and
// turns its callbacks into the manager's and the slot's events and the mediation pings. One
// subclass per ad kind (banner, interstitial, native) says what each callback means.
//
// Adapters may answer from any thread and inside their own request call: every callback is taken
// on the main thread, in the order made, with the connector (and what it calls) held for the
// call. A throwing adapter fails its network (exit code 2). Once the adapter was told to stop
// being its delegate, or once the manager let go of it, the connector reports nothing more.
#include <memory>
#include <optional>
#include <string>

#include "ads/core/DZAdType.h"
#include "ads/mediation/DZMAdNetworkConnector.h"
#include "ads/mediation/DZMRequestFacts.h"

class DZMConnectorDelegate;
class DZMAdNetworkConfig;
class DZMConfig;
class DZRequest;
class DZSlot;

class DZMAdNetworkConnectorBase : public DZMAnswersFromRequestFacts<DZMAdNetworkConnector>,
                                  public std::enable_shared_from_this<DZMAdNetworkConnectorBase> {
  public:
    // The credential that lets the adapter see the user's location ("1" only).
    inline static const std::string kShareLocationKey = DZMRequestFacts::kShareLocationKey;

    DZMAdNetworkConnectorBase(std::shared_ptr<DZMConfig> config, std::shared_ptr<DZMAdNetworkConfig> network);
    ~DZMAdNetworkConnectorBase() override;
    DZMAdNetworkConnectorBase(const DZMAdNetworkConnectorBase&) = delete;
    DZMAdNetworkConnectorBase& operator=(const DZMAdNetworkConnectorBase&) = delete;

    // Makes the adapter of the network's entry and hands it this connector; false when there is
    // none to make (not registered, not a banner/interstitial/native adapter, a throwing
    // factory): getAdFromAdapterWithType then fails the network (exit code 2).
    bool setUpAdapter();
    // Asks the adapter for an ad of that type; a type this kind cannot serve fails the network.
    void getAdFromAdapterWithType(const DZAdType& type);
    void askAdapterToStopBeingDelegate();
    // The adapter still speaks to this connector and says its request waits only on the
    // component's clock (a throwing adapter says no).
    bool adapterWaitsOnlyOnClock() const;
    // "adapter: NAME, version: VERSION".
    std::string adapterVersion() const;
    // The adapter's registered name.
    const std::string& adapterClassName() const { return adapterClassName_; }

    std::shared_ptr<DZSlot> slot() const;
    std::shared_ptr<DZMConnectorDelegate> adManager() const { return adManager_.lock(); }
    void setAdManager(std::weak_ptr<DZMConnectorDelegate> manager) { adManager_ = std::move(manager); }
    const std::shared_ptr<DZMConfig>& mediationConfig() const { return mediationConfig_; }
    const std::shared_ptr<DZMAdNetworkConfig>& networkConfig() const { return networkConfig_; }
    const std::shared_ptr<DZMAdNetworkAdapter>& adapter() const { return adapter_; }
    bool isLocationShared() const { return isLocationShared_; }
    bool isClicked() const { return clicked_; }
    bool didNetworkRefresh() const { return didNetworkRefresh_; }

    // One click ping per delivered ad; the impression ping carries the waterfall's durations and
    // exit codes. Neither goes out once the manager let go of the connector.
    void reportClick();
    void reportImpression();

    // DZMAdNetworkConnector: questions.
    std::optional<std::string> publisherId() const override;
    nlohmann::json credentials() const override { return strippedCredentials_; }
    std::shared_ptr<DZAdNetworkExtras> networkExtras() const override;
    std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView() const override;
    std::optional<std::string> requestAgent() const override;
    bool isAutoClickProtected() const override;

    // DZMAdNetworkConnector: callbacks (any thread).
    void adapterDidFailAd(DZMAdNetworkAdapter& adapter, platform::ErrorRef error) final;
    void adapterDidReceiveAdView(DZMAdNetworkAdapter& adapter,
                                 std::shared_ptr<platform::ui::View> view) final;
    void adapterDidReceiveInterstitial(DZMAdNetworkAdapter& adapter) final;
    void adapterDidReceiveMediatedNativeAd(DZMAdNetworkAdapter& adapter,
                                           std::shared_ptr<DZMediatedAd> ad) final;
    void adapterDidGetAdClick(DZMAdNetworkAdapter& adapter) final;
    void adapterWillLeaveApplication(DZMAdNetworkAdapter& adapter) final;
    void adapterWillPresentFullScreenModal(DZMAdNetworkAdapter& adapter) final;
    void adapterWillDismissFullScreenModal(DZMAdNetworkAdapter& adapter) final;
    void adapterDidDismissFullScreenModal(DZMAdNetworkAdapter& adapter) final;
    void adapterWillPresentInterstitial(DZMAdNetworkAdapter& adapter) final;
    void adapterWillDismissInterstitial(DZMAdNetworkAdapter& adapter) final;
    void adapterDidDismissInterstitial(DZMAdNetworkAdapter& adapter) final;

  protected:
    enum class Event {
        kFail,
        kAdView,
        kInterstitial,
        kNativeAd,
        kClick,
        kLeaveApplication,
        kWillPresentModal,
        kWillDismissModal,
        kDidDismissModal,
        kWillPresentInterstitial,
        kWillDismissInterstitial,
        kDidDismissInterstitial,
    };
    struct Callback {
        Event event;
        platform::ErrorRef error;
        std::shared_ptr<platform::ui::View> view;
        std::shared_ptr<DZMediatedAd> nativeAd;
    };
    // The kind's request for an ad; the base kind can serve none.
    virtual void requestAd(const DZAdType& type);
    // One callback of the own adapter (native deliveries of any adapter), on the main thread.
    // Clicks report; every other event means nothing unless a kind of connector says so.
    virtual void handle(const Callback& callback);
    // The ad took the user out of the app: the slot hears it and the click is reported.
    void leaveApplicationForClick();
    // Fails the network as if the adapter had (code 11 with that message).
    void failOwnRequest(const std::string& message);
    // Runs an adapter call; a throw fails the network. False when it threw.
    template <typename Call>
    bool callAdapter(const char* what, Call&& call);
    // Tells the slot, when there still is one, of a full-screen or leave event.
    void postNotification(const char* name) const;
    std::shared_ptr<DZRequest> slotRequest() const;
    DZMRequestFacts facts() const override;

    bool clicked_ = false;
    bool didNetworkRefresh_ = false;

  private:
    void deliver(DZMAdNetworkAdapter& adapter, Callback callback);
    void take(const DZMAdNetworkAdapter* adapter, const Callback& callback);

    std::shared_ptr<DZMConfig> mediationConfig_;
    std::shared_ptr<DZMAdNetworkConfig> networkConfig_;
    std::string adapterClassName_;
    bool isLocationShared_ = false;
    nlohmann::json strippedCredentials_ = nlohmann::json::object();
    std::shared_ptr<DZMAdNetworkAdapter> adapter_;
    std::weak_ptr<DZMConnectorDelegate> adManager_;
    bool stopped_ = false;
};

template <typename Call>
bool DZMAdNetworkConnectorBase::callAdapter(const char* what, Call&& call) {
    try {
        call();
        return true;
    } catch (...) {
        failOwnRequest(std::string("Adapter ") + adapterClassName_ + " failed in " + what + ".");
        return false;
    }
}
