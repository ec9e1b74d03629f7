#pragma once
#include "appbase/JTLevelManager.h"

namespace JTAppBase {

// A level manager whose levels live in files, some of them downloaded from the game's server.
// It can download levels; a downloaded level file, once checked and stored, is handed to it.
// The game's own manager is not one: its levels are built in.
class FilesLevelManager : public JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;

    bool isFilesLevelManager() const override { return true; }
    bool canDownloadLevels() const override { return true; }
    // Registers a level read from a downloaded file (its body stored as Documents/levels/<id>).
    virtual void addDownloadedLevel(const JTCore::Ref<JTLevelInfo>& info) = 0;
};

}  // namespace JTAppBase
