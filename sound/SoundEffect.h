#pragma once
// One loaded effect: an OpenAL source with its loop buffer and, for a looping effect, optional
// attack and decay buffers played once before and after the loop.
#include <AL/al.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sound/MixClock.h"
#include "sound/OpenALThread.h"

namespace sound {

class SoundEffect {
  public:
    // Takes ownership of `source`. The clock paces the worker of a looping effect's attack.
    SoundEffect(ALuint source, bool looping, MixClock* clock);
    // Joins the worker, then deletes the source and every buffer.
    ~SoundEffect();
    SoundEffect(const SoundEffect&) = delete;
    SoundEffect& operator=(const SoundEffect&) = delete;

    // Reads a file into the loop, attack or decay buffer; `infoMessage` names the part in the
    // line printed when the file is not usable PCM. 0 or the failure's status.
    int loadLoop(const std::string& path, const char* infoMessage);
    int loadAttack(const std::string& path);
    int loadDecay(const std::string& path);
    // A one-shot effect plays its loop buffer as the source's only buffer.
    int bindLoopBuffer();

    int start();
    int stop(bool withDecay);

    ALuint source() const { return source_; }
    bool isLooping() const { return looping_; }
    bool hasAttack() const { return attack_.buffer != 0; }
    bool hasDecay() const { return decay_.buffer != 0; }
    bool workerRunning() const { return worker_ && worker_->isRunning(); }
    ALuint loopBuffer() const { return loop_.buffer; }

    // OpenAL names alive across all effects (sources and buffers made and not yet deleted).
    static int liveSources();
    static int liveBuffers();
    static void countSourceMade();

  private:
    struct Part {
        ALuint buffer = 0;
        std::string path;
        // Kept only while OpenAL plays from it in place (static buffers).
        std::vector<std::uint8_t> data;
    };

    static int loadPart(const std::string& path, const char* infoMessage, Part* part);
    int clearQueue();
    void stopWorker();
    void switchToLoop(MixClock::Id id, const std::atomic<bool>& cancelled);

    ALuint source_;
    Part attack_;
    Part loop_;
    Part decay_;
    bool looping_;
    MixClock* clock_;
    std::unique_ptr<OpenALThread> worker_;
};

}  // namespace sound
