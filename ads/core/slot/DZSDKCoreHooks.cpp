#include "ads/core/slot/DZSDKCoreHooks.h"

#include <mutex>

#include "ads/render/sampling/DZCharacterSets.h"
#include "ads/render/view/DZMRAIDInterceptor.h"

namespace {

struct Kept {
    std::mutex mutex;
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
    DZMRAIDInterceptor::setBannerImplementationPath(banner);
    DZMRAIDInterceptor::setInterstitialImplementationPath(interstitial);
    DZMRAIDInterceptor::setExpandedBannerImplementationPath(expandedBanner);
    std::lock_guard lock(kept().mutex);
    kept().mraid.bannerPath = std::move(banner);
    kept().mraid.interstitialPath = std::move(interstitial);
    kept().mraid.expandedBannerPath = std::move(expandedBanner);
}

void DZSDKCoreHooks::setMRAIDRedirectDisallowed(bool disallowed) {
    disallowed ? DZMRAIDInterceptor::disallow() : DZMRAIDInterceptor::allow();
    std::lock_guard lock(kept().mutex);
    kept().mraid.redirectDisallowed = disallowed;
}

DZSDKCoreHooks::MRAIDSettings DZSDKCoreHooks::mraidSettings() {
    std::lock_guard lock(kept().mutex);
    return kept().mraid;
}

void DZSDKCoreHooks::updateCharacterSets() {
    DZCharacterSets::sharedInstance()->updateCharacterSets();
    std::lock_guard lock(kept().mutex);
    ++kept().characterSetUpdates;
}

void DZSDKCoreHooks::refreshSignedInUser() {
    std::lock_guard lock(kept().mutex);
    ++kept().signedInUserRefreshes;
}

int DZSDKCoreHooks::characterSetUpdates() {
    std::lock_guard lock(kept().mutex);
    return kept().characterSetUpdates;
}

int DZSDKCoreHooks::signedInUserRefreshes() {
    std::lock_guard lock(kept().mutex);
    return kept().signedInUserRefreshes;
}
