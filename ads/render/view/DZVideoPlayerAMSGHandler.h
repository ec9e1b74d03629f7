#pragma once
// The page's "video" message: its "action" drives the ad view's video player ("new", "position",
// "src", "load", "play", "pause", "volume", "muted", "currentTime", "hide", "show"); a missing or
// unknown action is taken and does nothing, as is any action needing a player before one exists.
// Numbers from the page that are not finite are ignored. "src" takes http and https, or a `file:`
// URL of a precached file; any other source gets the page an "error" video event and no player.
#include <memory>
#include <optional>
#include <string>

#include "ads/render/bridge/DZAMSGHandler.h"

class DZAdViewDelegate;

class DZVideoPlayerAMSGHandler : public DZAMSGHandler {
  public:
    const ActionTable& actionBlockDictionary() const override;
    // "action" to sub-action of "video".
    static const ActionTable& subActionBlockDictionary();

    // What the player may be given for a page's "src": the web URL, or the file URL of the
    // resolved precached file; nothing for anything else.
    static std::optional<std::string> playableURL(const std::string& src);

    void didReceiveVideoAction(const DZAMSGArguments& arguments);

    std::shared_ptr<DZAdViewDelegate> adViewDelegate() const { return adViewDelegate_.lock(); }
    void setAdViewDelegate(std::weak_ptr<DZAdViewDelegate> delegate) {
        adViewDelegate_ = std::move(delegate);
    }

  private:
    std::weak_ptr<DZAdViewDelegate> adViewDelegate_;
};
