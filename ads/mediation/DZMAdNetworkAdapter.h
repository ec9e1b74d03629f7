#pragma once
// What every mediation adapter implements: one other ad network's bridge, asked by its connector
// for a banner or an interstitial (or a native ad), and answering through the connector.
//
// How an adapter is made: adapters are registered by name in platform::ClassRegistry with the
// kinds they answer to (kAdapterKind, and kCurrentAPIKind when they implement this interface as
// it stands). The connector creates one by the network entry's adapter name, casts the
// shared_ptr<void> the factory gave to DZMAdNetworkAdapter only when the name is registered with
// kAdapterKind (the factory must then give a DZMAdNetworkAdapter; a reward-based video adapter,
// which classIsAdapterClass() also takes, is never cast), and hands it its connector with
// setConnector() before asking anything:
//
//     platform::ClassRegistry::shared().registerClass(
//         "MyAdapter", {DZMAdNetworkAdapter::kAdapterKind, DZMAdNetworkAdapter::kCurrentAPIKind},
//         [] { return std::static_pointer_cast<void>(std::make_shared<MyAdapter>()); });
//
// What the component relies on: each request gets one answer (success or failure) through the
// connector, the adapter passing itself; a banner adapter may later deliver further banners, or
// a failure, on refreshes of its own; after stopBeingDelegate() it sends nothing more. An answer
// may come inside the request call or from another thread: the connector copes with both. The
// adapter never owns its connector. Main thread only, apart from those answers.
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdSize.h"
#include "ads/foundation/DZApplication.h"

class DZMAdNetworkConnector;
namespace platform::ui {
class ViewController;
}  // namespace platform::ui

class DZMAdNetworkAdapter {
  public:
    inline static const std::string kAdapterKind = kDZMAdNetworkAdapterKind;
    // Registered with this kind when it implements the current adapter interface.
    inline static const std::string kCurrentAPIKind = "DZMAdNetworkAdapter.currentAPI";
    inline static const std::string kRewardBasedVideoAdapterKind = "DZMRewardBasedVideoAdNetworkAdapter";

    static bool classIsAdapterClass(const std::string& name);
    static bool classImplementsCurrentAdapterAPI(const std::string& name);
    // The names registered as adapters.
    static std::vector<std::string> availableAdapterNamesInSet(const std::vector<std::string>& names);

    virtual ~DZMAdNetworkAdapter() = default;

    // Called once, right after creation; the connector is held weakly (it owns the adapter).
    virtual void setConnector(std::weak_ptr<DZMAdNetworkConnector> connector) {
        connector_ = std::move(connector);
    }
    std::shared_ptr<DZMAdNetworkConnector> connector() const { return connector_.lock(); }

    virtual void getBannerWithSize(DZAdSize size) = 0;
    virtual void getInterstitial() = 0;
    // From here on the adapter tells its connector nothing more.
    virtual void stopBeingDelegate() = 0;
    virtual bool isBannerAnimationOK(int animationType) = 0;
    virtual void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& rootViewController) = 0;
    // The adapter's version ("unknown" when it does not say).
    virtual std::string adapterVersion() const = 0;
    // The DZAdNetworkExtras class name the app registers for this network; nothing when the
    // network takes no extras.
    virtual std::optional<std::string> networkExtrasClass() const = 0;

    // Optional: false when the adapter does not implement it (the default), so the connector can
    // fail the request or the manager answer "not changed".
    virtual bool getNativeAdWithAdTypes(const std::vector<std::string>& /*adTypes*/,
                                        const std::vector<nlohmann::json>& /*options*/) {
        return false;
    }
    virtual bool changeAdSizeTo(DZAdSize /*size*/) { return false; }
    // Optional: true while the request asked of it waits only on deadlines of the component's own
    // clock (its timers), with nothing of it working in real time: no request on the network, no
    // page loading or still to draw, no work on other threads. A run on a clock of its own then
    // lets that clock go on. False, the default, keeps such a clock still until the answer.
    virtual bool waitsOnlyOnClock() const { return false; }

  private:
    std::weak_ptr<DZMAdNetworkConnector> connector_;
};
