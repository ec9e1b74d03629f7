#include "sound/SoundMusicPlayer.h"

#include <algorithm>

#include "platform/runloop/RunLoop.h"
#include "sound/SoundEffect.h"
#include "sound/SoundEngine.h"
#include "sound/SoundLog.h"

namespace sound {

namespace {

constexpr std::int64_t kMinBufferBytes = 16384;
constexpr std::int64_t kMaxBufferBytes = 65536;
// A track read whole into one buffer is bounded like an effect.
constexpr std::int64_t kMaxWholeBytes = platform::audio::AudioFile::kMaxEffectBytes;

ALenum format16(int channels) {
    return channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
}

}  // namespace

SoundMusicPlayer::~SoundMusicPlayer() {
    if (refillTimer_) refillTimer_->invalidate();
    if (source_ != 0) {
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);
        alDeleteSources(1, &source_);
    }
    releaseBuffers();
    alGetError();
}

int SoundMusicPlayer::openTrack(Track& track) {
    int status = 0;
    track.file = platform::audio::AudioFile::open(track.path, &status);
    if (!track.file) return reportFileStatus("Error opening file", status, track.path);
    if (track.file->channels() < 1 || track.file->channels() > 2 || track.file->sampleRate() <= 0) {
        track.file.reset();
        return reportFileStatus("Error getting file format", platform::audio::kFileUnsupported, track.path);
    }
    if (track.file->frames() <= 0 || track.file->isTruncated()) {
        track.file.reset();
        return reportFileStatus("Error getting file data size", platform::audio::kFileMalformed, track.path);
    }
    track.channels = track.file->channels();
    track.sampleRate = track.file->sampleRate();
    track.frames = track.file->frames();
    return 0;
}

int SoundMusicPlayer::addTrack(const std::string& path, bool addToQueue, bool loadAtOnce) {
    Track track;
    track.path = path;
    track.loadAtOnce = loadAtOnce;
    if (int status = openTrack(track); status != 0) return status;
    if (!addToQueue) {
        tracks_.clear();
        current_ = 0;
    }
    tracks_.push_back(std::move(track));
    if (tracks_.size() == 1) return build();
    // A waiting track is opened again when its turn comes.
    tracks_.back().file.reset();
    if (source_ != 0) alSourcei(source_, AL_LOOPING, AL_FALSE);
    return 0;
}

bool SoundMusicPlayer::wholeTrack(const Track& track) const {
    const std::int64_t bytes = track.frames * track.channels * 2;
    if (bytes > kMaxWholeBytes) return false;
    return track.loadAtOnce || bytes < kStreamBuffers * bufferFrames_ * track.channels * 2;
}

void SoundMusicPlayer::releaseBuffers() {
    if (!buffers_.empty()) alDeleteBuffers(static_cast<ALsizei>(buffers_.size()), buffers_.data());
    buffers_.clear();
}

int SoundMusicPlayer::build() {
    Track& track = tracks_[current_];
    alGetError();
    if (source_ == 0) {
        alGenSources(1, &source_);
        if (ALenum err = alGetError(); err != AL_NO_ERROR) {
            source_ = 0;
            return reportAlError("Error creating queue", err);
        }
        alSourcef(source_, AL_GAIN, volume_ * SoundSystemGlobalVolumeFactor());
        // Music plays at the listener, not somewhere in the scene.
        alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
    }
    alSourceStop(source_);
    alSourcei(source_, AL_BUFFER, 0);
    releaseBuffers();
    rebuild_ = false;

    // Half a second of sound per buffer, within 16 KB and 64 KB.
    const std::int64_t frameBytes = track.channels * 2;
    const std::int64_t bytes =
        std::clamp<std::int64_t>(track.sampleRate / 2 * frameBytes, kMinBufferBytes, kMaxBufferBytes);
    bufferFrames_ = bytes / frameBytes;
    whole_ = wholeTrack(track);
    if (whole_) bufferFrames_ = track.frames;
    buffers_.resize(whole_ ? 1 : kStreamBuffers);
    alGenBuffers(static_cast<ALsizei>(buffers_.size()), buffers_.data());
    if (ALenum err = alGetError(); err != AL_NO_ERROR) {
        buffers_.clear();
        return reportAlError("Error allocating buffer for queue", err);
    }
    track.file->rewind();
    for (ALuint buffer : buffers_) fill(buffer);
    // One track held whole repeats by looping its buffer, with no gap and no reading.
    alSourcei(source_, AL_LOOPING, whole_ && tracks_.size() == 1 ? AL_TRUE : AL_FALSE);
    return 0;
}

