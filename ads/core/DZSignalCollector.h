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
    // The same, lifted at (x, y) in the ad view's points.
    struct TouchPoint {
        int32_t x = 0;
        int32_t y = 0;
        bool operator==(const TouchPoint&) const = default;
    };
    void recordTouch(int32_t x, int32_t y, int64_t durationMs);
    // Where the last touch given a place lifted; nothing before one.
    std::optional<TouchPoint> lastTouchPoint() const;

    // Replaces signal with "ms=" and the websafe base64 (unpadded) of the counters; answers
    // kStatusSuccess, or kStatusNotInitialised (signal untouched) before initialisation.
    int requestSignal(std::string& signal) const;

  private:
    DZSignalCollector() = default;

    // Touches are counted on the main thread; request building reads the signal on worker queues.
    mutable std::mutex mutex_;
    std::optional<std::string> sdkVersion_;
    uint64_t touches_ = 0;
    int64_t lastTouchDurationMs_ = 0;
    std::optional<TouchPoint> lastTouchPoint_;
};
