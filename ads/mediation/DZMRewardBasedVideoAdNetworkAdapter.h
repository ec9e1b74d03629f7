#pragma once
// What a reward-based video adapter implements: one other ad network's bridge for full-screen
// videos that earn the user a reward. Unlike banner and interstitial adapters it is set up ahead
// of its first request and then kept from load to load (one per adapter class), so it may be asked
// for an ad many times.
//
// How one is made: registered by name in platform::ClassRegistry with kAdapterKind (see
// dz_registerRewardBasedVideoAdapterClass below, which makes the factory give the
// DZMRewardBasedVideoAdNetworkAdapter the connector casts to). The connector hands the new adapter
// itself with setConnector() before asking anything, then calls setUpWithUserID() once.
//
// What the component relies on: a set-up gets one answer (set up or failed), each request one
// answer (received or failed); a presented ad reports open, start, reward, close (and clicks) as
// they happen; after stopBeingDelegate() the adapter sends nothing more. Answers may come inside
// the call that asked or from any other thread: the connector takes them on the main thread in
// the order sent. The adapter never owns its connector. Its own calls come on the main thread.
#include <memory>
#include <optional>
#include <string>

#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "platform/foundation/ClassRegistry.h"

class DZMRewardBasedVideoAdNetworkConnectorInterface;
namespace platform::ui {
class ViewController;
}  // namespace platform::ui

class DZMRewardBasedVideoAdNetworkAdapter {
  public:
    inline static const std::string kAdapterKind = DZMAdNetworkAdapter::kRewardBasedVideoAdapterKind;

    virtual ~DZMRewardBasedVideoAdNetworkAdapter() = default;

    // Called once, right after creation; the connector is held weakly (it owns the adapter).
    virtual void setConnector(std::weak_ptr<DZMRewardBasedVideoAdNetworkConnectorInterface> connector) {
        connector_ = std::move(connector);
    }
    std::shared_ptr<DZMRewardBasedVideoAdNetworkConnectorInterface> connector() const {
        return connector_.lock();
    }

    // Once per adapter: prepare the network for the app's user (nothing when the app gave none).
    virtual void setUpWithUserID(const std::optional<std::string>& userID) = 0;
    // Load one video; answered with received or failed.
    virtual void requestRewardBasedVideoAd() = 0;
    // Show the received video full screen over the root.
    virtual void presentRewardBasedVideoAdWithRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& rootViewController) = 0;
    // From here on the adapter tells its connector nothing more.
    virtual void stopBeingDelegate() = 0;
    // The adapter's version ("unknown" when it does not say).
    virtual std::string adapterVersion() const = 0;
    // The DZAdNetworkExtras class name the app registers for this network; nothing when the
    // network takes no extras.
    virtual std::optional<std::string> networkExtrasClass() const = 0;

  private:
    std::weak_ptr<DZMRewardBasedVideoAdNetworkConnectorInterface> connector_;
};

// Registers Adapter (default-constructible) under `name` as a reward-based video adapter.
template <class Adapter>
void dz_registerRewardBasedVideoAdapterClass(const std::string& name) {
    platform::ClassRegistry::shared().registerClass(
        name, {DZMRewardBasedVideoAdNetworkAdapter::kAdapterKind}, [] {
            return std::static_pointer_cast<void>(
                std::shared_ptr<DZMRewardBasedVideoAdNetworkAdapter>(std::make_shared<Adapter>()));
        });
}
