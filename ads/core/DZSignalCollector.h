#pragma once
// The native signal collector: counts what the user's touches on ads look like so that a
// request (and later a click) carries a small signal of real use. It holds counters only: no
// identifier, nothing about the machine. Safe from any thread.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class DZSignalCollector {
  public:
    static constexpr int kStatusSuccess = 1;
    static constexpr int kStatusNotInitialised = 2;
    inline static const std::string kRequestSignalKey = "ms";

    static DZSignalCollector& sharedInstance();
    // A collector of its own (tests).
    static std::unique_ptr<DZSignalCollector> create();

    // The first call wins; later ones are ignored.
    void initialiseWithSDKVersion(const std::string& sdkVersion);

    // One touch on an ad that lasted durationMs milliseconds (negative counts as 0).
    void recordTouch(int64_t durationMs);

    // Replaces signal with "ms=" and the websafe base64 (unpadded) of the counters; answers
    // kStatusSuccess, or kStatusNotInitialised (signal untouched) before initialisation.
    int requestSignal(std::string& signal) const;

  private:
    DZSignalCollector() = default;

    mutable std::mutex mutex_;
    std::optional<std::string> sdkVersion_;
    uint64_t touches_ = 0;
    int64_t lastTouchDurationMs_ = 0;
};
