#pragma once
// Sound files read through libsndfile: WAV, AIFF, CAF and the other formats it knows. Effects are
// read whole as linear PCM; music is read in pieces.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace platform::audio {

// Failures are negative codes, so they never read as one of the engine's own statuses.
constexpr int kFileCannotOpen = -2;   // missing, unreadable or not a sound file at all
constexpr int kFileMalformed = -3;    // cut short or its header lies about its data
constexpr int kFileUnsupported = -4;  // not linear PCM, more than two channels, too long
constexpr int kFileReadFailed = -5;   // the data could not be read

// An effect's data, whole and ready for an OpenAL buffer.
struct PcmData {
    int channels = 0;       // 1 or 2
    int bitsPerSample = 0;  // 8 (unsigned) or 16 (signed, native order)
    int sampleRate = 0;
    std::vector<std::uint8_t> bytes;
};

class AudioFile {
  public:
    // Longest effect accepted (effects are short; anything longer is not one of ours).
    static constexpr std::int64_t kMaxEffectBytes = 16 * 1024 * 1024;

    static std::unique_ptr<AudioFile> open(const std::string& path, int* status);
    ~AudioFile();
    AudioFile(const AudioFile&) = delete;
    AudioFile& operator=(const AudioFile&) = delete;

    int channels() const { return channels_; }
    int sampleRate() const { return sampleRate_; }
    std::int64_t frames() const { return frames_; }
    // Linear PCM of 8 bits keeps its width; every other PCM width is read as 16 bits.
    bool isLinearPcm() const { return pcm_; }
    int bitsPerSample() const { return bits_; }
    // True when the file holds less data than its header declares.
    bool isTruncated() const { return truncated_; }

    // The whole file as PCM (status 0), or a failure code.
    int readAll(PcmData* out);
    // Up to `frames` frames of 16-bit samples from the current position; the count read, 0 at the end.
    std::int64_t read16(std::int16_t* out, std::int64_t frames);
    void rewind();

  private:
    AudioFile() = default;

    SNDFILE* file_ = nullptr;
    int channels_ = 0;
    int sampleRate_ = 0;
    std::int64_t frames_ = 0;
    bool pcm_ = false;
    bool float_ = false;
    int bits_ = 16;
    std::vector<float> floats_;
    bool truncated_ = false;
};

}  // namespace platform::audio
