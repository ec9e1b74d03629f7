#include "platform/audio/WavWriter.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <cstring>

namespace platform::audio {

std::unique_ptr<WavWriter> WavWriter::create(const std::string& path, int sampleRate, int channels,
                                             std::string* error) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        *error = path + ": exists and is not a regular file";
        return nullptr;
    }
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        *error = path + ": cannot write the sound file (" + sf_strerror(nullptr) + ")";
        return nullptr;
    }
    std::unique_ptr<WavWriter> writer(new WavWriter());
    writer->file_ = f;
    return writer;
}

WavWriter::~WavWriter() {
    close();
}

bool WavWriter::write(const std::int16_t* frames, std::int64_t count) {
    if (file_ == nullptr || failed_) return false;
    if (count <= 0) return true;
    if (sf_writef_short(file_, frames, count) != count) {
        failed_ = true;
        return false;
    }
    written_ += count;
    return true;
}

bool WavWriter::close() {
    if (file_ == nullptr) return !failed_;
    sf_write_sync(file_);
    if (sf_close(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

}  // namespace platform::audio
