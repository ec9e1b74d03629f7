#pragma once
// The messages of our SDK core page: answers to ad requests ("loadAdURL", "loadAd",
// "invalidRequest"), the server's constants ("loadSdkConstants"), "requestReload", and HTTP
// fetches made for the page ("fetchHttpRequest", answered with "fetchHttpRequestCompleted").
// Everything the page sends is checked: fetches go to http and https only, each needs its
// "http_request_id", and at most kMaxFetches run at once. Delegate calls run on the main queue.
// The page's messages and the fetchers' answers arrive on the main thread, where the handler
// lives: its state takes no lock.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdFetcher.h"
#include "ads/render/bridge/DZAMSGHandler.h"

class DZSDKCoreAMSGHandler;
class DZSDKCoreWebView;

class DZSDKCoreAMSGHandlerDelegate {
  public:
    virtual ~DZSDKCoreAMSGHandlerDelegate() = default;
    virtual void SDKCoreAMSGHandlerLoadAdURL(DZSDKCoreAMSGHandler& handler, const std::string& requestID,
                                             const DZNotification::Parameters& parameters) = 0;
    virtual void SDKCoreAMSGHandlerLoadAd(DZSDKCoreAMSGHandler& handler, const std::string& requestID,
                                          const nlohmann::json& ad) = 0;
    virtual void SDKCoreAMSGHandlerDidReceiveInvalidAd(DZSDKCoreAMSGHandler& handler,
                                                       const std::string& requestID,
                                                       const DZNotification::Parameters& parameters) = 0;
    virtual void SDKCoreAMSGHandlerDidLoadSDKConstants(DZSDKCoreAMSGHandler& handler,
                                                       const DZNotification::Parameters& constants) = 0;
    virtual void SDKCoreAMSGHandlerDidReceiveSDKCoreUpdateNotification(DZSDKCoreAMSGHandler& handler) = 0;
};

class DZSDKCoreAMSGHandler : public DZAMSGHandler,
                             public DZAdFetcherDelegate,
                             public std::enable_shared_from_this<DZSDKCoreAMSGHandler> {
  public:
    static constexpr std::size_t kMaxFetches = 8;
    // Answers waiting for the main thread; a page that floods more is cut off with one log line.
    static constexpr int kMaxWaitingAnswers = 256;
    // The same for their bytes: a few answers of the largest message a page can send.
    static constexpr std::size_t kMaxWaitingAnswerBytes = std::size_t{8} << 20;

    explicit DZSDKCoreAMSGHandler(std::weak_ptr<DZSDKCoreWebView> webView) : webView_(std::move(webView)) {}

    const ActionTable& actionBlockDictionary() const override;

    void setDelegate(std::weak_ptr<DZSDKCoreAMSGHandlerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    bool isFetchInProgressForFetchRequestID(const std::string& requestID) const;

    // The text queued on the page for a fetch's answer.
    static std::string fetchReplyCommand(bool success, const std::string& reason, long responseCode,
                                         const std::string& body, const std::string& requestID,
                                         const std::map<std::string, std::string>& headers);

    void didReceiveLoadAdURLAction(const DZAMSGArguments& arguments);
    void didReceiveLoadAdAction(const DZAMSGArguments& arguments);
    void didReceiveInvalidAdRequestAction(const DZAMSGArguments& arguments);
    void didReceiveLoadSDKConstantsAction(const DZAMSGArguments& arguments);
    void didReceiveFetchAdAction(const DZAMSGArguments& arguments);
    void didReceiveSDKCoreReloadRequest(const DZAMSGArguments& arguments);

    // DZAdFetcherDelegate
    void adFetcherDidFetchAd(DZAdFetcher& fetcher, const std::shared_ptr<DZAd>& ad) override;
    void adFetcherDidFailToFetchAd(DZAdFetcher& fetcher, const std::shared_ptr<DZAd>& ad,
                                   platform::ErrorRef error, long responseCode) override;

  private:
    // Calls the delegate on the main queue, this handler held.
    void toDelegate(const DZAMSGArguments& arguments,
                    std::function<void(DZSDKCoreAMSGHandlerDelegate&, DZSDKCoreAMSGHandler&)> call);
    void reply(const std::string& command);
    void failFetch(const std::string& reason, const std::string& requestID);
    std::optional<std::string> takeFetcher(const DZAdFetcher& fetcher);

    std::weak_ptr<DZSDKCoreWebView> webView_;
    std::weak_ptr<DZSDKCoreAMSGHandlerDelegate> delegate_;
    std::map<std::string, std::shared_ptr<DZAdFetcher>> adFetchers_;
    int waitingAnswers_ = 0;
    std::size_t waitingBytes_ = 0;
    bool floodLogged_ = false;
};
