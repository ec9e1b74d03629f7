#include "ads/render/view/DZVideoPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ads/foundation/DZLogger.h"
#include "ads/render/view/DZAdView.h"
#include "platform/media/MediaPlayers.h"

using platform::media::MediaPlayer;

namespace {

DZVideoPlayer::PlayerFactory& playerFactory() {
    static DZVideoPlayer::PlayerFactory factory;
    return factory;
}

std::string seconds(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

}  // namespace

DZVideoPlayer::PlayerFactory DZVideoPlayer::setPlayerFactory(PlayerFactory factory) {
    return std::exchange(playerFactory(), std::move(factory));
}

std::shared_ptr<DZVideoPlayer> DZVideoPlayer::create(std::weak_ptr<DZAdView> adView,
                                                     std::weak_ptr<DZVideoPlayerDelegate> delegate) {
    return std::make_shared<DZVideoPlayer>(std::move(adView), std::move(delegate));
}

DZVideoPlayer::DZVideoPlayer(std::weak_ptr<DZAdView> adView, std::weak_ptr<DZVideoPlayerDelegate> delegate)
    : adView_(std::move(adView)), delegate_(std::move(delegate)) {}

DZVideoPlayer::~DZVideoPlayer() {
    if (player_) player_->pause();
}

void DZVideoPlayer::setSourceURL(const std::optional<std::string>& url) {
    sourceURL_ = url;
    if (player_) {
        player_->replaceItem(url.value_or(""));
        return;
    }
    std::string error;
    const auto& factory = playerFactory();
    player_ = factory ? factory(&error) : platform::media::MediaPlayers::create(&error);
    if (!player_) {
        DZLog("Video player not available: %s", error.c_str());
        post({{"event", "error"}});
        return;
    }
    player_->setObserver(weak_from_this());
    if (auto adView = adView_.lock()) player_->setDiskAllowance(adView->diskAllowance());
    player_->replaceItem(url.value_or(""));
    // The delegate may release this player.
    auto self = shared_from_this();
    if (auto delegate = delegate_.lock()) delegate->playerDidCreateAVPlayer(*this, player_);
}

void DZVideoPlayer::play() {
    if (player_) player_->play();
}

void DZVideoPlayer::pause() {
    if (player_) player_->pause();
}

void DZVideoPlayer::seekToTime(double seconds) {
    if (!std::isfinite(seconds) || !player_) return;
    // To the nanosecond, as a time of that timescale holds it.
    player_->seek(std::round(seconds * 1e9) / 1e9);
}

void DZVideoPlayer::setVolume(float volume) {
    if (!std::isfinite(volume)) return;
    volume = std::clamp(volume, 0.0f, 1.0f);
    if (player_ && player_->acceptsVolume()) {
        player_->setVolume(volume);
    } else {
        setAudioMixVolume(volume);
    }
    volume_ = volume;
}

void DZVideoPlayer::setMuted(bool muted) {
    if (player_ && player_->acceptsMuted()) {
        player_->setMuted(muted);
    } else {
        setAudioMixVolume(muted ? 0.0f : volume_);
    }
    muted_ = muted;
}

void DZVideoPlayer::setAudioMixVolume(float volume) {
    if (!(volume >= 0.0f && volume <= 1.0f) || !player_) return;
    if (volume == 1.0f) {
        player_->setAudioMix(std::nullopt);
        return;
    }
    std::vector<platform::media::AudioMixInput> inputs;
    for (int track : player_->audioTrackIDs()) inputs.push_back({track, volume});
    player_->setAudioMix(std::move(inputs));
}

void DZVideoPlayer::mediaPlayerStatusChanged(MediaPlayer& player) {
    if (&player != player_.get()) return;
    if (player.status() != platform::media::MediaStatus::ReadyToPlay) post({{"event", "error"}});
}

void DZVideoPlayer::mediaPlayerRateChanged(MediaPlayer& player) {
    if (&player != player_.get()) return;
    post({{"event", player.rate() != 0 ? "play" : "pause"}});
}

void DZVideoPlayer::mediaPlayerItemChanged(MediaPlayer& player) {
    if (&player != player_.get() || hasPostedCanPlayThrough_) return;
    const auto duration = player.duration();
    if (!duration || !std::isfinite(*duration) || *duration < 0) return;
    if (!player.bufferFull() && !player.likelyToKeepUp()) return;
    double width = -1;
    double height = -1;
    for (const auto& size : player.videoTrackSizes()) {
        if (size.width == 0 && size.height == 0) continue;
        width = size.width;
        height = size.height;
    }
    hasPostedCanPlayThrough_ = true;
    post({{"event", "canplaythrough"},
          {"duration", seconds(*duration)},
          {"videoWidth", width},
          {"videoHeight", height}});
}

void DZVideoPlayer::mediaPlayerTimeChanged(MediaPlayer& player, double time) {
    if (&player != player_.get()) return;
    post({{"event", "timeupdate"}, {"time", seconds(time)}});
}

void DZVideoPlayer::mediaPlayerDidPlayToEnd(MediaPlayer& player) {
    if (&player != player_.get()) return;
    post({{"event", "ended"}});
}

void DZVideoPlayer::post(nlohmann::json info) {
    if (auto adView = adView_.lock()) adView->postJSNotification("onVideoEvent", info);
}
