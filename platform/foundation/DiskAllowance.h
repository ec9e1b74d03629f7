#pragma once
// The bytes one party may keep on disk at once, shared by every writer working for it: each takes
// its bytes before it writes them and gives them back when its file is gone. Any thread.
#include <atomic>
#include <cstdint>

namespace platform {

class DiskAllowance {
  public:
    explicit DiskAllowance(std::int64_t capacity) : capacity_(capacity) {}
    DiskAllowance(const DiskAllowance&) = delete;
    DiskAllowance& operator=(const DiskAllowance&) = delete;

    // Takes `bytes` when they fit in what is left; false, and nothing taken, when they do not.
    bool take(std::int64_t bytes);
    void giveBack(std::int64_t bytes);

    std::int64_t capacity() const { return capacity_; }
    std::int64_t used() const { return used_.load(); }

  private:
    const std::int64_t capacity_;
    std::atomic<std::int64_t> used_{0};
};

}  // namespace platform
