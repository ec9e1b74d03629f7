#include "platform/web/WebEngine.h"

#include <cctype>

namespace platform::web {

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

}  // namespace platform::web
