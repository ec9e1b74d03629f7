#pragma once
// The process-wide broker between ad requesters and our SDK core page: keeps the page fresh
// (reloaded when older than an hour, after a failure, or once it let a request go unanswered), queues
// requesters while it loads, numbers their requests, routes the page's answers back, forgets a request the
// page has not answered within kAnswerTimeoutSeconds (telling its requester), stores the server's constants
// as user defaults, and lends core views to Zadava Duru measurement with a small pool of those still
// measuring. It lives on the main thread, as the page's messages and the requesters do: its state
// takes no lock, and its entry points assert the thread.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/slot/DZSDKCoreAMSGHandler.h"
#include "ads/core/slot/DZSDKCoreWebView.h"
#include "ads/render/viewability/DZZadavaDuruMonitor.h"

class DZAd;

class DZSDKCoreControllerDelegate {
  public:
    virtual ~DZSDKCoreControllerDelegate() = default;
    // Nothing when the requester has no parameters (then no request is made).
    virtual std::optional<nlohmann::json> requestParameters() = 0;
    // 0 plain, 1 banner, 2 interstitial.
    virtual int requestedAdType() = 0;
    virtual void setRequestID(const std::string& requestID) = 0;
    virtual void loadAdURLWithParameters(const DZNotification::Parameters& parameters) = 0;
    virtual void loadAd(const std::shared_ptr<DZAd>& ad,
                        const std::map<std::string, std::string>& headers) = 0;
    virtual void invalidJavaScriptRequest() = 0;
    virtual void failedJavaScriptFile() = 0;
    // The page did not answer the request in time.
    virtual void requestTimedOut() = 0;
    virtual long CSIIdentifier() = 0;
};

class DZSDKCoreController : public DZSDKCoreWebViewObserver,
                            public DZSDKCoreAMSGHandlerDelegate,
                            public std::enable_shared_from_this<DZSDKCoreController> {
  public:
    static constexpr std::uint64_t kPageLifetimeMs = 3600000;
    static constexpr double kAnswerTimeoutSeconds = 10;

    static std::shared_ptr<DZSDKCoreController> sharedInstance();
    // A controller of its own (tests).
    static std::shared_ptr<DZSDKCoreController> create();
    ~DZSDKCoreController() override;

    void buildAdURL(const std::shared_ptr<DZSDKCoreControllerDelegate>& requester);
    void attemptToRefreshActiveWebViewSDKCore();
    void refreshActiveWebViewSDKCore();
    // The parameters as compact JSON ("" when they cannot be written).
    static std::string adRequestParameterJSONFromParameters(const nlohmann::json& parameters);

    const std::shared_ptr<DZSDKCoreWebView>& activeSDKCoreWebView() const { return activeWebView_; }
    std::size_t pendingRequestCount() const;

    double zadavaDuruSamplingInterval() const;
    void setZadavaDuruSamplingInterval(double seconds);
    double swipeToViewSamplingInterval() const;
    void setSwipeToViewSamplingInterval(double seconds);
    unsigned zadavaDuruUnloadCacheMaxSize() const;
    bool useNewWebViewsForZadavaDuruProcessing() const;

    std::shared_ptr<DZSDKCoreWebView> SDKCoreWebViewForZadavaDuruProcessing();
    void finishedUsingSDKCoreWebViewForZadavaDuruProcessing(const std::shared_ptr<DZSDKCoreWebView>& webView);
    void cacheRunningZadavaDuruWebView(const std::shared_ptr<DZSDKCoreWebView>& webView);
    void removeFinishedZadavaDuruWebViews();
    std::vector<std::shared_ptr<DZSDKCoreWebView>> zadavaDuruPool() const;

    // DZSDKCoreWebViewObserver
    void didFinishLoadingSDKCoreInSDKCoreWebView(const std::shared_ptr<DZSDKCoreWebView>& webView) override;

    // DZSDKCoreAMSGHandlerDelegate
    void SDKCoreAMSGHandlerLoadAdURL(DZSDKCoreAMSGHandler& handler, const std::string& requestID,
                                     const DZNotification::Parameters& parameters) override;
    void SDKCoreAMSGHandlerLoadAd(DZSDKCoreAMSGHandler& handler, const std::string& requestID,
                                  const nlohmann::json& ad) override;
    void SDKCoreAMSGHandlerDidReceiveInvalidAd(DZSDKCoreAMSGHandler& handler, const std::string& requestID,
                                               const DZNotification::Parameters& parameters) override;
    void SDKCoreAMSGHandlerDidLoadSDKConstants(DZSDKCoreAMSGHandler& handler,
                                               const DZNotification::Parameters& constants) override;
    void SDKCoreAMSGHandlerDidReceiveSDKCoreUpdateNotification(DZSDKCoreAMSGHandler& handler) override;

    DZSDKCoreController();  // use create()

  private:
    void asynchronouslyRequestURLForDelegate(const std::shared_ptr<DZSDKCoreControllerDelegate>& requester);
    std::shared_ptr<DZSDKCoreControllerDelegate> takeRequester(const std::string& requestID);
    std::shared_ptr<DZSDKCoreWebView> makeWebView();

    std::vector<std::shared_ptr<DZSDKCoreControllerDelegate>> pendingLoadRequesters_;
    std::map<std::string, std::shared_ptr<DZSDKCoreControllerDelegate>> pendingBuildRequesters_;
    std::vector<std::shared_ptr<DZSDKCoreWebView>> zadavaDuruWebViews_;
    std::shared_ptr<DZSDKCoreWebView> zadavaDuruWebView_;
    std::shared_ptr<DZSDKCoreWebView> activeWebView_;
    std::uint64_t lastWebViewRefreshTimestamp_ = 0;
    std::uint64_t requestID_ = 1;
    unsigned zadavaDuruUnloadCacheMaxSize_ = 3;
    bool SDKCoreUpdateHandled_ = false;
    bool useNewWebViewsForZadavaDuruProcessing_ = false;
    double zadavaDuruSamplingInterval_ = DZZadavaDuruMonitor::kDefaultSamplingInterval;
    double swipeToViewSamplingInterval_ = 0;
    bool SDKConstantsNeedReload_ = true;
    // The page let a request go unanswered: the next request reloads it.
    bool pageMissedAnAnswer_ = false;
};
