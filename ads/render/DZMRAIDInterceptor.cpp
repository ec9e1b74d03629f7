#include "ads/render/DZMRAIDInterceptor.h"

#include <mutex>

namespace {
struct Shared {
    std::mutex lock;
    bool allowed = true;
    int count = 0;
};
Shared& shared() {
    static Shared s;
    return s;
}
}  // namespace

void DZMRAIDInterceptor::allow() {
    std::lock_guard g(shared().lock);
    shared().allowed = true;
}

void DZMRAIDInterceptor::disallow() {
    std::lock_guard g(shared().lock);
    shared().allowed = false;
}

bool DZMRAIDInterceptor::isAllowed() {
    std::lock_guard g(shared().lock);
    return shared().allowed;
}

void DZMRAIDInterceptor::enableCanInitWithRequest() {
    std::lock_guard g(shared().lock);
    ++shared().count;
}

void DZMRAIDInterceptor::disableCanInitWithRequest() {
    std::lock_guard g(shared().lock);
    if (shared().count > 0) --shared().count;
}

void DZMRAIDInterceptor::resetCanInitWithRequestCounter() {
    std::lock_guard g(shared().lock);
    shared().count = 0;
}

int DZMRAIDInterceptor::canInitWithRequestCounter() {
    std::lock_guard g(shared().lock);
    return shared().count;
}
