#include "ads/foundation/DZUserAgent.h"

#include <mutex>

namespace {

std::mutex& agentMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& agent() {
    static std::string text;
    return text;
}

}  // namespace

std::string dz_userAgentString() {
    std::lock_guard<std::mutex> lock(agentMutex());
    return agent();
}

void dz_setUserAgentString(std::string userAgent) {
    std::lock_guard<std::mutex> lock(agentMutex());
    agent() = std::move(userAgent);
}
