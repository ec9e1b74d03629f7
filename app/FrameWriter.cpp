#include "app/FrameWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/foundation/FileIO.h"
#include "platform/image/PngCodec.h"

FrameWriter::FrameWriter(std::filesystem::path folder, std::size_t maxWaiting)
    : folder_(std::move(folder)), maxWaiting_(maxWaiting > 0 ? maxWaiting : 1), worker_([this] { work(); }) {}

FrameWriter::~FrameWriter() {
    std::string ignored;
    finish(&ignored);
}

bool FrameWriter::add(std::string name, std::vector<std::uint8_t> rgba, int width, int height) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.size() < maxWaiting_ || !error_.empty(); });
    if (!error_.empty() || closing_) return false;
    waiting_.push_back({std::move(name), std::move(rgba), width, height});
    changed_.notify_all();
    return true;
}

void FrameWriter::work() {
    for (;;) {
        Frame frame;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !waiting_.empty() || closing_; });
            if (waiting_.empty()) return;
            frame = std::move(waiting_.front());
            waiting_.pop_front();
            changed_.notify_all();
        }
        const std::filesystem::path path = folder_ / frame.name;
        std::string reason;
        const std::vector<std::uint8_t> png =
            platform::PngCodec::encodeFast(frame.rgba.data(), frame.width, frame.height, &reason);
        const bool ok =
            !png.empty() && platform::writeFileAtomically(path, png.data(), png.size(),
                                                          platform::AtomicWriteOptions{0644, false}, &reason);
        std::lock_guard lock(mutex_);
        if (!ok && error_.empty()) {
            error_ = "cannot write PNG '" + path.string() + "': " + reason;
            waiting_.clear();
        }
        changed_.notify_all();
    }
}

bool FrameWriter::finish(std::string* error) {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        changed_.notify_all();
    }
    if (worker_.joinable()) {
        worker_.join();
        // One sync for every frame written: their data and the renames into the folder.
        const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0 || ::syncfs(dir) != 0) {
            if (error_.empty()) error_ = folder_.string() + ": cannot sync: " + std::strerror(errno);
        }
        if (dir >= 0) ::close(dir);
    }
    if (!error_.empty()) {
        *error = error_;
        return false;
    }
    return true;
}
