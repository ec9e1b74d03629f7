#include "platform/audio/WavWriter.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/foundation/FileIO.h"

namespace platform::audio {

std::unique_ptr<WavWriter> WavWriter::create(const std::string& path, int sampleRate, int channels,
                                             std::string* error) {
    std::string why;
    const std::optional<std::filesystem::path> target = platform::resolveLinks(path, &why);
    if (!target) {
        *error = path + ": " + why;
        return nullptr;
    }
    struct stat st {};
    if (stat(target->c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        *error = path + ": exists and is not a regular file";
        return nullptr;
    }
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    std::unique_ptr<WavWriter> writer(new WavWriter());
    writer->target_ = *target;
    writer->temporary_ = platform::temporaryPathFor(*target);
    platform::removeStaleTemporariesOnce(writer->temporary_.parent_path());
    writer->file_ = sf_open(writer->temporary_.c_str(), SFM_WRITE, &info);
    if (writer->file_ == nullptr) {
        *error = path + ": cannot write the sound file (" + sf_strerror(nullptr) + ")";
        return nullptr;
    }
    return writer;
}

WavWriter::~WavWriter() {
    if (file_) sf_close(file_);
    if (!done_ && !temporary_.empty()) std::remove(temporary_.c_str());
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

bool WavWriter::close(std::string* error) {
    if (done_) return true;
    if (file_ != nullptr) {
        sf_write_sync(file_);
        if (sf_close(file_) != 0) failed_ = true;
        file_ = nullptr;
    }
    if (!failed_ && !takeOverModeAndOwner()) failed_ = true;
    if (!failed_ && std::rename(temporary_.c_str(), target_.c_str()) == 0) {
        done_ = true;
        return true;
    }
    failed_ = true;
    if (error) *error = target_.string() + ": the sound file could not be written";
    std::remove(temporary_.c_str());
    return false;
}

bool WavWriter::takeOverModeAndOwner() const {
    const int fd = ::open(temporary_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = platform::takeOverModeAndOwner(fd, target_, 0644);
    ::close(fd);
    return ok;
}

}  // namespace platform::audio
