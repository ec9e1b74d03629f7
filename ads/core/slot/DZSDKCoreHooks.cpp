#include "ads/core/slot/DZSDKCoreHooks.h"

#include "ads/render/sampling/DZCharacterSets.h"
#include "ads/render/view/DZMRAIDInterceptor.h"
#include "platform/dispatch/MainThread.h"

namespace {

// What the page's constants last asked for; the constants arrive on the main thread.
struct Kept {
    DZSDKCoreHooks::MRAIDSettings mraid;
    int characterSetUpdates = 0;
    int signedInUserRefreshes = 0;
};

Kept& kept() {
    static Kept instance;
    return instance;
}

}  // namespace

void DZSDKCoreHooks::setMRAIDImplementationPaths(std::optional<std::string> banner,
                                                 std::optional<std::string> interstitial,
                                                 std::optional<std::string> expandedBanner) {
    ASSERT_MAIN_THREAD();
    DZMRAIDInterceptor::setBannerImplementationPath(banner);
    DZMRAIDInterceptor::setInterstitialImplementationPath(interstitial);
    DZMRAIDInterceptor::setExpandedBannerImplementationPath(expandedBanner);
    kept().mraid.bannerPath = std::move(banner);
    kept().mraid.interstitialPath = std::move(interstitial);
    kept().mraid.expandedBannerPath = std::move(expandedBanner);
}

void DZSDKCoreHooks::setMRAIDRedirectDisallowed(bool disallowed) {
    ASSERT_MAIN_THREAD();
    disallowed ? DZMRAIDInterceptor::disallow() : DZMRAIDInterceptor::allow();
    kept().mraid.redirectDisallowed = disallowed;
}

DZSDKCoreHooks::MRAIDSettings DZSDKCoreHooks::mraidSettings() {
    return kept().mraid;
}

void DZSDKCoreHooks::updateCharacterSets() {
    ASSERT_MAIN_THREAD();
    DZCharacterSets::sharedInstance()->updateCharacterSets();
    ++kept().characterSetUpdates;
}

void DZSDKCoreHooks::refreshSignedInUser() {
    ASSERT_MAIN_THREAD();
    ++kept().signedInUserRefreshes;
    if (signedInUserRefresher) signedInUserRefresher();
}

int DZSDKCoreHooks::characterSetUpdates() {
    return kept().characterSetUpdates;
}

int DZSDKCoreHooks::signedInUserRefreshes() {
    return kept().signedInUserRefreshes;
}
