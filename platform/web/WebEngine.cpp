#include "platform/web/WebEngine.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <string_view>

namespace platform::web {

WebEngine::FrameListening WebEngine::listenToFrames(std::function<void()> listener) {
    auto held = std::make_shared<std::function<void()>>(std::move(listener));
    std::erase_if(frameListeners_, [](const auto& weak) { return weak.expired(); });
    frameListeners_.push_back(held);
    return held;
}

void WebEngine::pageDrew() {
    drawnFrame_ = ++frames_;
    // Each listener may release this engine or another listener: the list is copied, each is
    // called only while still held, and nothing of the engine is touched once it is gone.
    const std::vector<std::weak_ptr<std::function<void()>>> listeners = frameListeners_;
    const std::weak_ptr<char> alive = listening_;
    for (const auto& weak : listeners) {
        if (alive.expired()) return;
        if (const auto listener = weak.lock()) (*listener)();
    }
}

std::string WebEngine::schemeOf(const std::string& url) {
    // RFC 3986: ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ) ":"
    std::string scheme;
    for (char c : url) {
        const auto u = static_cast<unsigned char>(c);
        if (c == ':') return scheme;
        const bool ok =
            std::isalpha(u) || (!scheme.empty() && (std::isdigit(u) || c == '+' || c == '-' || c == '.'));
        if (!ok) return {};
        scheme.push_back(static_cast<char>(std::tolower(u)));
    }
    return {};
}

bool WebEngine::isLoadableScheme(const std::string& scheme) {
    return scheme == "http" || scheme == "https" || scheme == "about";
}

bool WebEngine::decideNavigation(WebEngineDelegate* delegate, const NavigationAction& action) {
    const bool wanted = delegate ? delegate->shouldStartNavigation(action) : true;
    return wanted && isLoadableScheme(schemeOf(action.url));
}

std::optional<ContentSize> WebEngine::acceptContentSize(ContentSize reported) {
    if (reported.width < 0 || reported.height < 0 || reported.width > kMaxContentSide ||
        reported.height > kMaxContentSide)
        return std::nullopt;
    return ContentSize{std::max(reported.width, 1), std::max(reported.height, 1)};
}

double WebEngine::clampScale(double scale) {
    if (!std::isfinite(scale)) return 1;
    return std::clamp(scale, 0.25, 8.0);
}

bool WebEngine::isKnownKey(const std::string& key) {
    static constexpr std::array<std::string_view, 13> kNamed{
        "Enter",  "Backspace", "Tab",       "Escape",     "Delete",  "Home",     "End",
        "PageUp", "PageDown",  "ArrowLeft", "ArrowRight", "ArrowUp", "ArrowDown"};
    if (std::find(kNamed.begin(), kNamed.end(), key) != kNamed.end()) return true;
    // One UTF-8 encoded character that is not a control character.
    if (key.empty() || key.size() > 4) return false;
    const auto lead = static_cast<unsigned char>(key[0]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length != key.size()) return false;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(key[i]) & 0xC0) != 0x80) return false;
    }
    return length > 1 || (lead >= 0x20 && lead != 0x7F);
}

}  // namespace platform::web
