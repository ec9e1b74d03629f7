#include "app/SoundRecorder.h"

#include "platform/audio/AudioDevice.h"
#include "platform/audio/WavWriter.h"
#include "sound/SoundEngine.h"

std::unique_ptr<SoundRecorder> SoundRecorder::create(const std::string& path, std::string* error) {
    auto writer = platform::audio::WavWriter::create(path, platform::audio::AudioDevice::kLoopbackRate,
                                                     platform::audio::AudioDevice::kLoopbackChannels, error);
    if (!writer) return nullptr;
    std::unique_ptr<SoundRecorder> recorder(new SoundRecorder());
    recorder->writer_ = std::move(writer);
    recorder->block_.resize(
        static_cast<size_t>(kFramesPerTick * platform::audio::AudioDevice::kLoopbackChannels));
    return recorder;
}

// A run that did not finish leaves no file: the writer drops its temporary.
SoundRecorder::~SoundRecorder() = default;

bool SoundRecorder::catchUp(long long ticks) {
    while (ticks_ < ticks) {
        SoundSystemRenderMix(block_.data(), kFramesPerTick);
        if (!writer_->write(block_.data(), kFramesPerTick)) return false;
        ++ticks_;
    }
    return true;
}

bool SoundRecorder::finish(std::string* error) {
    return writer_->close(error);
}
