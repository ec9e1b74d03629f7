#include "tools/adprobe/SignInProbe.h"

#include <memory>

#include "ads/formats/signin/DZFakeSignIn.h"
#include "ads/formats/signin/DZTokenDispenser.h"
#include "ads/formats/signin/DZTokenService.h"
#include "ads/foundation/DZDevice.h"
#include "ads/public/DZAdFormats.h"
#include "platform/keychain/KeychainStore.h"
#include "platform/runloop/ManualRunLoop.h"
#include "tools/adprobe/ProbeClock.h"
#include "tools/adprobe/SlotProbe.h"

void prepareSignIn(const SignInProbeOptions& options) {
    if (options.fakeSignIn) {
        auto signIn = DZFakeSignIn::registerShared();
        signIn->setClientID("tikoleap-probe");
        signIn->setUser(DZFakeSignIn::idTokenFor("https://accounts.tikoleap.test", "probe-player"),
                        "tikoleap-probe-refresh");
    }
    const bool allowTracking = options.allowTracking;
    DZTokenDispenser::setSharedInstance(DZTokenDispenser::create(
        DZTokenService::defaultEndpoint(), nullptr,
        std::make_shared<platform::KeychainStore>(platform::KeychainStore::defaultFile()),
        [allowTracking] { return !allowTracking && DZDevice::sharedInstance()->limitAdTracking(); }));
    DZAdFormats::installHooks();
}

nlohmann::json runSignIn(const SignInProbeOptions& options, platform::ManualRunLoop& loop) {
    auto owner = std::make_shared<ProbeSlotOwner>();
    auto slot = startProbeSlot(options.unit, owner);
    auto dispenser = DZTokenDispenser::sharedInstance();
    std::optional<std::string> token;
    // The core page's constants switch signed-in ads on; the token follows.
    turnUntil(
        loop, [&] { return (token = dispenser->token()).has_value(); }, options.timeoutSeconds);
    const auto parameters = slot->requestParameters();
    nlohmann::json result = {{"token", token ? nlohmann::json(*token) : nlohmann::json(nullptr)},
                             {"requestParameters", parameters ? *parameters : nlohmann::json(nullptr)}};
    slot->cancelPendingAndFutureActions();
    // The cache is on disk before the process ends.
    dispenser->flush(std::chrono::seconds(5));
    return result;
}
