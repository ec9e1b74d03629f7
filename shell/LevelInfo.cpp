#include "shell/LevelInfo.h"

#include "appbase/JTAppContext.h"
#include "shell/AppIdentity.h"
#include "shell/LevelScores.h"

namespace {
std::optional<std::string> textOf(const JTCore::Ref<JTCore::JTString>& s) {
    if (!s) return std::nullopt;
    return s->toUtf8();
}
}  // namespace

LevelInfo::LevelInfo(JTCore::Ref<JTAppBase::JTLevelInfo> impl, AppIdentity* appCore)
    : impl_(std::move(impl)), appCore_(appCore) {}

std::shared_ptr<LevelInfo> LevelInfo::forLevel(JTCore::Ref<JTAppBase::JTLevelInfo> impl) {
    if (!impl) return nullptr;
    AppIdentity* core = nullptr;
    if (auto context = impl->getAppContext()) core = dynamic_cast<AppIdentity*>(context->getAppCore());
    return std::make_shared<LevelInfo>(std::move(impl), core);
}

std::optional<std::string> LevelInfo::name() const {
    return textOf(impl_->getName());
}

std::optional<std::string> LevelInfo::helpMessage() const {
    return textOf(impl_->getHelpMessage());
}

std::string LevelInfo::webSecretKey() const {
    return appCore_ ? appCore_->webSecretKey() : std::string();
}

std::shared_ptr<LevelScores> LevelInfo::openLevelScores() {
    auto scores = std::make_shared<LevelScores>(shared_from_this());
    scores->open();
    return scores;
}
