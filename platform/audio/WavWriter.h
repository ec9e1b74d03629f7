#pragma once
// Writes interleaved 16-bit PCM into a WAV file (the headless run's rendered mix). The samples go
// into a temporary file beside the target, which replaces the target only when the file is
// complete: a failed or interrupted run leaves the old file as it was.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

typedef struct sf_private_tag SNDFILE;

namespace platform::audio {

class WavWriter {
  public:
    // Refuses a target that exists and is not a regular file (after following links), and a
    // folder that cannot take the temporary file, with the reason in `error`.
    static std::unique_ptr<WavWriter> create(const std::string& path, int sampleRate, int channels,
                                             std::string* error);
    // Without a successful close() the temporary file is removed and the target left alone.
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool write(const std::int16_t* frames, std::int64_t count);
    std::int64_t framesWritten() const { return written_; }
    // Completes the file and puts it in place; false (with the reason) when it could not be.
    bool close(std::string* error = nullptr);

  private:
    WavWriter() = default;
    // The finished file takes over the replaced one's mode and owner (a new one gets 0644).
    bool takeOverModeAndOwner() const;

    SNDFILE* file_ = nullptr;
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::int64_t written_ = 0;
    bool failed_ = false;
    bool done_ = false;
};

}  // namespace platform::audio
