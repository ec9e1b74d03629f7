#include "ads/render/view/DZVideoPlayerAMSGHandler.h"

#include <glib.h>

#include <algorithm>
#include <cmath>

#include "ads/core/DZValues.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/render/precache/DZPrecacheFolder.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZVideoPlayer.h"

namespace {

using Arguments = DZAMSGArguments;

// The ad view's player, held across the call, for the actions that need one.
std::shared_ptr<DZVideoPlayer> playerOf(const Arguments& arguments) {
    return arguments.adView ? arguments.adView->videoPlayer() : nullptr;
}

// The parameter's number when it is there and finite.
std::optional<double> finiteNumber(const Arguments& arguments, const char* key) {
    const auto text = arguments.note->parameter(key);
    if (!text) return std::nullopt;
    const double value = dz_doubleValue(*text);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

void position(DZAMSGHandler&, const Arguments& arguments) {
    if (!arguments.adView) return;
    const auto& note = *arguments.note;
    platform::Rect frame;
    if (note.parameter("x") && note.parameter("y") && note.parameter("w") && note.parameter("h")) {
        const auto x = finiteNumber(arguments, "x");
        const auto y = finiteNumber(arguments, "y");
        const auto w = finiteNumber(arguments, "w");
        const auto h = finiteNumber(arguments, "h");
        if (!x || !y || !w || !h) {
            DZLog("Ad page video position that is not finite ignored");
            return;
        }
        frame = platform::Rect(static_cast<float>(*x), static_cast<float>(*y), static_cast<float>(*w),
                               static_cast<float>(*h));
    }
    arguments.adView->setCachedVideoPlayerFrame(frame);
}

void source(DZAMSGHandler&, const Arguments& arguments) {
    if (!arguments.adView) return;
    const auto src = arguments.note->parameter("src");
    const auto url = src ? DZVideoPlayerAMSGHandler::playableURL(*src) : std::nullopt;
    if (!url) {
        DZLog("Ad page video source of %zu bytes refused: only web URLs and precached files play",
              src ? src->size() : 0);
        arguments.adView->postJSNotification("onVideoEvent", nlohmann::json{{"event", "error"}});
        return;
    }
    arguments.adView->setUpVideoPlayerWithURL(*url);
}

DZAMSGHandler::Action withPlayer(void (*with)(DZVideoPlayer&, const Arguments&)) {
    return [with](DZAMSGHandler&, const Arguments& arguments) {
        if (auto player = playerOf(arguments)) with(*player, arguments);
    };
}

}  // namespace

const DZAMSGHandler::ActionTable& DZVideoPlayerAMSGHandler::actionBlockDictionary() const {
    static const ActionTable table{
        {"video",
         [](DZAMSGHandler& handler, const Arguments& arguments) {
             static_cast<DZVideoPlayerAMSGHandler&>(handler).didReceiveVideoAction(arguments);
         }},
    };
    return table;
}

const DZAMSGHandler::ActionTable& DZVideoPlayerAMSGHandler::subActionBlockDictionary() {
    static const ActionTable table{
        {"new",
         [](DZAMSGHandler& handler, const Arguments& arguments) {
             position(handler, arguments);
             if (arguments.adView && !arguments.adView->videoPlayer())
                 arguments.adView->setUpVideoPlayerWithURL(std::nullopt);
         }},
        {"position", position},
        {"src", source},
        {"load", withPlayer([](DZVideoPlayer& player, const Arguments&) { player.load(); })},
        {"play", withPlayer([](DZVideoPlayer& player, const Arguments&) { player.play(); })},
        {"pause", withPlayer([](DZVideoPlayer& player, const Arguments&) { player.pause(); })},
        {"volume", withPlayer([](DZVideoPlayer& player, const Arguments& arguments) {
             if (const auto volume = finiteNumber(arguments, "volume"))
                 player.setVolume(static_cast<float>(std::clamp(*volume, 0.0, 1.0)));
         })},
        {"muted", withPlayer([](DZVideoPlayer& player, const Arguments& arguments) {
             if (const auto muted = arguments.note->parameter("muted")) player.setMuted(dz_boolValue(*muted));
         })},
        {"currentTime", withPlayer([](DZVideoPlayer& player, const Arguments& arguments) {
             if (!arguments.note->parameter("time")) return player.seekToTime(0);
             if (const auto time = finiteNumber(arguments, "time")) player.seekToTime(*time);
         })},
        {"hide",
         [](DZAMSGHandler&, const Arguments& arguments) {
             if (arguments.adView) arguments.adView->hideVideo();
         }},
        {"show",
         [](DZAMSGHandler&, const Arguments& arguments) {
             if (arguments.adView) arguments.adView->showVideo();
         }},
    };
    return table;
}

std::optional<std::string> DZVideoPlayerAMSGHandler::playableURL(const std::string& src) {
    if (const auto url = dz_URLWithString(src); url && url->isWeb()) return url->text();
    if (g_ascii_strncasecmp(src.c_str(), "file:", 5) != 0) return std::nullopt;
    const auto file = DZPrecacheFolder::fileInside(src);
    if (!file) return std::nullopt;
    gchar* uri = g_filename_to_uri(file->c_str(), nullptr, nullptr);
    if (!uri) return std::nullopt;
    std::string text = uri;
    g_free(uri);
    return text;
}

void DZVideoPlayerAMSGHandler::didReceiveVideoAction(const DZAMSGArguments& arguments) {
    const auto action = arguments.note->parameter("action");
    if (!action) return;
    const auto& table = subActionBlockDictionary();
    const auto found = table.find(*action);
    if (found == table.end()) return;
    found->second(*this, arguments);
}
