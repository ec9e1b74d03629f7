#pragma once
// The game's app core: its identity, its game core and its resource table, and the screens and
// services it hands to the shell's core (the screen director, the announcement manager, the
// game-over ad banner and the level download), which reach the core back through its door.
#include <memory>
#include <string>
#include <vector>

#include "shell/AppCoreBase.h"
#include "shell/GameIdentity.h"

class AnnounceManager;
class DiDazSupport;
class DlLevelsSupport;
class ScreenDirector;
class SimpleSelectView;
class ViewControllerBase;

class MyAppCore : public AppCoreBase {
  public:
    MyAppCore(std::string resourcesDir, std::shared_ptr<platform::GLContext> eaglContext);
    ~MyAppCore() override;

    static constexpr int kGameId = GameIdentity::kGameId;
    static constexpr const char* kDisplayName = GameIdentity::kDisplayName;

    // The game's identity comes from the bundle information (GameIdentity's values when a key is
    // missing); then the game core: its context and its level manager; then the ad banner (with
    // the default ad unit) and the level download.
    void setup() override;
    void loadResources() override;
    // "/startLevel" goes to the level download.
    bool handleLevelDownloadURL(const platform::Url& url) override;

    // Every texture the game loads, by name (without scale suffix or ".png").
    static const std::vector<std::string>& textureNames();

    // The announcement manager the core starts and stops: the process's own unless one was given.
    AnnounceManager& announceManager() const;
    void setAnnounceManager(std::shared_ptr<AnnounceManager> manager);
    // The level-download glue, made in setup.
    DlLevelsSupport* dlLevelsSupport() const { return dlLevelsSupport_.get(); }
    // The game-over screen's ad banner, made in setup.
    const std::shared_ptr<DiDazSupport>& diDazSupport() const { return diDazSupport_; }
    // The screens around the game.
    ScreenDirector& screens() const { return *screens_; }
    // The screen at the root of the window (null while a game runs).
    const std::shared_ptr<ViewControllerBase>& rootViewController() const;
    std::shared_ptr<SimpleSelectView> simpleSelectView();

  private:
    ScreenDirector* screens_;  // owned by the base as its screen flow
    std::shared_ptr<AnnounceManager> announceManager_;
    std::shared_ptr<DlLevelsSupport> dlLevelsSupport_;
    std::shared_ptr<DiDazSupport> diDazSupport_;
};
