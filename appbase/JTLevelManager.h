#pragma once
#include <optional>
#include <string>
#include <vector>

#include "appbase/JTLevelMenuItem.h"
#include "core/JTArrayList.h"

namespace JTAppBase {

class JTAppContext;

// The level catalog as the rest of the system sees it. Abstract: the game's manager fills in the
// level table, the scene factory and the unlock rules.
class JTLevelManager : public JTCore::JTObject {
  public:
    explicit JTLevelManager(JTAppContext* context);
    ~JTLevelManager() override = default;

    virtual void createLevelInfos(const JTCore::Ref<JTCore::JTArrayList>& infos) = 0;
    virtual void createMenuItems(const JTCore::Ref<JTCore::JTArrayList>& infos,
                                 const JTCore::Ref<JTCore::JTArrayList>& items);
    virtual JTCore::Ref<JTLevelMenuItem> createMenuItem(int index, const JTCore::Ref<JTLevelInfo>& info);
    virtual void startLevelScene(int levelId) = 0;
    virtual void reloadLevels();
    virtual int indexOfLevel(int levelId) const;
    virtual JTCore::Ref<JTCore::JTObject> createLevelData(const JTCore::Ref<JTLevelInfo>& info);
    virtual JTCore::Ref<JTLevelInfo> newLevelInfo(int levelId);
    virtual JTCore::Ref<JTCore::JTString> getMenuItemInfoText(const JTCore::Ref<JTLevelInfo>& info);
    virtual JTCore::Ref<JTCore::JTString> getMenuItemTitle(const JTCore::Ref<JTLevelInfo>& info);
    virtual JTCore::Ref<JTCore::JTString> getMenuItemLabel(const JTCore::Ref<JTLevelInfo>& info);
    virtual JTCore::Ref<JTCore::JTString> getLevelName(const JTCore::Ref<JTLevelInfo>& info);
    virtual bool isFilesLevelManager() const { return false; }
    virtual bool supportsNextLevel() const { return isFilesLevelManager(); }
    virtual JTCore::Ref<JTLevelInfo> getNextLevelInfo(const JTCore::Ref<JTLevelInfo>& info) {
        return nullptr;
    }
    virtual bool canDownloadLevels() const { return isFilesLevelManager(); }
    virtual void onGameOver(int levelId, int score) {}
    virtual void showMessage(const JTCore::Ref<JTCore::JTString>& title,
                             const JTCore::Ref<JTCore::JTString>& message);
    virtual JTCore::Ref<JTCore::JTString> getMenuTitlePrefix() const { return menuTitlePrefix_; }
    virtual void setMenuTitlePrefix(const JTCore::Ref<JTCore::JTString>& prefix) {
        menuTitlePrefix_ = prefix;
    }

    JTCore::Ref<JTAppContext> getAppContext() const;
    JTCore::Ref<JTLevelInfo> getLevelInfo(int levelId) const;
    const JTCore::Ref<JTCore::JTArrayList>& getLevelInfos() const { return levelInfos_; }
    JTCore::Ref<JTCore::JTArrayList> getMenuItems();
    void setMenuDirty() { menuDirty_ = true; }
    int indexOfMenuItem(int levelId);
    int getSelectableLevelId(int levelId);
    int getDefaultLevelId() const { return defaultLevelId_; }

    // The congratulations of one game, queued as (title, message) until the game-over screen
    // takes them.
    using Message = std::pair<std::string, std::string>;
    void beginCollectingMessages() { pendingMessages_.emplace(); }
    std::optional<std::vector<Message>> takePendingMessages();
    bool hasPendingMessages() const { return pendingMessages_ && !pendingMessages_->empty(); }

  private:
    JTCore::JTWeakPtr<JTAppContext> context_;
    JTCore::Ref<JTCore::JTArrayList> levelInfos_;
    int defaultLevelId_ = 0;
    JTCore::Ref<JTCore::JTString> menuTitlePrefix_;
    JTCore::Ref<JTCore::JTArrayList> menuItems_;
    bool menuDirty_ = true;
    std::optional<std::vector<Message>> pendingMessages_;
};

}  // namespace JTAppBase
