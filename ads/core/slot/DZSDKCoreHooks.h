#pragma once
// What the core page's constants ask of layers that come later: the MRAID script interceptor
// (its script paths and whether a creative's redirects are allowed), the page-content
// character sets and the signed-in token dispenser. The interceptor and the character sets are
// told at once, the dispenser through the refresher its layer installs; what was asked is kept
// too, for tests to read. Main thread, where the constants arrive.
#include <functional>
#include <optional>
#include <string>

class DZSDKCoreHooks {
  public:
    struct MRAIDSettings {
        std::optional<std::string> bannerPath;
        std::optional<std::string> interstitialPath;
        std::optional<std::string> expandedBannerPath;
        bool redirectDisallowed = false;
    };

    static void setMRAIDImplementationPaths(std::optional<std::string> banner,
                                            std::optional<std::string> interstitial,
                                            std::optional<std::string> expandedBanner);
    static void setMRAIDRedirectDisallowed(bool disallowed);
    static MRAIDSettings mraidSettings();

    // Where refreshSignedInUser() goes once the signed-in layer is installed.
    inline static std::function<void()> signedInUserRefresher;

    // How often the character sets and the signed-in user were asked to refresh.
    static void updateCharacterSets();
    static void refreshSignedInUser();
    static int characterSetUpdates();
    static int signedInUserRefreshes();
};
