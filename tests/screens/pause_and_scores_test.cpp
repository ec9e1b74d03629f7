// The pause screen's sound step and the score viewer's pieces that every score screen shares.
#include <gtest/gtest.h>

#include "ScreensFixture.h"
#include "platform/plist/PlistFile.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "screens/ScoresViewer.h"

namespace tikoleap::test {
namespace {

int savedSoundStep(const TempDir& home) {
    auto dict = platform::readPlistDictionaryFile(home.path() / "Documents/settings.plist");
    if (!dict) return -1;
    return static_cast<int>(dict->getInt("soundVolume.max3").value_or(-1));
}

TEST_F(ScreensFixture, PauseSoundButtonStepsTheVolumeAndSavesItAtOnce) {
    core->setCurrentLevelId(20);
    core->startGameView();
    loop->advance(1.0);
    core->gameView()->startPauseView();
    settle();
    auto sound = std::dynamic_pointer_cast<platform::ui::Button>(driver->outlet("soundBtn"));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->currentTitle(), "SoundVolume: 2");

    const char* expected[] = {"SoundVolume: 3", "SoundVolume: OFF", "SoundVolume: 1", "SoundVolume: 2"};
    const int steps[] = {3, 0, 1, 2};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(driver->tap(sound));
        EXPECT_EQ(sound->currentTitle(), expected[i]);
        EXPECT_EQ(core->soundVolume(), steps[i]);
        EXPECT_EQ(savedSoundStep(home), steps[i]) << "saved at once, step " << i;
        EXPECT_EQ(screen(), "pause");
    }
}

TEST(ScoresViewerRank, OrdinalsFollowEnglishIncludingTheTwenties) {
    const std::pair<int, const char*> cases[] = {{0, "1st"},     {1, "2nd"},     {2, "3rd"},    {3, "4th"},
                                                 {9, "10th"},    {10, "11th"},   {11, "12th"},  {12, "13th"},
                                                 {20, "21st"},   {21, "22nd"},   {22, "23rd"},  {23, "24th"},
                                                 {110, "111th"}, {111, "112th"}, {100, "101st"}};
    for (const auto& [rank, text] : cases) EXPECT_EQ(ScoresViewer::rankStr(rank), text) << rank;
}

TEST(ScoresViewerTags, SlotsAreTheTaggedViewsOfTheRightClassOnly) {
    auto container = std::make_shared<platform::ui::View>();
    auto label0 = std::make_shared<platform::ui::Label>();
    label0->setTag(2001);
    auto wrong = std::make_shared<platform::ui::Button>();
    wrong->setTag(2002);  // a button under a label's tag
    container->addSubview(label0);
    container->addSubview(wrong);
    // 2003 is missing.
    auto labels = ScoresViewer::processTag<platform::ui::Label>(container.get(), 3, 2001);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0], label0);
    EXPECT_EQ(labels[1], nullptr);
    EXPECT_EQ(labels[2], nullptr);
    auto buttons = ScoresViewer::processTag<platform::ui::Button>(container.get(), 3, 2001);
    EXPECT_EQ(buttons[1], wrong);
    EXPECT_EQ(ScoresViewer::processTag<platform::ui::Label>(nullptr, 3, 2001).size(), 3u);
}

}  // namespace
}  // namespace tikoleap::test
