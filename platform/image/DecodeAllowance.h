#pragma once
// Decode work that the pictures of one whole (an ad's) share, so that many pictures each just
// within the decoder's own bounds cannot add up to minutes. A picture's work is the largest size
// its file declares times the passes its loader makes over it (a JPEG's scans; one for other
// formats), taken before it decodes. Once a picture's work passes what is left, it is refused and
// so is every picture after it, whatever its size. Any thread.
#include <atomic>
#include <cstdint>

namespace platform {

class DecodeAllowance {
  public:
    explicit DecodeAllowance(std::uint64_t work) : left_(work) {}
    DecodeAllowance(const DecodeAllowance&) = delete;
    DecodeAllowance& operator=(const DecodeAllowance&) = delete;

    // Takes `work` and says true, or says false and takes nothing, now and for good.
    bool take(std::uint64_t work);
    // Whether a picture has been refused.
    bool spent() const { return spent_; }
    // True for the first caller after the first refusal only: whoever reports it does so once.
    bool claimRefusalReport() { return spent_ && !reported_.exchange(true); }
    std::uint64_t left() const { return left_; }

  private:
    std::atomic<std::uint64_t> left_;
    std::atomic<bool> spent_{false};
    std::atomic<bool> reported_{false};
};

}  // namespace platform