bool SoundMusicPlayer::fill(ALuint buffer) {
    if (rebuild_ || tracks_.empty()) return false;
    Track* track = &tracks_[current_];
    scratch_.resize(static_cast<size_t>(bufferFrames_ * track->channels));
    std::int64_t got = track->file ? track->file->read16(scratch_.data(), bufferFrames_) : 0;
    if (got == 0) {
        // End of the track: on to the next one, the list repeating.
        if (stopAtEnd_ && current_ + 1 == tracks_.size()) return false;
        const std::size_t next = (current_ + 1) % tracks_.size();
        const int channels = track->channels;
        const int rate = track->sampleRate;
        const bool wasWhole = whole_;
        if (next != current_) {
            track->file.reset();
            current_ = next;
            track = &tracks_[current_];
            if (openTrack(*track) != 0) return false;
        } else {
            track->file->rewind();
        }
        // Another sample layout, or a track held whole beside a streamed one, needs new buffers;
        // that waits until what is queued has played.
        if (track->channels != channels || track->sampleRate != rate || wholeTrack(*track) != wasWhole ||
            (wasWhole && track->frames > bufferFrames_)) {
            rebuild_ = true;
            return false;
        }
        scratch_.resize(static_cast<size_t>(bufferFrames_ * track->channels));
        got = track->file->read16(scratch_.data(), bufferFrames_);
        if (got == 0) return false;
    }
    alGetError();
    alBufferData(buffer, format16(track->channels), scratch_.data(),
                 static_cast<ALsizei>(got * track->channels * 2), track->sampleRate);
    alSourceQueueBuffers(source_, 1, &buffer);
    if (ALenum err = alGetError(); err != AL_NO_ERROR) {
        reportAlError("Error enqueuing new buffer", err);
        return false;
    }
    return true;
}

bool SoundMusicPlayer::startTimer() {
    if (refillTimer_ || !platform::RunLoop::hasMain()) return false;
    refillTimer_ =
        platform::RunLoop::main().scheduleRepeating(kRefillInterval, [this](platform::Timer&) { refill(); });
    return true;
}

int SoundMusicPlayer::start() {
    if (tracks_.empty() || source_ == 0) return kSoundOk;
    alGetError();
    alSourcePlay(source_);
    if (ALenum err = alGetError(); err != AL_NO_ERROR) return reportAlError("Error starting queue", err);
    started_ = true;
    startTimer();
    return kSoundOk;
}

void SoundMusicPlayer::refill() {
    if (source_ == 0 || !started_) return;
    ALint processed = 0;
    alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
    for (ALint i = 0; i < processed; ++i) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(source_, 1, &buffer);
        fill(buffer);
    }
    ALint queued = 0;
    ALint state = AL_STOPPED;
    alGetSourcei(source_, AL_BUFFERS_QUEUED, &queued);
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING) return;
    if (rebuild_ && queued == 0) {
        if (build() == 0) alSourcePlay(source_);
    } else if (queued > 0) {
        // The queue ran dry before this refill: carry on from where it stopped.
        alSourcePlay(source_);
    }
    alGetError();
}

bool SoundMusicPlayer::isPlaying() const {
    if (source_ == 0) return false;
    ALint state = AL_STOPPED;
    alGetSourcei(source_, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

int SoundMusicPlayer::setVolume(float volume) {
    volume_ = volume;
    if (source_ != 0) alSourcef(source_, AL_GAIN, volume_ * SoundSystemGlobalVolumeFactor());
    return kSoundOk;
}

}  // namespace sound
