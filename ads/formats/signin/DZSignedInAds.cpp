#include "ads/formats/signin/DZSignedInAds.h"

#include <mutex>

#include "ads/core/DZAdCoreHooks.h"
#include "ads/core/slot/DZSDKCoreHooks.h"
#include "ads/formats/signin/DZTokenDispenser.h"
#include "ads/foundation/DZApplication.h"

void DZSignedInAds::install() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Until start-up has made the dispenser, requests go without a token: the request path
        // never makes it (nor reads its store) itself.
        DZAdCoreHooks::signedInAdsToken = []() -> std::optional<std::string> {
            auto dispenser = DZTokenDispenser::sharedInstanceIfMade();
            return dispenser ? dispenser->token() : std::nullopt;
        };
        DZAdCoreHooks::refreshSignedInAdsToken = [](const std::string& token) {
            if (auto dispenser = DZTokenDispenser::sharedInstanceIfMade()) dispenser->refreshToken(token);
        };
        DZSDKCoreHooks::signedInUserRefresher = [] {
            if (auto dispenser = DZTokenDispenser::sharedInstanceIfMade()) dispenser->refreshSignedInUser();
        };
        DZApplication::setEarlyActivityHook(&DZEarlyActivityHooks::createTokenDispenser,
                                            [] { DZTokenDispenser::sharedInstance(); });
    });
}
