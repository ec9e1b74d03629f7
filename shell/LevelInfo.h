#pragma once
// The shell's view of one level of the catalog: its ids and texts, the app core it belongs to,
// and its local score lists.
#include <memory>
#include <optional>
#include <string>

#include "appbase/JTLevelInfo.h"

class AppIdentity;
class LevelScores;

class LevelInfo : public std::enable_shared_from_this<LevelInfo> {
  public:
    // `appCore` may be null (then the secret key is empty); `impl` must not be.
    LevelInfo(JTCore::Ref<JTAppBase::JTLevelInfo> impl, AppIdentity* appCore);
    // The wrapper of a catalog level, with the app core its context belongs to.
    static std::shared_ptr<LevelInfo> forLevel(JTCore::Ref<JTAppBase::JTLevelInfo> impl);

    JTAppBase::JTLevelInfo* impl() const { return impl_.get(); }
    int levelId() const { return impl_->getLevelId(); }
    int webLevelId() const { return impl_->getWebLevelId(); }
    std::optional<std::string> name() const;
    std::optional<std::string> helpMessage() const;
    int canvasLayout() const { return impl_->getCanvasLayout(); }
    AppIdentity* appCore() const { return appCore_; }
    // The app core's key that the score hashes are made with.
    std::string webSecretKey() const;

    // The level's lists, loaded from its file.
    std::shared_ptr<LevelScores> openLevelScores();

  private:
    JTCore::Ref<JTAppBase::JTLevelInfo> impl_;
    AppIdentity* appCore_;
};
