#pragma once
// The messages every ad page may send: "httpTrack" (ping an http or https URL), "log" (one console
// line, within the page's budget), "touch" (a touch for the signal collector), "vibrate" (nothing
// here), "canOpenURLs" (answered with "openableURLs") and "close" (a full-screen ad's controller
// gives up the screen: an interstitial or a web app goes, an expanded or resized ad goes back to
// its place).
// Every parameter is the page's: checked and bounded before use. A ping is one of the page's
// trackers (see DZPageTrackers), judged against the ad of the opener's host.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "ads/render/bridge/DZAMSGHandler.h"

class DZOpener;

class DZDefaultAMSGHandler : public DZAMSGHandler {
  public:
    // With the opener whose host shows the ad (none: the page's pings are judged without an ad).
    explicit DZDefaultAMSGHandler(std::shared_ptr<DZOpener> opener = nullptr) : opener_(std::move(opener)) {}

    static constexpr std::size_t kMaxCanOpenURLs = 32;
    // Starts every line a page's "log" writes, so that none passes for a line of the game's own.
    static constexpr std::string_view kPageLogPrefix = "Ad page says: ";

    const ActionTable& actionBlockDictionary() const override;

    // The value's integer, or the default when it is absent or not wholly a number.
    static long integerForKey(const std::string& key, const DZNotification::Parameters& parameters,
                              long defaultValue);

    void didReceiveTrackHTTPNotification(const DZAMSGArguments& arguments);
    void didReceiveLogNotification(const DZAMSGArguments& arguments);
    void didReceiveTouchNotification(const DZAMSGArguments& arguments);
    void didReceiveVibrateNotification(const DZAMSGArguments& arguments) {}
    void didReceiveCanOpenURLsNotification(const DZAMSGArguments& arguments);
    // An ad view not shown by a full-screen controller (a banner in its place) stays.
    void didReceiveCloseNotification(const DZAMSGArguments& arguments);

  private:
    std::shared_ptr<DZOpener> opener_;
};
