#pragma once
// A platform media player: plays one item (a URL) at a time, tells one observer of its changes on
// the main thread, and keeps the newest decoded video frame for whoever draws it. A player may
// lack volume or mute controls (then its audio is set per track through an audio mix); the
// GStreamer one has both. Main thread only, apart from latestFrame().
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class DiskAllowance;
}

namespace platform::media {

class MediaPlayer;

enum class MediaStatus { Unknown, ReadyToPlay, Failed };

struct VideoSize {
    double width = 0;
    double height = 0;
};

// A decoded picture: width x height RGBA pixels (opaque), rows top first, no padding.
struct VideoFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    std::uint64_t serial = 0;  // grows with every new picture; 0 before the first
};

// One audio track's level in an audio mix.
struct AudioMixInput {
    int trackID = 0;
    float volume = 1;
};

class MediaPlayerObserver {
  public:
    virtual ~MediaPlayerObserver() = default;
    // The player became ready to play or failed.
    virtual void mediaPlayerStatusChanged(MediaPlayer& player) {}
    virtual void mediaPlayerRateChanged(MediaPlayer& player) {}
    // The item's duration, or how much of it is buffered, changed.
    virtual void mediaPlayerItemChanged(MediaPlayer& player) {}
    // Every 1/4 s of playback, and where playback stops or jumps.
    virtual void mediaPlayerTimeChanged(MediaPlayer& player, double seconds) {}
    virtual void mediaPlayerDidPlayToEnd(MediaPlayer& player) {}
};

class MediaPlayer {
  public:
    virtual ~MediaPlayer() = default;

    // Held weakly; a callback may release the player (the caller holds it across the call).
    void setObserver(std::weak_ptr<MediaPlayerObserver> observer) { observer_ = std::move(observer); }
    std::shared_ptr<MediaPlayerObserver> observer() const { return observer_.lock(); }

    // Replaces the item with the one at `url` ("" leaves the player without one), paused at its
    // start.
    virtual void replaceItem(const std::string& url) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void seek(double seconds) = 0;

    virtual MediaStatus status() const = 0;
    // 0 paused or stopped, 1 playing.
    virtual double rate() const = 0;
    // The item's length, once known.
    virtual std::optional<double> duration() const = 0;
    virtual bool bufferFull() const = 0;
    virtual bool likelyToKeepUp() const = 0;
    virtual double currentTime() const = 0;
    // The natural size of each video track of the item, in track order ({0, 0} when unknown).
    virtual std::vector<VideoSize> videoTrackSizes() const = 0;

    virtual bool acceptsVolume() const { return false; }
    virtual void setVolume(float volume) {}
    virtual bool acceptsMuted() const { return false; }
    virtual void setMuted(bool muted) {}
    // The IDs of the item's audio tracks, and their levels (no mix: every track at full level).
    virtual std::vector<int> audioTrackIDs() const { return {}; }
    virtual void setAudioMix(std::optional<std::vector<AudioMixInput>> mix) {}

    // What a player given no allowance (or null) keeps on disk of its own: whoever makes it, an
    // item from the network never fills the disk.
    static constexpr std::int64_t kDefaultDiskBytes = std::int64_t{64} << 20;
    // What a network item's download may keep on disk, shared with other writers. A download that
    // would pass it stops there, and the item fails.
    virtual void setDiskAllowance(std::shared_ptr<DiskAllowance> allowance) {}

    // Hands the newest picture to `use`, when it is newer than serial `after`; the picture stays
    // put (the decoder waits) until `use` returns. Any thread.
    virtual bool useLatestFrame(std::uint64_t after,
                                const std::function<void(const VideoFrame&)>& use) const {
        return false;
    }
    // Copies the newest picture into `frame` when it is newer than frame.serial. Any thread.
    bool latestFrame(VideoFrame& frame) const {
        return useLatestFrame(frame.serial, [&](const VideoFrame& newest) { frame = newest; });
    }

  private:
    std::weak_ptr<MediaPlayerObserver> observer_;
};

}  // namespace platform::media
