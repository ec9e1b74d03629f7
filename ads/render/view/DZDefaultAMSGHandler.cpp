#include "ads/render/view/DZDefaultAMSGHandler.h"

#include <glib.h>

#include <charconv>
#include <cstdio>

#include "ads/core/DZSignalCollector.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "ads/render/overlay/DZViewController.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZOpener.h"
#include "ads/render/view/DZPageTrackers.h"
#include "platform/dispatch/DispatchQueue.h"

namespace {

template <void (DZDefaultAMSGHandler::*method)(const DZAMSGArguments&)>
DZAMSGHandler::Action action() {
    return [](DZAMSGHandler& handler, const DZAMSGArguments& arguments) {
        (static_cast<DZDefaultAMSGHandler&>(handler).*method)(arguments);
    };
}

}  // namespace

const DZAMSGHandler::ActionTable& DZDefaultAMSGHandler::actionBlockDictionary() const {
    static const ActionTable table{
        {"httpTrack", action<&DZDefaultAMSGHandler::didReceiveTrackHTTPNotification>()},
        {"log", action<&DZDefaultAMSGHandler::didReceiveLogNotification>()},
        {"touch", action<&DZDefaultAMSGHandler::didReceiveTouchNotification>()},
        {"vibrate", action<&DZDefaultAMSGHandler::didReceiveVibrateNotification>()},
        {"canOpenURLs", action<&DZDefaultAMSGHandler::didReceiveCanOpenURLsNotification>()},
        {"close", action<&DZDefaultAMSGHandler::didReceiveCloseNotification>()},
    };
    return table;
}

long DZDefaultAMSGHandler::integerForKey(const std::string& key, const DZNotification::Parameters& parameters,
                                         long defaultValue) {
    auto it = parameters.find(key);
    if (it == parameters.end()) return defaultValue;
    long value = 0;
    const char* begin = it->second.data();
    const char* end = begin + it->second.size();
    auto [ptr, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && ptr == end ? value : defaultValue;
}

void DZDefaultAMSGHandler::didReceiveTrackHTTPNotification(const DZAMSGArguments& arguments) {
    auto text = arguments.note->parameter("u");
    auto url = text ? dz_URLWithString(*text) : std::nullopt;
    if (!url || !url->isWeb()) {
        DZLog("Ad page ping refused: not an http or https URL");
        return;
    }
    DZPageTrackers::ping({url->text()}, arguments.adView, opener_ ? opener_->host() : nullptr);
}

void DZDefaultAMSGHandler::didReceiveLogNotification(const DZAMSGArguments& arguments) {
    auto text = arguments.note->parameter("string");
    // The log call cuts and escapes the page's text, and charges the line to the page's budget; the
    // mark says whose it is.
    if (text) DZLogText(std::string(kPageLogPrefix) + *text);
}

void DZDefaultAMSGHandler::didReceiveTouchNotification(const DZAMSGArguments& arguments) {
    const auto& parameters = arguments.note->parameters();
    const long duration = integerForKey("td", parameters, -1);
    // The collector counts a touch by its duration; where it fell is not kept.
    platform::DispatchQueue::main()->async(
        [duration] { DZSignalCollector::sharedInstance().recordTouch(duration); });
}

void DZDefaultAMSGHandler::didReceiveCanOpenURLsNotification(const DZAMSGArguments& arguments) {
    std::vector<std::string> urls;
    if (auto list = arguments.note->parameter("urls")) {
        std::size_t start = 0;
        while (start <= list->size() && urls.size() < kMaxCanOpenURLs) {
            std::size_t comma = list->find(',', start);
            if (comma == std::string::npos) comma = list->size();
            urls.push_back(list->substr(start, comma - start));
            start = comma + 1;
        }
    }
    platform::DispatchQueue::main()->async([adView = arguments.adView, urls = std::move(urls)] {
        if (!adView) return;
        auto answer = DZDevice::canOpenURLs(urls, *DZDevice::sharedInstance());
        std::optional<nlohmann::json> userInfo;
        if (answer) {
            userInfo = nlohmann::json::object();
            for (const auto& [url, openable] : *answer) (*userInfo)[url] = openable;
        }
        adView->postJSNotification("openableURLs", userInfo);
    });
}

void DZDefaultAMSGHandler::didReceiveCloseNotification(const DZAMSGArguments& arguments) {
    if (!arguments.adView) return;
    // Held: the dismissal may let go of the last owner of the controller and of the ad view.
    auto adView = arguments.adView;
    auto controller = std::dynamic_pointer_cast<DZViewController>(adView->viewController());
    if (controller && controller->isOnScreen()) controller->relinquishScreenWithCompletion({});
}
