#pragma once
// The game's one random generator: a PCG32 (XSH-RR) whose 32-bit output is shifted down to the
// 31 bits the random helpers expect. A process-wide current instance serves randomInt and its
// kin; start-up seeds it from the clock, a replay or a test seeds it or swaps in its own.
// Like the game core it serves, it belongs to the main thread.
#include <cstdint>
#include <memory>

namespace JTAppBase {

class JTRandom {
  public:
    explicit JTRandom(uint64_t seed = 0);
    virtual ~JTRandom() = default;

    // Restarts the sequence: the same seed always gives the same sequence.
    virtual void seed(uint64_t seed);
    // The next value, uniformly in [0, 2^31).
    virtual uint32_t next31();

    // The generator behind the random helpers.
    static JTRandom& current();
    // Makes generator the current one (null goes back to the built-in instance, which keeps its
    // state); returns the one it replaces, null when that was the built-in instance.
    static std::shared_ptr<JTRandom> setCurrent(std::shared_ptr<JTRandom> generator);

  private:
    uint32_t next32();

    uint64_t state_ = 0;
};

}  // namespace JTAppBase
