#include "levels/MyLevelManager.h"

#include "appbase/JTAppContext.h"
#include "appbase/JTScene.h"
#include "levels/LevelColors.h"
#include "levels/LevelDown.h"
#include "levels/LevelEnemy.h"
#include "levels/LevelEnemy2.h"
#include "levels/LevelFall.h"
#include "levels/LevelFallEnemy2.h"
#include "levels/LevelNormal.h"
#include "levels/LevelRight.h"
#include "levels/LevelRightEnemy.h"
#include "levels/LevelTrampoline.h"

namespace JTApp {

using JTAppBase::JTAppContext;
using JTAppBase::JTScene;
using JTAppBase::UnlockByScoreRule;
using JTCore::JTArrayList;
using JTCore::JTString;
using JTCore::makeRef;
using JTCore::Ref;

namespace {

struct LevelEntry {
    int levelId;
    const char* name;
    const char* helpMessage;
};

// Catalog order is menu order.
constexpr LevelEntry kLevels[] = {
    {20, "Level: Normal",
     "Mr.Tiko (red ball guy) is jumping eternally. Tilt your device to move him left or right, and go up "
     "platforms.\n Note that the left side of the screen is connected with the right side."},
    {21, "Level: Fall",
     "Similar to the Level-Normal, but platforms fall when Mr.Tiko jumps on them.\n Red platforms make him "
     "jump "
     "higher."},
    {22, "Level: Enemy",
     "Mr.Tiko is chased by enemies named Green Stone Men. When he is caught, he is flicked away.\n Touch the "
     "left or right side of him to shoot the enemies with a fireball. Eat hamburgers to make more "
     "fireballs."},
    {25, "Level: Right", "Mr.Tiko is going towards the right, and platforms fall when he jumps on them."},
    {31, "Level: Trampoline",
     "Similar to the Level-Fall, but Mr.Tiko jumps higher. Eat hamburgers to get bonus score."},
    {27, "Level: Down",
     "The screen is automatically scrolling down. Get down platforms to keep Mr.Tiko within the screen."},
    {29, "Level: Right+Enemy", "Combination of Level-Right and Level-Enemy"},
    {32, "Level: Colors",
     "Similar to the Level-Fall, but platforms have three colors. If Mr.Tiko jumps on the same color "
     "platforms "
     "continuously, you get chain bonus."},
    {28, "Level: Enemy2", "Similar to the Level-Enemy, but Mr.Tiko is attacked by three types of enemies!"},
    {30, "Level: Fall+Enemy2", "Combination of Level-Fall and Level-Enemy2"},
};

struct RuleEntry {
    int fromLevelId;
    int minimumScore;
    int toLevelId;
};

// Checked in this order after every game; the order also orders the names in the texts.
constexpr RuleEntry kRules[] = {
    {20, 3500, 21},  {20, 10000, 22}, {21, 4500, 22},  {21, 10000, 25}, {22, 11000, 25}, {22, 22000, 31},
    {25, 11000, 31}, {22, 32000, 27}, {25, 16000, 27}, {31, 50000, 27}, {25, 25000, 29}, {31, 70000, 29},
    {27, 12000, 29}, {31, 80000, 32}, {27, 14000, 32}, {29, 20000, 32}, {27, 16000, 28}, {29, 30000, 28},
    {32, 4600, 28},  {29, 55000, 30}, {32, 6300, 30},  {28, 40000, 30},
};

using SceneMaker = Ref<JTScene> (*)(JTAppContext*);

struct SceneFactory {
    int levelId;  // the level whose scene make builds
    SceneMaker make;
};

template <class Scene>
SceneFactory factoryOf(int levelId) {
    return {levelId, [](JTAppContext* context) -> Ref<JTScene> { return makeRef<Scene>(context); }};
}

// Each level scene adds its case here; every id without one gets Level Normal's scene.
SceneFactory sceneFactoryFor(int levelId) {
    switch (levelId) {
        case 21:
            return factoryOf<LevelFall>(21);
        case 22:
            return factoryOf<LevelEnemy>(22);
        case 25:
            return factoryOf<LevelRight>(25);
        case 27:
            return factoryOf<LevelDown>(27);
        case 28:
            return factoryOf<LevelEnemy2>(28);
        case 29:
            return factoryOf<LevelRightEnemy>(29);
        case 30:
            return factoryOf<LevelFallEnemy2>(30);
        case 31:
            return factoryOf<LevelTrampoline>(31);
        case 32:
            return factoryOf<LevelColors>(32);
        default:
            return factoryOf<LevelNormal>(MyLevelManager::kLevelNormal);
    }
}

}  // namespace

MyLevelManager::MyLevelManager(JTAppContext* context) : UnlockByScoresLevelManager(context) {}

void MyLevelManager::createLevelInfos(const Ref<JTArrayList>& infos) {
    for (const LevelEntry& entry : kLevels) {
        auto info = newLevelInfo(entry.levelId);
        info->setName(makeRef<JTString>(entry.name));
        info->setHelpMessage(makeRef<JTString>(entry.helpMessage));
        infos->add(info);
    }
}

void MyLevelManager::createUnlockRules(const Ref<JTArrayList>& rules) {
    for (const RuleEntry& entry : kRules) {
        rules->add(makeRef<UnlockByScoreRule>(entry.fromLevelId, entry.minimumScore, entry.toLevelId));
    }
}

int MyLevelManager::sceneLevelIdFor(int levelId) {
    return sceneFactoryFor(levelId).levelId;
}

void MyLevelManager::startLevelScene(int levelId) {
    Ref<JTAppContext> context = getAppContext();
    if (!context) return;
    const SceneFactory factory = sceneFactoryFor(levelId);
    startedSceneLevelId_ = factory.levelId;
    context->startScene(factory.make(context.get()));
}

}  // namespace JTApp
