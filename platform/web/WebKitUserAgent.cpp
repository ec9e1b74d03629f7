#include "platform/web/WebKitUserAgent.h"

#include "platform/web/WebBackend.h"
#include "platform/web/WebViews.h"

namespace platform::web {

std::optional<std::string> webKitDefaultUserAgent() {
    WebBackend* backend = WebViews::backend();
    return backend ? backend->defaultUserAgent() : std::nullopt;
}

}  // namespace platform::web
