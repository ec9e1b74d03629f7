#include "ads/core/DZSignalCollector.h"

#include <algorithm>

#include <openssl/evp.h>

namespace {

std::string websafeBase64(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(n));
    // Unpadded: the pair is split at "=", so a padding "=" would cut the value short.
    while (!out.empty() && out.back() == '=') out.pop_back();
    std::replace(out.begin(), out.end(), '+', '-');
    std::replace(out.begin(), out.end(), '/', '_');
    return out;
}

}  // namespace

DZSignalCollector& DZSignalCollector::sharedInstance() {
    static DZSignalCollector* collector = new DZSignalCollector();  // read up to the process's end
    return *collector;
}

std::unique_ptr<DZSignalCollector> DZSignalCollector::create() {
    return std::unique_ptr<DZSignalCollector>(new DZSignalCollector());
}

void DZSignalCollector::initialiseWithSDKVersion(const std::string& sdkVersion) {
    std::lock_guard lock(mutex_);
    if (!sdkVersion_) sdkVersion_ = sdkVersion;
}

void DZSignalCollector::recordTouch(int64_t durationMs) {
    std::lock_guard lock(mutex_);
    ++touches_;
    lastTouchDurationMs_ = std::max<int64_t>(durationMs, 0);
}

void DZSignalCollector::recordTouch(int32_t x, int32_t y, int64_t durationMs) {
    recordTouch(durationMs);
    std::lock_guard lock(mutex_);
    lastTouchPoint_ = TouchPoint{x, y};
}

std::optional<DZSignalCollector::TouchPoint> DZSignalCollector::lastTouchPoint() const {
    std::lock_guard lock(mutex_);
    return lastTouchPoint_;
}

int DZSignalCollector::requestSignal(std::string& signal) const {
    std::lock_guard lock(mutex_);
    if (!sdkVersion_) return kStatusNotInitialised;
    const std::string counters =
        "v=1&t=" + std::to_string(touches_) + "&d=" + std::to_string(lastTouchDurationMs_);
    signal = kRequestSignalKey + "=" + websafeBase64(counters);
    return kStatusSuccess;
}
