#pragma once
// What a mediation adapter may ask and tell its connector: the facts of the request it serves
// (credentials, targeting, test mode, the app's extras for its network) and its answers. The
// connector of each ad kind (banner, interstitial, native) implements it.
//
// The adapter passes itself with every callback; callbacks of an adapter that is not the
// connector's own are ignored (but for a native delivery). Callbacks may come from any thread
// and inside the adapter's own request call: the connector takes them on the main thread, in the
// order they were made. After the adapter was told stopBeingDelegate() its callbacks are ignored.
#include <memory>

#include "ads/mediation/DZMRequestQuestions.h"
#include "platform/foundation/Error.h"

class DZMAdNetworkAdapter;
class DZMediatedAd;
namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

class DZMAdNetworkConnector : public DZMRequestQuestions {
  public:
    // --- What the adapter asks (main thread), beyond the request's facts ---
    virtual std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView() const = 0;
    virtual std::optional<std::string> requestAgent() const = 0;
    // Clicks must come from the user: the slot's opener refuses others while this is true.
    virtual bool isAutoClickProtected() const = 0;

    // --- What the adapter tells (any thread) ---
    // A failure of domain "com.rerive.ads" and code 1 is a no fill; any other is an error.
    virtual void adapterDidFailAd(DZMAdNetworkAdapter& adapter, platform::ErrorRef error) = 0;
    virtual void adapterDidReceiveAdView(DZMAdNetworkAdapter& adapter,
                                         std::shared_ptr<platform::ui::View> view) = 0;
    virtual void adapterDidReceiveInterstitial(DZMAdNetworkAdapter& adapter) = 0;
    virtual void adapterDidReceiveMediatedNativeAd(DZMAdNetworkAdapter& adapter,
                                                   std::shared_ptr<DZMediatedAd> ad) = 0;
    virtual void adapterDidGetAdClick(DZMAdNetworkAdapter& adapter) = 0;
    virtual void adapterWillLeaveApplication(DZMAdNetworkAdapter& adapter) = 0;
    virtual void adapterWillPresentFullScreenModal(DZMAdNetworkAdapter& adapter) = 0;
    virtual void adapterWillDismissFullScreenModal(DZMAdNetworkAdapter& adapter) = 0;
    virtual void adapterDidDismissFullScreenModal(DZMAdNetworkAdapter& adapter) = 0;
    virtual void adapterWillPresentInterstitial(DZMAdNetworkAdapter& adapter) = 0;
    virtual void adapterWillDismissInterstitial(DZMAdNetworkAdapter& adapter) = 0;
    virtual void adapterDidDismissInterstitial(DZMAdNetworkAdapter& adapter) = 0;
    // Other networks' names for the calls above.
    void adapterClickDidOccurInBanner(DZMAdNetworkAdapter& adapter) { adapterDidGetAdClick(adapter); }
    void adapterDidFailInterstitial(DZMAdNetworkAdapter& adapter, platform::ErrorRef error) {
        adapterDidFailAd(adapter, std::move(error));
    }
};
