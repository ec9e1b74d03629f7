// The device account id: made once from secure random bytes, kept, replaced when unusable,
// never faked; links refuse to sign without it; deleting it needs "DELETE".
#include <sys/stat.h>

#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"
#include "shell/DeviceAccountId.h"
#include "shell/Keychain.h"
#include "tests/shell/AppCoreTestKit.h"

using shelltest::AppCoreTest;

namespace {

bool logged(const platform::ScopedLogSink& log, const std::string& text) {
    for (const std::string& line : log.lines())
        if (line.find(text) != std::string::npos) return true;
    return false;
}

std::string frontAlertText(platform::ui::UiDriver& ui) {
    auto alert = std::dynamic_pointer_cast<platform::ui::AlertView>(ui.frontModal());
    return alert ? alert->title() + "|" + alert->message() : "";
}

}  // namespace

TEST_F(AppCoreTest, AccountIdIsMadeOnceKeptPrivateAndReadBack) {
    auto first = launch();
    ASSERT_TRUE(first->aridAvailable());
    ASSERT_EQ(first->arid().size(), 16u);
    EXPECT_EQ(first->aridStr().size(), 32u);
    EXPECT_EQ(first->aridStr().find_first_not_of("0123456789abcdef"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(keychainFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(KeychainCopyData(DeviceAccountId::query()), first->arid());

    auto second = launch();
    EXPECT_EQ(second->arid(), first->arid());
}

TEST_F(AppCoreTest, StoredIdOfAWrongLengthOrAllZeroIsReplaced) {
    platform::AppPaths::libraryDirectory();
    for (const std::vector<uint8_t>& bad : {std::vector<uint8_t>(8, 7), std::vector<uint8_t>(17, 7),
                                            std::vector<uint8_t>(16, 0), std::vector<uint8_t>{}}) {
        SCOPED_TRACE(bad.size());
        KeychainDelete(DeviceAccountId::query());
        ASSERT_TRUE(KeychainAddData(DeviceAccountId::query(), bad));
        std::optional<std::vector<uint8_t>> id = DeviceAccountId::establish("test");
        ASSERT_TRUE(id);
        EXPECT_EQ(id->size(), 16u);
        EXPECT_NE(*id, std::vector<uint8_t>(16, 0));
        EXPECT_EQ(KeychainCopyData(DeviceAccountId::query()), id);
    }
}

TEST_F(AppCoreTest, GeneratorOrKeychainFailureGivesNoIdAndNothingStored) {
    platform::ScopedLogSink log;
    auto failing = [](uint8_t*, std::size_t) { return false; };
    EXPECT_FALSE(DeviceAccountId::establish("establish", failing));
    EXPECT_TRUE(logged(log, "[ERROR] establish\narid generation failure"));
    EXPECT_FALSE(KeychainCopyData(DeviceAccountId::query()));

    // A file where the Library folder should be: the id cannot be kept.
    std::filesystem::remove_all(home.path() / "Library");
    home.write("Library", "not a folder");
    log.clear();
    EXPECT_FALSE(DeviceAccountId::establish("establish"));
    EXPECT_TRUE(logged(log, "arid registration failure"));
}

TEST_F(AppCoreTest, AKeychainLinkLeadingOutOfTheHomeIsRefusedWithOneWarning) {
    tikoleap::test::TempDir outside;
    const std::filesystem::path target = outside.path() / "keychain.plist";
    std::filesystem::create_symlink(target, platform::AppPaths::libraryDirectory() / "keychain.plist");
    platform::ScopedLogSink log;
    EXPECT_FALSE(DeviceAccountId::establish("establish"));
    size_t warnings = 0;
    for (const std::string& line : log.lines()) warnings += line.rfind("[WARN]", 0) == 0;
    EXPECT_EQ(warnings, 1u);
    EXPECT_TRUE(logged(log, "it leads to " + target.string()));
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(AppCoreTest, LinksAreNeverSignedWithTheAllZeroStandIn) {
    home.write("Library", "not a folder");
    auto core = launch();
    ASSERT_FALSE(core->aridAvailable());
    EXPECT_EQ(core->aridStr(), std::string(32, '0'));
    platform::ui::UiDriver ui(core->window(), loop.get());

    EXPECT_FALSE(core->webJump(1));
    EXPECT_EQ(frontAlertText(ui).rfind("Error|", 0), 0u) << frontAlertText(ui);
    EXPECT_TRUE(ui.answerFront("OK"));
    EXPECT_FALSE(core->webSubmitScore({100, 1700000000}, 20, std::nullopt, true));
    EXPECT_FALSE(core->downloadLevelUrlWithLevelId(20, 1, 2));
    EXPECT_TRUE(opener->opened().empty());

    // The next launch tries again and signs once the id could be made.
    std::filesystem::remove(home.path() / "Library");
    auto next = launch();
    ASSERT_TRUE(next->aridAvailable());
    EXPECT_TRUE(next->webJump(4, 20));
    ASSERT_EQ(opener->opened().size(), 1u);
    EXPECT_EQ(
        opener->opened()[0].rfind(
            "http://tikoleap.invalid/iphone/cmd/jump?gid=1000&v=1.0.0&arid=" + next->aridStr() + "&dt=", 0),
        0u)
        << opener->opened()[0];
    EXPECT_NE(opener->opened()[0].find("&tgt=4&ha="), std::string::npos);
    EXPECT_NE(opener->opened()[0].find("&lid=20&tn="), std::string::npos);
    // The game's level manager is not files-backed: no data hash.
    EXPECT_TRUE(next->webSubmitScore({100, 1700000000}, 20, std::nullopt, false));
    EXPECT_EQ(opener->opened()[1].find("dh="), std::string::npos);
}

TEST_F(AppCoreTest, DeletingTheIdAsksFirstAndOnlyDeleteDeletes) {
    auto core = launch();
    const std::vector<uint8_t> id = core->arid();
    platform::ui::UiDriver ui(core->window(), loop.get());

    core->applicationHandleOpenURL("tikoleap://app/deleteAridOfThisDevice");
    auto alert = std::dynamic_pointer_cast<platform::ui::AlertView>(ui.frontModal());
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Warning");
    EXPECT_EQ(alert->tag(), AppCoreBase::kDeleteAridAlertTag);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "Cancel");
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "DELETE");
    EXPECT_TRUE(ui.answerFront("Cancel"));
    EXPECT_EQ(ui.frontModal(), nullptr);
    EXPECT_EQ(KeychainCopyData(DeviceAccountId::query()), id);

    // Another alert's second button does not delete either.
    auto other = std::make_shared<platform::ui::AlertView>("Other", "", core->alertDelegate(), "Cancel",
                                                           std::vector<std::string>{"DELETE"});
    other->show();
    EXPECT_TRUE(ui.answerFront("DELETE"));
    EXPECT_EQ(KeychainCopyData(DeviceAccountId::query()), id);

    core->applicationHandleOpenURL("tikoleap://app/deleteAridOfThisDevice");
    EXPECT_TRUE(ui.answerFront("DELETE"));
    EXPECT_FALSE(KeychainCopyData(DeviceAccountId::query()));
    EXPECT_EQ(frontAlertText(ui).rfind("Done|The account ID of this device was deleted.", 0), 0u);
    EXPECT_TRUE(ui.answerFront("OK"));
    EXPECT_EQ(core->arid(), id);  // kept in memory until the next launch

    // Nothing left to delete: the failure alert.
    core->applicationHandleOpenURL("tikoleap://app/deleteAridOfThisDevice");
    EXPECT_TRUE(ui.answerFront("DELETE"));
    EXPECT_EQ(frontAlertText(ui), "Error|Deletion faiure");
    EXPECT_TRUE(ui.answerFront("OK"));

    auto next = launch();
    EXPECT_TRUE(next->aridAvailable());
    EXPECT_NE(next->arid(), id);
}
