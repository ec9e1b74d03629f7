// The ad view's native video: a player made on demand, drawn under the page, whose background is
// clear, and the page's sources counted against its allowance.
#include "ads/render/view/DZAdView.h"

#include <string>

#include "platform/media/VideoView.h"

void DZAdView::setCachedVideoPlayerFrame(platform::Rect frame) {
    cachedVideoPlayerFrame_ = frame;
    setNeedsLayout();
}

void DZAdView::setUpVideoPlayerWithURL(const std::optional<std::string>& url) {
    // Each source is a new pipeline and download: a page setting one after another would make the
    // component fetch and decode without end.
    if (url && !allowance_->videoSources.take("Ad page video sources refused: the page has set " +
                                              std::to_string(DZPageAllowance::kMaxVideoSources))) {
        postJSNotification("onVideoEvent", nlohmann::json{{"event", "error"}});
        return;
    }
    if (!videoPlayer_) {
        auto self = std::static_pointer_cast<DZAdView>(shared_from_this());
        videoPlayer_ = DZVideoPlayer::create(self, std::static_pointer_cast<DZVideoPlayerDelegate>(self));
    }
    // Held: setting the source may make the page's host release this view.
    auto player = videoPlayer_;
    player->setSourceURL(url);
}

void DZAdView::playerDidCreateAVPlayer(DZVideoPlayer&,
                                       const std::shared_ptr<platform::media::MediaPlayer>& platformPlayer) {
    if (videoPlayerLayer_) videoPlayerLayer_->removeFromSuperview();
    videoPlayerLayer_ = std::make_shared<platform::media::VideoView>(platformPlayer);
    insertSubviewAt(videoPlayerLayer_, 0);
    setVideoPlayerFrame(cachedVideoPlayerFrame_);
}

void DZAdView::setVideoPlayerFrame(platform::Rect frame) {
    if (!videoPlayerLayer_) return;
    videoPlayerLayer_->setFrame(frame == platform::Rect() ? bounds() : frame);
}

void DZAdView::hideVideo() {
    if (videoPlayerLayer_) videoPlayerLayer_->setHidden(true);
}

void DZAdView::showVideo() {
    if (videoPlayerLayer_) videoPlayerLayer_->setHidden(false);
}

void DZAdView::layoutSubviews() {
    View::layoutSubviews();
    if (videoPlayerLayer_) setVideoPlayerFrame(cachedVideoPlayerFrame_);
}
