#pragma once
// Plays a creative's video under its page: wraps one platform media player, made on the first
// source, and turns its changes into "onVideoEvent" messages to the ad view's page ("play",
// "pause", "timeupdate" every 1/4 s, "canplaythrough" once for the player's life, "ended",
// "error"). Times, volumes from the page arrive as numbers that may be anything: a time or volume
// that is not finite is ignored, a volume is kept within 0 to 1. A player without volume or mute
// controls gets its level through an audio mix. A web video's download is charged to the ad
// view's disk allowance, which the ad's precached files share: past it, the download stops and
// the page hears "error". Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/media/MediaPlayer.h"

class DZAdView;
class DZVideoPlayer;

class DZVideoPlayerDelegate {
  public:
    virtual ~DZVideoPlayerDelegate() = default;
    virtual void playerDidCreateAVPlayer(
        DZVideoPlayer& player, const std::shared_ptr<platform::media::MediaPlayer>& platformPlayer) = 0;
};

class DZVideoPlayer : public platform::media::MediaPlayerObserver,
                      public std::enable_shared_from_this<DZVideoPlayer> {
  public:
    using PlayerFactory = std::function<std::shared_ptr<platform::media::MediaPlayer>(std::string* error)>;
    // Installs what makes the platform players (null: GStreamer's) and returns the one it replaces.
    static PlayerFactory setPlayerFactory(PlayerFactory factory);

    static std::shared_ptr<DZVideoPlayer> create(std::weak_ptr<DZAdView> adView,
                                                 std::weak_ptr<DZVideoPlayerDelegate> delegate);
    ~DZVideoPlayer() override;

    // Replaces the item (nothing: no item); the first call makes the platform player.
    void setSourceURL(const std::optional<std::string>& url);
    void load() {}
    void play();
    void pause();
    void seekToTime(double seconds);
    void setVolume(float volume);
    void setMuted(bool muted);
    // A level in 0 to 1 for every audio track (1 drops the mix); others are ignored.
    void setAudioMixVolume(float volume);

    const std::optional<std::string>& sourceURL() const { return sourceURL_; }
    float volume() const { return volume_; }
    bool muted() const { return muted_; }
    bool hasPostedCanPlayThrough() const { return hasPostedCanPlayThrough_; }
    std::shared_ptr<DZVideoPlayerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<DZVideoPlayerDelegate> delegate) { delegate_ = std::move(delegate); }
    const std::shared_ptr<platform::media::MediaPlayer>& player() const { return player_; }

    // MediaPlayerObserver
    void mediaPlayerStatusChanged(platform::media::MediaPlayer& player) override;
    void mediaPlayerRateChanged(platform::media::MediaPlayer& player) override;
    void mediaPlayerItemChanged(platform::media::MediaPlayer& player) override;
    void mediaPlayerTimeChanged(platform::media::MediaPlayer& player, double seconds) override;
    void mediaPlayerDidPlayToEnd(platform::media::MediaPlayer& player) override;

    DZVideoPlayer(std::weak_ptr<DZAdView> adView,
                  std::weak_ptr<DZVideoPlayerDelegate> delegate);  // use create()

  private:
    void post(nlohmann::json info);

    std::weak_ptr<DZAdView> adView_;
    std::weak_ptr<DZVideoPlayerDelegate> delegate_;
    std::shared_ptr<platform::media::MediaPlayer> player_;
    std::optional<std::string> sourceURL_;
    float volume_ = 1;
    bool muted_ = false;
    bool hasPostedCanPlayThrough_ = false;
};
