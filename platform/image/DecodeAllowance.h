#pragma once
// Decode work that the pictures of one whole (an ad's) share, so that many pictures each just
// within the decoder's own bounds cannot add up to minutes. A picture's work is the largest size
// its file declares times the passes its loader makes over it (a JPEG's scans; one for other
// formats) times what a pixel of its format costs, and the bytes its loader reads, in one currency
// of time whatever the format (ImageDecoder::kWorkPerByte), taken before it decodes. Once a picture's work
// passes what is left, it is refused and so is every picture after it, whatever its size. An allowance may
// also draw on a pool that several share (the ads loading at the same time): a picture then takes
// its work from both, and one that passes what is left of either is refused. Any thread.
#include <atomic>
#include <cstdint>
#include <memory>

namespace platform {

class DecodeAllowance {
  public:
    explicit DecodeAllowance(std::uint64_t work, std::shared_ptr<DecodeAllowance> pool = nullptr)
        : left_(work), pool_(std::move(pool)) {}
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
    // Takes `work` when that much is left; a pool refuses one picture, not those after it.
    bool takeLeft(std::uint64_t work);

    std::atomic<std::uint64_t> left_;
    const std::shared_ptr<DecodeAllowance> pool_;
    std::atomic<bool> spent_{false};
    std::atomic<bool> reported_{false};
};

}  // namespace platform
