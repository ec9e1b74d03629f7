#pragma once
// A files-backed level manager for tests: its levels are whatever a test adds, and it records
// every downloaded level handed to it.
#include <vector>

#include "appbase/FilesLevelManager.h"
#include "appbase/JTLevelInfo.h"

namespace announcetest {

class FakeFilesLevelManager : public JTAppBase::FilesLevelManager {
  public:
    explicit FakeFilesLevelManager(JTAppBase::JTAppContext* context) : FilesLevelManager(context) {}

    void createLevelInfos(const JTCore::Ref<JTCore::JTArrayList>& infos) override {
        for (const auto& info : present) infos->add(info);
    }
    void startLevelScene(int levelId) override { started.push_back(levelId); }
    void addDownloadedLevel(const JTCore::Ref<JTAppBase::JTLevelInfo>& info) override {
        added.push_back(info);
    }

    std::vector<JTCore::Ref<JTAppBase::JTLevelInfo>> present;
    std::vector<JTCore::Ref<JTAppBase::JTLevelInfo>> added;
    std::vector<int> started;
};

}  // namespace announcetest
