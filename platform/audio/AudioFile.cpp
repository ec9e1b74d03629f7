#include "platform/audio/AudioFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::audio {

std::unique_ptr<AudioFile> AudioFile::open(const std::string& path, int* status) {
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) {
        *status = kFileCannotOpen;
        return nullptr;
    }
    std::unique_ptr<AudioFile> file(new AudioFile());
    file->file_ = f;
    file->channels_ = info.channels;
    file->sampleRate_ = info.samplerate;
    file->frames_ = info.frames;
    switch (info.format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_PCM_S8:
            file->pcm_ = true;
            file->bits_ = 8;
            break;
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_PCM_24:
        case SF_FORMAT_PCM_32:
            file->pcm_ = true;
            break;
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
            file->float_ = true;
            break;
        default:
            break;
    }
    // libsndfile plays what is there of a cut-short file; its log says when the data chunk was
    // declared longer than the file.
    char log[2048] = {};
    sf_command(f, SFC_GET_LOG_INFO, log, sizeof log);
    for (const char* line = log; line != nullptr && *line != '\0';) {
        const char* end = std::strchr(line, '\n');
        const std::string text(line, end ? static_cast<size_t>(end - line) : std::strlen(line));
        if (text.rfind("data", 0) == 0 && text.find("should be") != std::string::npos)
            file->truncated_ = true;
        line = end ? end + 1 : nullptr;
    }
    *status = 0;
    return file;
}

AudioFile::~AudioFile() {
    if (file_) sf_close(file_);
}

int AudioFile::readAll(PcmData* out) {
    if (!pcm_ || channels_ < 1 || channels_ > 2 || sampleRate_ <= 0 || frames_ < 0) return kFileUnsupported;
    if (truncated_) return kFileMalformed;
    const std::int64_t bytes = frames_ * channels_ * (bits_ / 8);
    if (bytes > kMaxEffectBytes) return kFileUnsupported;
    out->channels = channels_;
    out->bitsPerSample = bits_;
    out->sampleRate = sampleRate_;
    std::vector<std::int16_t> samples(static_cast<size_t>(frames_ * channels_));
    rewind();
    if (read16(samples.data(), frames_) != frames_) return kFileReadFailed;
    if (bits_ == 16) {
        out->bytes.resize(samples.size() * sizeof(std::int16_t));
        std::memcpy(out->bytes.data(), samples.data(), out->bytes.size());
    } else {
        // OpenAL's 8-bit samples are unsigned around 128.
        out->bytes.resize(samples.size());
        for (size_t i = 0; i < samples.size(); ++i)
            out->bytes[i] = static_cast<std::uint8_t>((samples[i] >> 8) + 128);
    }
    return 0;
}

std::int64_t AudioFile::read16(std::int16_t* out, std::int64_t frames) {
    if (frames <= 0) return 0;
    if (!float_) {
        const sf_count_t n = sf_readf_short(file_, out, frames);
        return n < 0 ? 0 : n;
    }
    // libsndfile would round floating-point samples to zero, or scale them by the file's own
    // peak; full scale is 1.0 here, as everywhere else.
    floats_.resize(static_cast<size_t>(frames * channels_));
    const sf_count_t n = sf_readf_float(file_, floats_.data(), frames);
    if (n <= 0) return 0;
    for (size_t i = 0; i < static_cast<size_t>(n * channels_); ++i)
        out[i] =
            static_cast<std::int16_t>(std::lround(std::clamp(floats_[i] * 32767.0f, -32768.0f, 32767.0f)));
    return n;
}

void AudioFile::rewind() {
    sf_seek(file_, 0, SEEK_SET);
}

}  // namespace platform::audio
