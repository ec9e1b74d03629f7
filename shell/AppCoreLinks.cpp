// AppCoreBase: the signed server links, opened in the user's browser.
#include <chrono>

#include "appbase/JTLevelInfo.h"
#include "appbase/JTLevelManager.h"
#include "appbase/LogMessage.h"
#include "platform/foundation/SystemVersion.h"
#include "platform/launcher/UrlOpener.h"
#include "shell/AppCoreBase.h"
#include "shell/SignedLinks.h"
#include "shell/UiUtil.h"

namespace {

double secondsSince1970Now() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

SignedLinks::Identity AppCoreBase::linkIdentity() const {
    return {iphoneWebUrl_, static_cast<unsigned>(gameId_), appVersionString_, aridStr(), webSecretKey_,
            tnParamStr()};
}

std::string AppCoreBase::tnParamStr() const {
    return deviceTypeName_ + ";" + std::string(platform::kSystemVersion);
}

bool AppCoreBase::canSignLinks() {
    if (aridAvailable_) return true;
    // An all-zero id would be shared by every device that failed to make one: never sign with it.
    LogMessage("-[AppCoreBase canSignLinks]", 3, "no device account id; the link is not opened");
    ShowOkAlert("Error",
                "The account ID of this device is unavailable. Please restart the app and try again.");
    return false;
}

bool AppCoreBase::openWebUrl(const std::string& url) {
    return OpenWebPage(url, "-[AppCoreBase openURL]");
}

bool AppCoreBase::webJump(int target, int levelId) {
    if (!canSignLinks()) return false;
    const uint32_t now = SignedLinks::linkTime(secondsSince1970Now());
    return openWebUrl(SignedLinks::jump(linkIdentity(), now, static_cast<unsigned>(target), levelId).url);
}

bool AppCoreBase::webSubmitScore(const ScoreLinkEntry& score, int levelId,
                                 const std::optional<ScoreLinkEntry>& highScore, bool useHs) {
    if (!canSignLinks()) return false;
    std::optional<int64_t> dataHash;
    JTAppBase::JTLevelManager* manager = appContext_ ? appContext_->getLevelManager().get() : nullptr;
    if (manager != nullptr && manager->isFilesLevelManager()) {
        JTCore::Ref<JTAppBase::JTLevelInfo> info = manager->getLevelInfo(levelId);
        dataHash = info ? info->getDataHash() : -1;
    }
    std::optional<SignedLinks::ScoreEntry> hs;
    if (highScore) hs = SignedLinks::ScoreEntry{highScore->score, SignedLinks::linkTime(highScore->date)};
    const SignedLinks::ScoreEntry entry{score.score, SignedLinks::linkTime(score.date)};
    return openWebUrl(SignedLinks::submitScore(linkIdentity(), entry, levelId, hs, useHs, dataHash).url);
}

std::optional<std::string> AppCoreBase::downloadLevelUrlWithLevelId(int levelId, int64_t dh, int64_t tk) {
    if (!canSignLinks()) return std::nullopt;
    return SignedLinks::downloadLevel(linkIdentity(), levelId, dh, tk).url;
}
