#pragma once
// What the app hears of a native ad's screens; every call is optional. Main thread, except that a
// mediated network's screen events arrive on the thread the network reports them from.
class DZNativeAd;

class DZNativeAdDelegate {
  public:
    virtual ~DZNativeAdDelegate() = default;
    virtual void nativeAdWillPresentScreen(DZNativeAd&) {}
    virtual void nativeAdWillDismissScreen(DZNativeAd&) {}
    virtual void nativeAdDidDismissScreen(DZNativeAd&) {}
    virtual void nativeAdWillLeaveApplication(DZNativeAd&) {}
};
