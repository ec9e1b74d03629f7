#pragma once
// The public full-screen ad: a one-shot object that the app makes with an ad unit, loads once,
// asks whether it is ready and presents once from a view controller. It owns one slot of the
// interstitial type that never refreshes, and the controller that shows the slot's ad view over
// the whole window; slot events reach its delegate on the main thread. Once presented it refuses
// to load or present again. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdMediationDelegate.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZRequestError.h"

class DZInterstitial;
class DZInterstitialViewController;
class DZRequest;
namespace platform::ui {
class ViewController;
}

// What the app hears of its interstitial; every call is optional. The click comes at once, on
// the calling thread; the others through the main loop.
class DZInterstitialDelegate {
  public:
    virtual ~DZInterstitialDelegate() = default;
    virtual void interstitialDidReceiveAd(DZInterstitial&) {}
    virtual void interstitialDidFailToReceiveAd(DZInterstitial&, const DZRequestError::Ref&) {}
    virtual void interstitialWillPresentScreen(DZInterstitial&) {}
    virtual void interstitialWillDismissScreen(DZInterstitial&) {}
    virtual void interstitialDidDismissScreen(DZInterstitial&) {}
    virtual void interstitialWillLeaveApplication(DZInterstitial&) {}
    virtual void interstitialDidReceiveAdClick(DZInterstitial&) {}
};

class DZInterstitial : public DZSlotDelegate,
                       public DZSlotAdLoadDelegate,
                       public DZSlotAdEventDelegate,
                       public DZSlotAdResponseDelegate,
                       public DZAdMediationDelegate,
                       public std::enable_shared_from_this<DZInterstitial> {
  public:
    static std::shared_ptr<DZInterstitial> create(const std::optional<std::string>& adUnitID = std::nullopt);
    ~DZInterstitial() override;
    DZInterstitial(const DZInterstitial&) = delete;
    DZInterstitial& operator=(const DZInterstitial&) = delete;
    virtual const char* className() const { return "DZInterstitial"; }
    std::string description() const;

    const std::string& adUnitID() const;
    void setAdUnitID(const std::string& adUnitID);
    void setDelegate(std::weak_ptr<DZInterstitialDelegate> delegate) { delegate_ = std::move(delegate); }
    // Takes the purchases this object's ads offer; held weakly. Without one (and without the
    // default purchase flow) an offered purchase is only logged.
    void setInAppPurchaseDelegate(std::weak_ptr<DZInAppPurchaseDelegate> delegate) {
        inAppPurchaseDelegate_ = std::move(delegate);
    }
    std::shared_ptr<DZInterstitialDelegate> delegate() const { return delegate_.lock(); }
    const std::shared_ptr<DZSlot>& slot() const { return slot_; }
    // Held until the ad is presented or dismissed.
    const std::shared_ptr<DZInterstitialViewController>& viewController() const { return viewController_; }

    void loadRequest(const std::shared_ptr<DZRequest>& request);
    bool isReady() const;
    bool hasBeenUsed() const { return hasBeenUsed_; }
    void setHasBeenUsed(bool used) { hasBeenUsed_ = used; }
    virtual void presentFromRootViewController(const std::shared_ptr<platform::ui::ViewController>& root);
    // The interstitial is finished: nothing it started reports any more.
    void cancel();

    // DZSlotDelegate
    std::optional<bool> slotShouldLoadRequest(DZSlot&, const DZRequest&) override;
    std::optional<bool> slotShouldReloadCurrentRequest(DZSlot&) override { return false; }
    void slotDidReceiveAdClick(DZSlot&) override;
    std::optional<nlohmann::json> coordinatesOfContentInScreen() override;
    int ownerAdType() override { return 2; }
    std::shared_ptr<DZInAppPurchaseDelegate> inAppPurchaseDelegate() override {
        return inAppPurchaseDelegate_.lock();
    }
    // DZSlotAdLoadDelegate
    void slotFinishedLoadingAdContent(DZSlot&) override;
    void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) override;
    // DZSlotAdEventDelegate
    void slotWillPresentScreen(DZSlot&) override;
    void slotWillDismissScreen(DZSlot&) override;
    void slotDidDismissScreen(DZSlot&) override;
    void slotWillLeaveApplication(DZSlot&) override;
    // DZSlotAdResponseDelegate: an ad whose orientations the app cannot show fails with code 13.
    bool slotShouldProcessAdResponse(DZSlot&, const std::shared_ptr<DZAd>& ad,
                                     platform::ErrorRef* error) override;
    bool slotShouldProcessMediatedAdResponse(DZSlot&, const std::shared_ptr<DZAd>& ad,
                                             platform::ErrorRef* error) override;
    // DZAdMediationDelegate
    DZMediationConnectorKind connectorKindForAd(const DZAd& ad) override;

    DZInterstitial();  // use create()

  protected:
    void commonInit(const std::optional<std::string>& adUnitID);

  private:
    // Through the slot's failure funnel, so that pending work stops and the delegate hears it.
    void sendInterstitialError(const DZRequestError::Ref& error);
    bool adViewSupportsAdOrientations() const;
    DZRequestError::Ref errorForSlotRequest(int32_t code) const;
    template <class Call>
    void tellDelegate(Call call);

    std::shared_ptr<DZSlot> slot_;
    std::shared_ptr<DZInterstitialViewController> viewController_;
    std::weak_ptr<DZInterstitialDelegate> delegate_;
    std::weak_ptr<DZInAppPurchaseDelegate> inAppPurchaseDelegate_;
    bool hasBeenUsed_ = false;
    DZRequestError::Ref alreadyUsedError_;
};
