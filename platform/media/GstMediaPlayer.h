#pragma once
// The media player on GStreamer: a playbin per item, whose pictures go to an application sink as RGBA
// frames (kept for the view that draws them) and whose sound goes to MediaRuntime's sink. Its
// bus is watched on GLib's default main context, where the game's main loop runs it; state
// changes, which open the sound device, run on a worker queue, so the main loop never waits on a
// device. Until the sound output is chosen, what is asked of the player is remembered and done
// then. The rate follows play and pause at once, as the page expects, and falls to 0 at the end.
// A network item is played from a download on disk, charged to the player's disk allowance (one
// of its own until it is given another).
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/media/MediaPlayer.h"

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
typedef struct _GSource GSource;

namespace platform {
class DispatchQueue;
}

namespace platform::media {

struct DownloadCharge;

class GstMediaPlayer : public MediaPlayer, public std::enable_shared_from_this<GstMediaPlayer> {
  public:
    // How often the position is reported while playing.
    static constexpr double kTimeInterval = 0.25;
    // The largest picture side and the most pictures a second handed to the view, whatever the
    // video holds.
    static constexpr int kMaxFrameSide = 1920;
    static constexpr int kMaxFrameRate = 60;
    // What a decoder may be set to produce: scaling and dropping above come after it, so a video past
    // these is refused as a failed one before the decoder does the work.
    static constexpr int kMaxDecodedSide = 4096;
    static constexpr double kMaxDecodedPixelsPerSecond = 1920.0 * 1080 * 60;

    // Null, with the reason, when GStreamer or its playback elements are missing.
    static std::shared_ptr<GstMediaPlayer> create(std::string* error);
    ~GstMediaPlayer() override;
    GstMediaPlayer(const GstMediaPlayer&) = delete;
    GstMediaPlayer& operator=(const GstMediaPlayer&) = delete;

    void replaceItem(const std::string& url) override;
    void play() override;
    void pause() override;
    void seek(double seconds) override;

    MediaStatus status() const override { return status_; }
    double rate() const override { return rate_; }
    std::optional<double> duration() const override { return duration_; }
    bool bufferFull() const override { return bufferPercent_ >= 100; }
    bool likelyToKeepUp() const override {
        return prerolled_ && (bufferPercent_ < 0 || bufferPercent_ >= 100);
    }
    double currentTime() const override;
    std::vector<VideoSize> videoTrackSizes() const override { return sizes_; }

    bool acceptsVolume() const override { return true; }
    void setVolume(float volume) override;
    bool acceptsMuted() const override { return true; }
    void setMuted(bool muted) override;
    void setDiskAllowance(std::shared_ptr<DiskAllowance> allowance) override;

    bool useLatestFrame(std::uint64_t after,
                        const std::function<void(const VideoFrame&)>& use) const override;

    // The sound sink's element name, once the pipeline is built ("" before).
    std::string audioSinkName() const { return audioSinkName_; }

  private:
    struct FrameSlot;
    GstMediaPlayer();

    // Once the sound output is chosen: applies what was asked meanwhile.
    void build();
    // A pipeline for one item, its bus watched; false (the status failed) when it cannot be made.
    bool makePipeline();
    // Lets the item's pipeline go: its bus unwatched, stopped off the main loop.
    void dropPipeline();
    // Moves the pipeline to the state play/pause ask for, off the main loop.
    void applyState();
    void handle(GstMessage* message);
    void prerolled();
    void readVideoSizes();
    void startTicks();
    void stopTicks();
    void reportTime();

    std::shared_ptr<FrameSlot> frames_;
    std::shared_ptr<DiskAllowance> allowance_;
    // The current item's download (its bytes on disk).
    std::shared_ptr<DownloadCharge> download_;
    std::shared_ptr<DispatchQueue> worker_;
    GstElement* playbin_ = nullptr;
    GSource* busWatch_ = nullptr;
    GSource* ticks_ = nullptr;
    std::string audioSinkName_;
    bool sinkChosen_ = false;
    std::string url_;
    bool playing_ = false;
    std::optional<double> pendingSeek_;
    MediaStatus status_ = MediaStatus::Unknown;
    double rate_ = 0;
    std::optional<double> duration_;
    int bufferPercent_ = -1;  // -1 while the source has said nothing of buffering
    bool prerolled_ = false;
    mutable double lastTime_ = 0;
    std::vector<VideoSize> sizes_;
    float volume_ = 1;
    bool muted_ = false;
};

}  // namespace platform::media
