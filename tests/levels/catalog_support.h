#pragma once
// A game context with the game's level manager, its Documents folder in a fresh temporary home.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "appbase/JTAppContext.h"
#include "levels/MyLevelManager.h"
#include "platform/foundation/AppPaths.h"
#include "support/FakeShell.h"
#include "support/TempDir.h"

namespace catalogtest {

inline std::string utf8(const JTCore::Ref<JTCore::JTString>& s) {
    return s ? s->toUtf8() : "<null>";
}

struct CatalogFixture : testing::Test {
    void SetUp() override {
        platform::AppPaths::setHome(home.path());
        context = JTCore::makeRef<JTApp::MyAppContextIPhone>();
        context->setAppCore(&core);
        context->setGameView(&view);
        manager = freshManager();
    }
    void TearDown() override {
        context->setGameView(nullptr);
        platform::AppPaths::setHome({});
    }

    // A manager as a new run makes it: levels loaded, state read from the file on first need.
    JTCore::Ref<JTApp::MyLevelManager> freshManager() {
        auto m = JTCore::makeRef<JTApp::MyLevelManager>(context.get());
        m->reloadLevels();
        context->setLevelManager(m);
        return m;
    }

    // Plays one game in the level and returns the congratulations it queued.
    std::vector<JTAppBase::JTLevelManager::Message> play(int levelId, int score) {
        context->startLevel(levelId);
        context->gameOver(score);
        return manager->takePendingMessages().value_or(std::vector<JTAppBase::JTLevelManager::Message>{});
    }

    JTCore::Ref<JTAppBase::JTLevelMenuItem> menuItem(int levelId) {
        const int index = manager->indexOfMenuItem(levelId);
        if (index < 0) return nullptr;
        return manager->getMenuItems()->getAs<JTAppBase::JTLevelMenuItem>(index);
    }

    std::vector<int> openLevels() {
        std::vector<int> ids;
        auto items = manager->getMenuItems();
        for (int i = 0; i < items->size(); ++i) {
            auto item = items->getAs<JTAppBase::JTLevelMenuItem>(i);
            if (!item->isLocked()) ids.push_back(item->getLevelInfo()->getLevelId());
        }
        return ids;
    }

    std::filesystem::path stateFile() const {
        return platform::AppPaths::documentsDirectory() / "unlockinglevels.plist";
    }

    tikoleap::test::TempDir home{"tikoleap-catalog"};
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    JTCore::Ref<JTAppBase::JTAppContext> context;
    JTCore::Ref<JTApp::MyLevelManager> manager;
};

}  // namespace catalogtest
