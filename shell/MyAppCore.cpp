#include "shell/MyAppCore.h"

#include <iterator>

#include "appbase/LogMessage.h"
#include "levels/MyLevelManager.h"

void MyAppCore::setup() {
    LogMessage("-[MyAppCore setup]", 1);
    AppCoreBase::setup();
    setAccelerometerCalibrationType(static_cast<int>(
        infoInt(GameIdentity::kCalibrationTypeKey, GameIdentity::kAccelerometerCalibrationType)));
    setGameId(static_cast<int>(infoInt(GameIdentity::kGameIdKey, GameIdentity::kGameId)));
    setWebSecretKey(infoString(GameIdentity::kWebSecretKeyKey, GameIdentity::kWebSecretKey));
    setAppDisplayName(infoString("CFBundleDisplayName", GameIdentity::kDisplayName));
    auto context = JTCore::makeRef<JTApp::MyAppContextIPhone>();
    setAppContext(context);
    context->setLevelManager(JTCore::makeRef<JTApp::MyLevelManager>(context.get()));
}

namespace {

// The texture slots in order.
constexpr const char* kTextures[MyAppCore::kTextureSlots] = {
    "gameover",   "tiko_left_256", "tiko_right_256", "tiko_ouch_256", "block",      "block_down",
    "block_jump", "block_yellow",  "block_red",      "ham",           "wall_upper", "enemy",
    "fire_l",     "fire_r",        "haikei",         "enemy_sp1",     "enemy_sp2",  "toge",
};

}  // namespace

const std::vector<std::string>& MyAppCore::textureNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all(std::begin(kTextures), std::end(kTextures));
        all.push_back(kPauseIconTexture);
        return all;
    }();
    return names;
}

void MyAppCore::loadResources() {
    for (int i = 0; i < kTextureSlots; ++i) loadImageAt(i, kTextures[i]);
    // The background tile repeats edge to edge: sample half a texel inside so no seam shows.
    cutEdgeImageAt(14);
    static const char* const kSounds[kSoundSlots] = {
        "fall2", "jump2", "fly2_06_22k", "hit1", "bom1", "fire1_22k", "jump1_1", "punyo1_22k", "hanabi",
    };
    for (int i = 0; i < kSoundSlots; ++i) loadSEAt(i, kSounds[i]);
    // The squish of the third platform colour would drown the landings around it.
    setSEVolumeAt(7, 30);
}
