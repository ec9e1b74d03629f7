#pragma once
// The navigation policy of an ad view and its message bridge. It decides every navigation by
// scheme: "amsg" messages go to the registered handlers (in registration order, the first that
// knows the name takes it; one no handler takes is posted on the page-message centre),
// http and https load, about loads, everything else is refused and, where it stands for a user
// action (mail, messages, app links), handed to the opener, which opens only http and https.
// A page's messages keep their order: each ad-view delegate parses them on a serial queue of its
// own and hands them to the main thread in turn; at most kMaxWaitingMessages wait, later ones are
// dropped with one log line. Each page the ad view loads may send DZPageAllowance::kMessageBurst
// messages at once and kMessagesPerSecond after that (counted in the page's allowance): those over the rate
// are dropped before anything is done with them, with one log line for the page (a page kept just under the
// web engine's bound would otherwise write one each time a message passed). Main thread only, apart from that
// queue.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "ads/render/bridge/DZAMSGHandler.h"
#include "ads/render/bridge/DZPageAllowance.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZOpener.h"

namespace platform {
class DispatchQueue;
}
namespace platform::ui {
class NotificationCenter;
}

// The object of the notice posted for a message no handler took (its name is the message's).
// These notices go to a centre of their own, never the default one: the page chooses the name,
// and there it could stand for an application or component notice (entering the background,
// a full-screen presentation) and set off every observer of it.
struct DZUnhandledAMSGMessage {
    DZAdView* adView = nullptr;
    const DZNotification* note = nullptr;
};

class DZAdViewDelegate : public DZAdViewDelegateProtocol,
                         public std::enable_shared_from_this<DZAdViewDelegate> {
  public:
    static constexpr int kMaxWaitingMessages = 256;
    // What the waiting messages may hold, whatever their count: a few of the largest a page can send.
    static constexpr std::size_t kMaxWaitingBytes = std::size_t{8} << 20;
    inline static const std::string kDeeplinkPlusEnabledKey = "/rerive/ads/deeplinkplus_enabled";

    // With the base handler list.
    static std::shared_ptr<DZAdViewDelegate> create();
    DZAdViewDelegate();
    ~DZAdViewDelegate() override;

    void addAMSGHandler(std::shared_ptr<DZAMSGHandler> handler);
    const std::vector<std::shared_ptr<DZAMSGHandler>>& amsgHandlers() const { return handlers_; }
    DZOpener& opener() { return *opener_; }
    bool hasLoadedAtLeastOnce() const { return hasLoadedAtLeastOnce_; }

    // Parses the message off the main thread and offers it to the handlers on it.
    void handleAMSGURL(const std::string& url, const std::shared_ptr<DZAdView>& adView);
    void handleDeeplinkPlusURL(const std::string& url);

    // Where messages no handler took are posted; nothing else is posted there.
    static platform::ui::NotificationCenter& pageMessageCenter();

    // A message no handler took: posted on the page-message centre under its name, with a
    // DZUnhandledAMSGMessage as the object.
    virtual void didNotHandleMessage(const std::shared_ptr<const DZNotification>& note,
                                     const std::shared_ptr<DZAdView>& adView);

    // DZAdViewDelegateProtocol
    bool adViewShouldStartLoad(DZAdView& adView, const platform::web::NavigationAction& action) override;
    void adViewDidFinishLoad(DZAdView& adView) override;

  protected:
    // Whether a tapped http or https link opens in the in-app browser instead of the page: in an
    // ad that announced rich media.
    virtual bool opensLinksInAppBrowser() const;
    virtual void openLinkInAppBrowser(DZAdView& adView, const std::string& url);

  private:
    void dispatch(const std::shared_ptr<const DZNotification>& note,
                  const std::vector<std::shared_ptr<DZAMSGHandler>>& handlers,
                  const std::shared_ptr<DZAdView>& adView);

    std::shared_ptr<DZOpener> opener_;
    std::vector<std::shared_ptr<DZAMSGHandler>> handlers_;
    std::shared_ptr<platform::DispatchQueue> messageQueue_;
    // Messages between the policy and their dispatch; shared with the blocks under way.
    std::shared_ptr<std::atomic<int>> waiting_ = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<std::size_t>> waitingBytes_ = std::make_shared<std::atomic<std::size_t>>(0);
    std::shared_ptr<std::atomic<bool>> floodLogged_ = std::make_shared<std::atomic<bool>>(false);
    bool hasLoadedAtLeastOnce_ = false;
};
