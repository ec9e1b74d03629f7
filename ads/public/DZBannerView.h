#pragma once
// The public banner: a view that the app makes with an ad size, gives an ad unit, a root view
// controller and a delegate, puts on screen and asks to load. It owns one reloadable slot and is
// all of that slot's delegates; it shows the slot's ad view (or what the slot hands over) as its
// one ad subview, sizes itself from its ad size, refreshes only while it and every view above it
// up to a window are shown, and turns slot events into its delegate's calls on the main thread.
// Main thread only.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdMediationDelegate.h"
#include "ads/core/DZAdSize.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZRequestError.h"
#include "platform/ui/View.h"

class DZBannerView;
class DZAdView;
class DZCorrelator;
class DZRequest;

// What the app hears of its banner; every call is optional.
class DZBannerViewDelegate {
  public:
    virtual ~DZBannerViewDelegate() = default;
    virtual void adViewDidReceiveAd(DZBannerView&) {}
    virtual void adViewDidFailToReceiveAd(DZBannerView&, const DZRequestError::Ref&) {}
    virtual void adViewWillPresentScreen(DZBannerView&) {}
    virtual void adViewWillDismissScreen(DZBannerView&) {}
    virtual void adViewDidDismissScreen(DZBannerView&) {}
    virtual void adViewWillLeaveApplication(DZBannerView&) {}
};

class DZBannerView : public platform::ui::View,
                     public DZSlotDelegate,
                     public DZSlotAdLoadDelegate,
                     public DZSlotAdEventDelegate,
                     public DZSlotAdResponseDelegate,
                     public DZSlotAdKeyDelegate,
                     public DZAdMediationDelegate {
  public:
    inline static const std::string kParentViewCountKey = "/rerive/ads/ad_key_parent_view_count";
    static constexpr int kDefaultParentViewCount = 20;

    // Null (with the log line "Unable to set adSize property. ...") when the size is not valid.
    static std::shared_ptr<DZBannerView> create(DZAdSize adSize);
    static std::shared_ptr<DZBannerView> create(DZAdSize adSize, platform::Point origin);
    static std::shared_ptr<DZBannerView> create(platform::Rect frame, DZAdSize adSize);
    static std::shared_ptr<DZBannerView> create(platform::Rect frame = {});
    ~DZBannerView() override;
    const char* className() const override { return "DZBannerView"; }

    void loadRequest(const std::shared_ptr<DZRequest>& request);
    const std::string& adUnitID() const;
    void setAdUnitID(const std::string& adUnitID);
    std::shared_ptr<platform::ui::ViewController> rootViewControllerOfBanner() const { return root_.lock(); }
    void setRootViewController(const std::shared_ptr<platform::ui::ViewController>& controller);
    void setDelegate(std::weak_ptr<DZBannerViewDelegate> delegate) { delegate_ = std::move(delegate); }
    // Takes the purchases this object's ads offer; held weakly. Without one (and without the
    // default purchase flow) an offered purchase is only logged.
    void setInAppPurchaseDelegate(std::weak_ptr<DZInAppPurchaseDelegate> delegate) {
        inAppPurchaseDelegate_ = std::move(delegate);
    }
    std::shared_ptr<DZBannerViewDelegate> delegate() const { return delegate_.lock(); }
    bool isAutoloadEnabled() const { return autoloadEnabled_; }
    void setAutoloadEnabled(bool enabled);
    bool hasLoadedAd() const { return hasLoadedAd_; }
    bool hasAutoRefreshed() const;
    // The slot's own ad view, and the one subview shown (the ad view or a mediated network's).
    std::shared_ptr<DZAdView> adView() const;
    const std::shared_ptr<platform::ui::View>& rootAdView() const { return rootAdView_; }
    void setRootAdView(const std::shared_ptr<platform::ui::View>& view);
    const std::shared_ptr<DZSlot>& slot() const { return slot_; }

    DZAdSize adSize() const;
    void setAdSize(DZAdSize size);
    void setAdSizeAndReload(DZAdSize size, bool reload) override;
    platform::Size intrinsicContentSize() const;

    // platform::ui::View: the banner follows its frame and bounds with its ad size; it is either
    // fully visible or invisible.
    void setFrame(const platform::Rect& frame) override;
    void setBounds(const platform::Rect& bounds) override;
    void setAlpha(float alpha) override;
    void didMoveToWindow() override;

    // DZSlotDelegate
    std::optional<bool> slotShouldLoadRequest(DZSlot&, const DZRequest&) override;
    std::optional<bool> slotShouldReloadCurrentRequest(DZSlot&) override;
    std::optional<platform::Rect> frame() override;
    std::optional<platform::Rect> frameInInterface() override;
    std::optional<platform::Rect> bounds() override;
    std::optional<nlohmann::json> coordinatesOfContentInScreen() override;
    std::shared_ptr<DZInAppPurchaseDelegate> inAppPurchaseDelegate() override {
        return inAppPurchaseDelegate_.lock();
    }
    std::shared_ptr<platform::ui::ViewController> rootViewController() override { return root_.lock(); }
    // A swipe pulls its page out of the whole banner.
    std::shared_ptr<platform::ui::View> swipeToViewControllerView() override { return shared_from_this(); }
    void slotDidReceiveAdView(DZSlot&, const std::shared_ptr<platform::ui::View>& view) override;
    void slotContentSizeDidChange(DZSlot&, platform::Size size) override;
    int ownerAdType() override { return 1; }

    // DZSlotAdLoadDelegate
    void slotFinishedLoadingAdContent(DZSlot&) override;
    void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) override;
    // DZSlotAdEventDelegate
    void slotWillPresentScreen(DZSlot&) override;
    void slotWillDismissScreen(DZSlot&) override;
    void slotDidDismissScreen(DZSlot&) override;
    void slotWillLeaveApplication(DZSlot&) override;
    // DZSlotAdResponseDelegate
    bool slotShouldProcessAdResponse(DZSlot&, const std::shared_ptr<DZAd>&,
                                     platform::ErrorRef* error) override;
    bool slotShouldProcessMediatedAdResponse(DZSlot&, const std::shared_ptr<DZAd>& ad,
                                             platform::ErrorRef* error) override;
    // DZAdMediationDelegate
    DZMediationConnectorKind connectorKindForAd(const DZAd& ad) override;
    // DZSlotAdKeyDelegate
    void cacheViewHierarchyInformationForSlot(DZSlot&) override;
    std::optional<nlohmann::json> viewHierarchyInformationForSlot(DZSlot&) override;

    explicit DZBannerView(platform::Rect frame);  // use create()

  protected:
    void commonInitWithAdSize(DZAdSize adSize);
    void setAdSizeFromExternalSize(platform::Size size);

  private:
    std::shared_ptr<DZSlot> slot_;
    std::shared_ptr<platform::ui::View> rootAdView_;
    std::weak_ptr<DZBannerViewDelegate> delegate_;
    std::weak_ptr<DZInAppPurchaseDelegate> inAppPurchaseDelegate_;
    std::weak_ptr<platform::ui::ViewController> root_;
    bool autoloadEnabled_ = false;
    bool hasLoadedAd_ = false;
    bool hasInitialized_ = false;
    mutable std::mutex viewHierarchyLock_;
    std::optional<nlohmann::json> viewHierarchy_;
};
