#include "platform/compose/ComposeService.h"

namespace platform::compose {

namespace {

std::shared_ptr<ComposeService>& installed() {
    static std::shared_ptr<ComposeService> service;
    return service;
}

}  // namespace

ComposeService& ComposeService::shared() {
    auto& service = installed();
    if (!service) service = std::make_shared<ComposeService>();
    return *service;
}

std::shared_ptr<ComposeService> ComposeService::setShared(std::shared_ptr<ComposeService> service) {
    auto previous = std::move(installed());
    installed() = std::move(service);
    return previous;
}

}  // namespace platform::compose
