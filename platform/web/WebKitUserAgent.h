#pragma once
// The user agent the real web engine's views send when nobody sets one, for the requests the app
// makes on the views' behalf. Main thread only.
#include <optional>
#include <string>

namespace platform::web {

// Nothing while the engine does not run: asking never loads or starts it (a game that shows no
// page never maps the engine), so a caller keeps its own default until the first view.
std::optional<std::string> webKitDefaultUserAgent();

}  // namespace platform::web
