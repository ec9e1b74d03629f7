#pragma once
// The user agent the real web engine's views send when nobody sets one, for the requests the app
// makes on the views' behalf. Main thread only.
#include <optional>
#include <string>

namespace platform::web {

// Read once per process. Starts GTK when it has not started yet (leaving the process's C locale
// alone); nothing when there is no display to start it on.
std::optional<std::string> webKitDefaultUserAgent();

}  // namespace platform::web
