#pragma once
// The connector between the reward-based video waterfall and one adapter class. It is kept from
// load to load (one per adapter class), so the adapter is made and set up once; each request gives
// it the network entry and the configuration it is asked for, which the adapter's questions and
// the network's pings then use. Showing an ad fixes the entry, configuration and link to the shown
// ad until the video closes, so a load begun meanwhile changes none of them.
//
// Every adapter callback, also one made inside the adapter's own call or from another thread, is
// posted to the main queue and taken from there in the order made: a chain of instant answers
// never deepens the stack, and the connector never goes away under its adapter's call. Set-up
// failures of its own travel the same way. Once the adapter was told to stop being its delegate
// the connector reports nothing more.
#include <memory>
#include <optional>
#include <string>

#include "ads/mediation/DZMRewardBasedVideoAdNetworkConnectorInterface.h"

class DZMAdNetworkConfig;
class DZMConfig;
class DZMRewardBasedVideoAdConnectorDelegate;
class DZMRewardBasedVideoAdNetworkAdapter;
class DZMRequestFacts;
class DZRequest;
namespace platform::ui {
class ViewController;
}  // namespace platform::ui

class DZMRewardBasedVideoAdNetworkConnector
    : public DZMAnswersFromRequestFacts<DZMRewardBasedVideoAdNetworkConnectorInterface>,
      public std::enable_shared_from_this<DZMRewardBasedVideoAdNetworkConnector> {
  public:
    static std::shared_ptr<DZMRewardBasedVideoAdNetworkConnector> create();
    ~DZMRewardBasedVideoAdNetworkConnector() override;
    DZMRewardBasedVideoAdNetworkConnector(const DZMRewardBasedVideoAdNetworkConnector&) = delete;
    DZMRewardBasedVideoAdNetworkConnector& operator=(const DZMRewardBasedVideoAdNetworkConnector&) = delete;

    // The entry of the request at hand. The first fixes the adapter class; an entry of another
    // class is refused (false) and changes nothing.
    bool setAdNetworkConfig(std::shared_ptr<DZMAdNetworkConfig> network);
    void setMediationConfig(std::shared_ptr<DZMConfig> config) { mediationConfig_ = std::move(config); }
    void setDelegate(std::weak_ptr<DZMRewardBasedVideoAdConnectorDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    // Kept as a copy.
    void setRequest(const std::shared_ptr<DZRequest>& request);

    // Makes the adapter (once) and sets it up; a failure reaches the delegate as a set-up failure
    // (code 7 without an entry, 8 without a reward adapter class), through the main queue.
    void setUpAdapterWithUserID(const std::optional<std::string>& userID);
    void requestRewardBasedVideoAd();
    // Shows the received ad: pings the network's impression URLs, links the shown ad (whose
    // events go there until the close) and asks the adapter to present.
    void presentRewardBasedVideoAdFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& root,
        std::weak_ptr<DZMRewardBasedVideoAdConnectorDelegate> shownAd);
    void askAdapterToStopBeingDelegate();

    const std::string& adapterClassName() const { return adapterClassName_; }
    const std::shared_ptr<DZMRewardBasedVideoAdNetworkAdapter>& adapter() const { return adapter_; }
    const std::shared_ptr<DZMAdNetworkConfig>& adNetworkConfig() const { return adNetworkConfig_; }
    const std::shared_ptr<DZMConfig>& mediationConfig() const { return mediationConfig_; }
    // While shown: the entry and configuration the ad was shown with; otherwise the current ones.
    const std::shared_ptr<DZMAdNetworkConfig>& eventNetworkConfig() const;
    const std::shared_ptr<DZMConfig>& eventMediationConfig() const;
    bool isShown() const { return !shownAd_.expired(); }
    bool isLocationShared() const { return isLocationShared_; }

    // DZMRewardBasedVideoAdNetworkConnectorInterface: questions.
    std::optional<std::string> publisherId() const override;
    nlohmann::json credentials() const override { return networkData_; }
    std::shared_ptr<DZAdNetworkExtras> networkExtras() const override;

    // DZMRewardBasedVideoAdNetworkConnectorInterface: callbacks (any thread).
    void adapterDidSetUpRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter) override;
    void adapterDidFailToSetUpRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter,
                                                 platform::ErrorRef error) override;
    void adapterDidGetAdClick(DZMRewardBasedVideoAdNetworkAdapter& adapter) override;
    void adapterDidReceiveRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter) override;
    void adapterDidOpenRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter) override;
    void adapterDidStartPlayingRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter) override;
    void adapterDidCloseRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter) override;
    void adapterDidRewardUser(DZMRewardBasedVideoAdNetworkAdapter& adapter,
                              std::shared_ptr<const DZAdReward> reward) override;
    void adapterWillLeaveApplication(DZMRewardBasedVideoAdNetworkAdapter& adapter) override;
    void adapterDidFailToLoadRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter& adapter,
                                                platform::ErrorRef error) override;

    DZMRewardBasedVideoAdNetworkConnector() = default;  // use create()

  private:
    enum class Event {
        kSetUp,
        kSetUpFailed,
        kClick,
        kReceived,
        kOpen,
        kStart,
        kClose,
        kReward,
        kLeave,
        kFailed
    };
    struct Callback {
        Event event;
        platform::ErrorRef error;
        std::shared_ptr<const DZAdReward> reward;
    };
    // Posts the callback; `sender` is only compared, never followed.
    void deliver(const void* sender, Callback callback);
    void take(const void* sender, const Callback& callback);
    DZMRequestFacts facts() const override;
    // One of the network's ping lists, filled with the event configuration's qdata; nothing
    // without a list unless a default template is given.
    void pingNetwork(const std::optional<std::vector<std::string>>& templates,
                     const std::string& defaultTemplate) const;

    std::shared_ptr<DZMRewardBasedVideoAdNetworkAdapter> adapter_;
    std::string adapterClassName_;
    nlohmann::json networkData_ = nlohmann::json::object();
    bool isLocationShared_ = false;
    std::shared_ptr<DZMConfig> mediationConfig_;
    std::shared_ptr<DZMAdNetworkConfig> adNetworkConfig_;
    std::shared_ptr<DZMConfig> shownMediationConfig_;
    std::shared_ptr<DZMAdNetworkConfig> shownNetworkConfig_;
    std::weak_ptr<DZMRewardBasedVideoAdConnectorDelegate> delegate_;
    std::weak_ptr<DZMRewardBasedVideoAdConnectorDelegate> shownAd_;
    std::shared_ptr<DZRequest> request_;
    bool stopped_ = false;
    // From present to close. An adapter's report of a showing counts once in it (a network that
    // repeats itself must not reward, or ping, again and again); none counts outside one.
    bool showing_ = false;
    unsigned showingEvents_ = 0;
};
