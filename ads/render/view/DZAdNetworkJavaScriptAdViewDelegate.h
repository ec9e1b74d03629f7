#pragma once
// The ad view's delegate while an ad made of another network's script loads. Such a page loads
// fine whether or not the network had an ad, so the load counts only once the view shows
// something: after the first finished page a checker looks every kCheckInterval seconds, and the
// load fails after kMaxFailedChecks looks that saw nothing. A navigation to the ad's passback URL
// (or any "passback:" URL) is the network saying it has no ad. Main thread only.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ads/render/view/DZAdViewRenderedChecker.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"

class DZAdNetworkJavaScriptAdViewDelegate : public DZBannerAdViewDelegate,
                                            public DZAdViewRenderedCheckerDelegate {
  public:
    static constexpr double kCheckInterval = 0.2;
    static constexpr uint32_t kMaxFailedChecks = 101;

    static std::shared_ptr<DZAdNetworkJavaScriptAdViewDelegate> create(
        const std::weak_ptr<DZAdHost>& host, const std::optional<std::string>& passbackURL);
    DZAdNetworkJavaScriptAdViewDelegate(std::weak_ptr<DZAdHost> host,
                                        std::optional<std::string> passbackURL);  // use create()
    ~DZAdNetworkJavaScriptAdViewDelegate() override;

    const std::optional<std::string>& passbackURL() const { return passbackURL_; }
    bool wasPassbackReceived() const { return wasPassbackReceived_; }
    bool renderingCheckHasStarted() const { return renderingCheckHasStarted_; }
    uint32_t checkRenderingCount() const { return checkRenderingCount_; }
    bool isRenderingTimerRunning() const { return checkRenderingTimer_ != nullptr; }

    bool isPassbackRequest(const std::string& url) const;
    void startRenderingTimerForAdView(const std::shared_ptr<DZAdView>& adView);
    void stopRenderingTimer();

    // DZAdViewDelegateProtocol
    bool adViewShouldStartLoad(DZAdView& adView, const platform::web::NavigationAction& action) override;
    void adViewDidFinishLoad(DZAdView& adView) override;

    // DZAdViewRenderedCheckerDelegate
    void adViewDidRenderContent(DZAdView& adView) override;
    void adViewDidFailToRenderContent(DZAdView& adView) override;

  private:
    std::optional<std::string> passbackURL_;
    bool wasPassbackReceived_ = false;
    bool renderingCheckHasStarted_ = false;
    uint32_t checkRenderingCount_ = 0;
    std::shared_ptr<DZAdViewRenderedChecker> adViewRenderedChecker_;
    std::shared_ptr<platform::MainLoopTimer> checkRenderingTimer_;
};
