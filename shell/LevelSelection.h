#pragma once
// Which level is played, and the catalog it is chosen from. The app core answers.
#include <memory>

namespace JTAppBase {
class JTAppContext;
class JTLevelManager;
}  // namespace JTAppBase
class LevelInfo;

class LevelSelection {
  public:
    virtual ~LevelSelection() = default;

    virtual int currentLevelId() const = 0;
    // Stores the id and drops the cached level info.
    virtual void setCurrentLevelId(int levelId) = 0;
    // The current level (cached); null for an id the catalog does not know.
    virtual std::shared_ptr<LevelInfo> currentLevelInfo() = 0;
    virtual JTAppBase::JTLevelManager* levelManager() const = 0;
    virtual JTAppBase::JTAppContext* appContext() const = 0;
};
