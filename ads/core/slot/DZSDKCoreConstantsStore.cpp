// Storing what the constants ask for: user defaults and the hooks of later layers.
#include "ads/core/slot/DZSDKCoreConstants.h"
#include "ads/core/slot/DZSDKCoreHooks.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZLogger.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/plist/PlistArray.h"
#include "platform/plist/PlistDict.h"

namespace {

std::string key(const std::string& name) {
    return "/rerive/ads/" + name;
}

}  // namespace

DZSDKCoreConstants::Applied DZSDKCoreConstants::apply(const std::map<std::string, std::string>& constants) {
    const Reading reading = read(constants);
    for (const auto& name : reading.ignored) {
        DZLog("SDK constant \"%s\" ignored: more than %zu bytes", name.substr(0, 64).c_str(), kMaxValueBytes);
    }
    auto defaults = platform::UserDefaults::standard();
    DZSDKCoreHooks::setMRAIDImplementationPaths(reading.mraidBannerPath, reading.mraidInterstitialPath,
                                                reading.mraidExpandedBannerPath);
    DZSDKCoreHooks::setMRAIDRedirectDisallowed(reading.mraidRedirectDisallowed);
    if (reading.whitelistedDomains) {
        platform::PlistArray domains;
        for (const auto& domain : *reading.whitelistedDomains) domains.appendString(domain);
        defaults->setArray(key("whitelisted_ad_request_domains"), std::move(domains));
    }
    if (reading.clickthroughConfirmSchemes) {
        platform::PlistDict schemes;
        for (const auto& [scheme, confirm] : *reading.clickthroughConfirmSchemes)
            schemes.setString(scheme, confirm);
        defaults->setDictionary(key("clickthrough_confirm_schemes"), std::move(schemes));
    }
    for (const auto& [name, text] : reading.copied) defaults->setString(key(name), text);
    DZSDKCoreHooks::updateCharacterSets();
    DZApplication::sharedInstance()->updateAvailableAdapterNamesWithPotentialAdapterNames(
        reading.adapterClassNames);
    DZSDKCoreHooks::refreshSignedInUser();
    return reading.applied;
}
