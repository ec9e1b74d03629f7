#pragma once
// The hidden ad view that runs our SDK core page: it tracks the page's load state (0 new,
// 1 loading, 2 the page's navigation accepted, 3 loaded, 4 failed), queues script commands until
// the page can take them (at most 50 wait, the oldest goes first; none are kept once the page has
// failed), tells one-time observers when a load has ended, routes the page's messages to its core
// handler and keeps the Zadava Duru observers the page reports on. A page whose web process ends
// counts as failed, whatever URL the failure names. It lives on the main thread with its view and
// page: its state takes no lock, and its entry points assert the thread (a load asked for from
// elsewhere hops there first).
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/render/view/DZAdView.h"
#include "ads/render/viewability/DZZadavaDuruAMSGHandler.h"

class DZAdViewDelegate;
class DZAMSGHandler;
class DZSDKCoreAMSGHandler;
class DZSDKCoreWebView;

class DZSDKCoreWebViewObserver {
  public:
    virtual ~DZSDKCoreWebViewObserver() = default;
    virtual void didFinishLoadingSDKCoreInSDKCoreWebView(
        const std::shared_ptr<DZSDKCoreWebView>& webView) = 0;
};

// A view measured by Zadava Duru through the core page.
class DZZadavaDuruObserver {
  public:
    virtual ~DZZadavaDuruObserver() = default;
    virtual void adViewDidStopZadavaDuruMonitoring() = 0;
    virtual void adViewDidChangeZadavaDuruVisibility(bool visible) = 0;
};

class DZSDKCoreWebView : public DZAdViewDelegateProtocol,
                         public DZZadavaDuruAMSGHandlerDelegate,
                         public std::enable_shared_from_this<DZSDKCoreWebView> {
  public:
    enum State { New = 0, Loading = 1, Accepted = 2, Loaded = 3, Failed = 4 };
    static constexpr std::size_t kMaxPendingCommands = 50;

    // The page: the ad server + "zads/static/sdk/native/sdk-core-v40.html".
    static std::string pageURL();

    static std::shared_ptr<DZSDKCoreWebView> create();
    ~DZSDKCoreWebView() override;

    // Null is ignored; told at once (on the main queue) when the state is 3 or 4.
    void addObserverForOneTimeNotification(const std::shared_ptr<DZSDKCoreWebViewObserver>& observer);
    void removeObserver(const DZSDKCoreWebViewObserver* observer);
    // Loads the page unless it is loading (state 1 or 2); the observer (may be null) hears of the
    // end of that load.
    void refreshSDKCoreAndNotifyObserver(const std::shared_ptr<DZSDKCoreWebViewObserver>& observer);
    void enqueueJavaScriptCommand(const std::string& command);
    void dispatchPendingJavaScriptCommands();
    void postJSNotification(const std::string& name, const std::optional<nlohmann::json>& userInfo);

    int state() const;
    void setState(int state);
    // The page's URL when its last load was asked for (empty before the first): the server may
    // have changed since.
    std::string loadedPageURL() const;
    bool hasSDKCoreLoadedAtLeastOnce() const;

    void setZadavaDuruObserver(const std::shared_ptr<DZZadavaDuruObserver>& observer, unsigned zadavaDuruID);
    void removeZadavaDuruObserverForZadavaDuruID(unsigned zadavaDuruID);
    void clearAllZadavaDuruInstances();
    bool isZadavaDuruRunning() const;
    // From the page's Zadava Duru handler. The observer of the ID, if it still has it then, hears
    // on the main queue; a burst of visibility messages for one ID before it has heard reaches
    // it as one call with the last value.
    void zadavaDuruDidReceiveUntrack(unsigned zadavaDuruID);
    void zadavaDuruDidReceiveVisibility(bool visible, unsigned zadavaDuruID);
    // DZZadavaDuruAMSGHandlerDelegate
    void zadavaDuruAMSGHandlerDidReceiveVisibilityNotification(DZZadavaDuruAMSGHandler& handler, bool visible,
                                                               uint32_t zadavaDuruID) override;
    void zadavaDuruAMSGHandlerDidReceiveUntrackNotification(DZZadavaDuruAMSGHandler& handler,
                                                            uint32_t zadavaDuruID) override;

    const std::shared_ptr<DZSDKCoreAMSGHandler>& SDKCoreAMSGHandler() const { return coreHandler_; }
    // The page's Zadava Duru handler (a DZZadavaDuruAMSGHandler from create() on); offered the
    // page's messages after the core handler.
    void setZadavaDuruAMSGHandler(std::shared_ptr<DZAMSGHandler> handler) {
        zadavaDuruHandler_ = std::move(handler);
    }
    const std::shared_ptr<DZAdView>& adView() const { return adView_; }

    // DZAdViewDelegateProtocol
    bool adViewShouldStartLoad(DZAdView& adView, const platform::web::NavigationAction& action) override;
    void adViewDidFinishLoad(DZAdView& adView) override;
    void adViewDidFailLoad(DZAdView& adView, const platform::web::WebError& error) override;

    DZSDKCoreWebView();  // use create()

  private:
    void notifyOneTimeObservers();

    int state_ = New;
    bool loadedOnce_ = false;
    std::string loadedPageURL_;
    std::deque<std::string> pendingCommands_;
    std::vector<std::weak_ptr<DZSDKCoreWebViewObserver>> observers_;
    std::map<unsigned, std::weak_ptr<DZZadavaDuruObserver>> zadavaDuruObservers_;
    std::set<unsigned> runningZadavaDuruIDs_;
    std::map<unsigned, bool> pendingVisibility_;

    std::shared_ptr<DZAdViewDelegate> adViewDelegate_;
    std::shared_ptr<DZAdView> adView_;
    std::shared_ptr<DZSDKCoreAMSGHandler> coreHandler_;
    std::shared_ptr<DZAMSGHandler> zadavaDuruHandler_;
};
