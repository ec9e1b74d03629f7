#pragma once
// Writes interleaved 16-bit PCM into a WAV file (the headless run's rendered mix).
#include <cstdint>
#include <memory>
#include <string>

typedef struct sf_private_tag SNDFILE;

namespace platform::audio {

class WavWriter {
  public:
    // Creates or replaces a regular file; refuses anything else at the path (a folder, a device,
    // a pipe) and a folder that is not writable, with the reason in `error`.
    static std::unique_ptr<WavWriter> create(const std::string& path, int sampleRate, int channels,
                                             std::string* error);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool write(const std::int16_t* frames, std::int64_t count);
    std::int64_t framesWritten() const { return written_; }
    // Finishes the header; false when the data did not reach the disk.
    bool close();

  private:
    WavWriter() = default;

    SNDFILE* file_ = nullptr;
    std::int64_t written_ = 0;
    bool failed_ = false;
};

}  // namespace platform::audio
