#pragma once
// One music track list streamed through an OpenAL source: half-second buffers refilled from the
// main run loop, or one buffer holding a short track whole. The list plays in order and repeats.
#include <AL/al.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/AudioFile.h"

namespace platform {
class Timer;
}

namespace sound {

class SoundMusicPlayer {
  public:
    static constexpr int kStreamBuffers = 3;
    static constexpr double kRefillInterval = 0.1;  // seconds of the main run loop

    SoundMusicPlayer() = default;
    // Stops at once, frees the source and buffers, closes the files.
    ~SoundMusicPlayer();
    SoundMusicPlayer(const SoundMusicPlayer&) = delete;
    SoundMusicPlayer& operator=(const SoundMusicPlayer&) = delete;

    int addTrack(const std::string& path, bool addToQueue, bool loadAtOnce);
    int start();
    int setVolume(float volume);
    // Moves played buffers back into the queue with the next part of the list (the run loop's
    // timer calls it; tests may call it directly).
    void refill();

    std::size_t trackCount() const { return tracks_.size(); }
    std::size_t currentTrack() const { return current_; }
    int bufferCount() const { return static_cast<int>(buffers_.size()); }
    std::int64_t bufferFrames() const { return bufferFrames_; }
    bool isPlaying() const;
    float volume() const { return volume_; }

  private:
    struct Track {
        std::string path;
        std::unique_ptr<platform::audio::AudioFile> file;
        int channels = 0;
        int sampleRate = 0;
        std::int64_t frames = 0;
        bool loadAtOnce = false;
    };

    int openTrack(Track& track);
    // Sizes and fills the buffers for the current track; the source is made on first use.
    int build();
    void releaseBuffers();
    // The next piece of the list into `buffer`; false when nothing was queued.
    bool fill(ALuint buffer);
    bool wholeTrack(const Track& track) const;
    bool startTimer();

    std::vector<Track> tracks_;
    std::size_t current_ = 0;
    ALuint source_ = 0;
    std::vector<ALuint> buffers_;
    std::int64_t bufferFrames_ = 0;
    bool whole_ = false;
    bool rebuild_ = false;
    bool stopAtEnd_ = false;
    bool started_ = false;
    float volume_ = 1.0f;
    std::vector<std::int16_t> scratch_;
    std::shared_ptr<platform::Timer> refillTimer_;
};

}  // namespace sound
