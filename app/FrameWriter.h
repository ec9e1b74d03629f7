#pragma once
// Writes captured frames as PNG files on a worker thread, in the order they were captured: the
// frame loop only reads pixels back and hands them over. Each file appears whole or not at all
// (written aside, then renamed); the data reach the disk with one filesystem sync at finish()
// rather than one per frame. At most a few frames wait, so memory stays bounded when the disk is
// slower than the game.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FrameWriter {
  public:
    explicit FrameWriter(std::filesystem::path folder, std::size_t maxWaiting = 4);
    ~FrameWriter();
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    // Queues `rgba` (top row first) to be written as `name` in the folder; waits while the queue
    // is full. False once a write has failed (nothing more is written then).
    bool add(std::string name, std::vector<std::uint8_t> rgba, int width, int height);
    // Writes everything still waiting, syncs the folder's filesystem once, and stops the worker.
    // False, with the first failure in `error`, when any frame could not be written.
    bool finish(std::string* error);

  private:
    struct Frame {
        std::string name;
        std::vector<std::uint8_t> rgba;
        int width;
        int height;
    };
    void work();

    std::filesystem::path folder_;
    std::size_t maxWaiting_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Frame> waiting_;
    bool closing_ = false;
    std::string error_;
    std::thread worker_;
};
