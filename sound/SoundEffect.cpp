#include "sound/SoundEffect.h"

#include <AL/alc.h>

#include <atomic>
#include <chrono>

#include "platform/audio/AudioFile.h"
#include "sound/SoundLog.h"

namespace sound {

namespace {

std::atomic<int> gLiveSources{0};
std::atomic<int> gLiveBuffers{0};

// The worker's priority on the scheduler's scale, above the threads that create it.
constexpr int kWorkerPriority = 31;
// How long a worker sleeps between looks at its source when nothing paces it.
constexpr std::chrono::milliseconds kPollInterval{2};

using BufferDataStaticProc = void(AL_APIENTRY*)(ALuint, ALenum, const ALvoid*, ALsizei, ALsizei);

// Plays from our own copy of the samples when the library can; otherwise it copies them.
BufferDataStaticProc bufferDataStatic() {
    static const auto fn = reinterpret_cast<BufferDataStaticProc>(alGetProcAddress("alBufferDataStatic"));
    return fn;
}

ALenum alFormat(int channels, int bits) {
    if (channels == 1) return bits == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
    return bits == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

}  // namespace

SoundEffect::SoundEffect(ALuint source, bool looping, MixClock* clock)
    : source_(source), looping_(looping), clock_(clock) {}

SoundEffect::~SoundEffect() {
    stopWorker();
    alSourceStop(source_);
    alSourcei(source_, AL_BUFFER, 0);
    alDeleteSources(1, &source_);
    --gLiveSources;
    for (Part* part : {&attack_, &loop_, &decay_}) {
        if (part->buffer == 0) continue;
        alDeleteBuffers(1, &part->buffer);
        --gLiveBuffers;
    }
    alGetError();
}

int SoundEffect::liveSources() {
    return gLiveSources;
}
int SoundEffect::liveBuffers() {
    return gLiveBuffers;
}
void SoundEffect::countSourceMade() {
    ++gLiveSources;
}

int SoundEffect::loadPart(const std::string& path, const char* infoMessage, Part* part) {
    int status = 0;
    auto file = platform::audio::AudioFile::open(path, &status);
    if (!file) return reportFileStatus("Error opening file", status, path);
    platform::audio::PcmData pcm;
    status = file->readAll(&pcm);
    if (status == platform::audio::kFileUnsupported) return reportFileStatus(infoMessage, status, path);
    if (status != 0) return reportFileStatus("Error reading file data", status, path);

    alGetError();
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    if (ALenum err = alGetError(); err != AL_NO_ERROR) return reportAlError("Error generating buffer", err);
    ++gLiveBuffers;
    const ALenum format = alFormat(pcm.channels, pcm.bitsPerSample);
    const auto size = static_cast<ALsizei>(pcm.bytes.size());
    if (auto fn = bufferDataStatic()) {
        fn(buffer, format, pcm.bytes.data(), size, pcm.sampleRate);
    } else {
        alBufferData(buffer, format, pcm.bytes.data(), size, pcm.sampleRate);
    }
    if (ALenum err = alGetError(); err != AL_NO_ERROR) {
        alDeleteBuffers(1, &buffer);
        --gLiveBuffers;
        return reportAlError("Error attaching data to buffer", err);
    }
    part->buffer = buffer;
    part->path = path;
    if (bufferDataStatic()) part->data = std::move(pcm.bytes);
    return 0;
}

int SoundEffect::loadLoop(const std::string& path, const char* infoMessage) {
    return loadPart(path, infoMessage, &loop_);
}

int SoundEffect::loadAttack(const std::string& path) {
    return loadPart(path, "Error loading attack file info", &attack_);
}

int SoundEffect::loadDecay(const std::string& path) {
    return loadPart(path, "Error loading decay file info", &decay_);
}

int SoundEffect::bindLoopBuffer() {
    alGetError();
    alSourcei(source_, AL_BUFFER, static_cast<ALint>(loop_.buffer));
    if (ALenum err = alGetError(); err != AL_NO_ERROR)
        return reportAlError("Error attaching file data to effect", err);
    return 0;
}

void SoundEffect::stopWorker() {
    if (!worker_) return;
    clock_->wakeAll();
    worker_->cancelAndJoin();
    worker_.reset();
}

int SoundEffect::clearQueue() {
    ALint queued = 0;
    alGetSourcei(source_, AL_BUFFERS_QUEUED, &queued);
    if (ALenum err = alGetError(); err != AL_NO_ERROR)
        return reportAlError("Error getting OpenAL queued buffer size", err);
    for (ALint i = 0; i < queued; ++i) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(source_, 1, &buffer);
        if (ALenum err = alGetError(); err != AL_NO_ERROR)
            return reportAlError("Error unqueueing buffers from source", err);
    }
    return 0;
}

int SoundEffect::start() {
    // The previous start's worker must be done with the source before it is reset.
    stopWorker();
    alGetError();
    alSourceStop(source_);
    if (ALenum err = alGetError(); err != AL_NO_ERROR) return reportAlError("Error stopping source", err);
    if (looping_) {
        // OpenAL keeps the buffers of a looping source queued: looping goes off first.
        alSourcei(source_, AL_LOOPING, AL_FALSE);
        if (int status = clearQueue(); status != 0) return reportStatus("Error clearing buffers", status);
        if (attack_.buffer != 0) {
            alSourceQueueBuffers(source_, 1, &attack_.buffer);
            alSourcei(source_, AL_LOOPING, AL_FALSE);
            if (ALenum err = alGetError(); err != AL_NO_ERROR)
                return reportAlError("Error queueing buffers for attack", err);
        }
        alSourceQueueBuffers(source_, 1, &loop_.buffer);
        if (ALenum err = alGetError(); err != AL_NO_ERROR)
            return reportAlError("Error queueing looping buffer", err);
        // Without an attack the loop loops from the first sample on.
        if (attack_.buffer == 0) alSourcei(source_, AL_LOOPING, AL_TRUE);
    }
    // Playing here rather than on the worker starts the effect in the mix the caller is in.
    alSourcePlay(source_);
    if (ALenum err = alGetError(); err != AL_NO_ERROR)
        return reportAlError("Error starting effect playback", err);
    if (looping_ && attack_.buffer != 0) {
        const MixClock::Id id = clock_->enter();
        worker_ = std::make_unique<OpenALThread>(
            [this, id](const std::atomic<bool>& cancelled) { switchToLoop(id, cancelled); }, kWorkerPriority,
            true);
        if (int status = worker_->start(); status != 0) {
            clock_->leave(id);
            worker_.reset();
            return status;
        }
    }
    return 0;
}

void SoundEffect::switchToLoop(MixClock::Id id, const std::atomic<bool>& cancelled) {
    while (!cancelled) {
        const std::uint64_t block = clock_->currentBlock();
        ALint processed = 0;
        alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
        if (ALenum err = alGetError(); err != AL_NO_ERROR) {
            reportAlError("Error getting processed buffer number", err);
            break;
        }
        if (processed > 0) {
            ALuint attack = 0;
            alSourceUnqueueBuffers(source_, 1, &attack);
            alSourcei(source_, AL_LOOPING, AL_TRUE);
            break;
        }
        clock_->acknowledgeAndWait(id, block, kPollInterval, cancelled);
    }
    clock_->leave(id);
}

int SoundEffect::stop(bool withDecay) {
    stopWorker();
    alGetError();
    if (!withDecay || decay_.buffer == 0) {
        alSourceStop(source_);
        if (ALenum err = alGetError(); err != AL_NO_ERROR) return reportAlError("Error stopping source", err);
        return 0;
    }
    // The current pass of the loop ends, then the decay plays once.
    alSourcei(source_, AL_LOOPING, AL_FALSE);
    if (ALenum err = alGetError(); err != AL_NO_ERROR) return reportAlError("Error turning off looping", err);
    alSourceQueueBuffers(source_, 1, &decay_.buffer);
    if (ALenum err = alGetError(); err != AL_NO_ERROR) return reportAlError("Error queueing decay file", err);
    return 0;
}

}  // namespace sound
