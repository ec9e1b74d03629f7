// "/startLevel" URLs: which ones are taken, the game's own level manager (no downloads), and a
// files-backed manager that downloads from a local server.
#include "appbase/JTAppContext.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Window.h"
#include "platform/url/Url.h"
#include "screens/ViewControllerBase.h"
#include "services/DlLevelsSupport.h"
#include "tests/services/AnnounceTestKit.h"
#include "tests/services/FakeFilesLevelManager.h"

using namespace announcetest;

namespace {

// Records the games it would start instead of starting them.
class RecordingDlLevels : public DlLevelsSupport {
  public:
    explicit RecordingDlLevels(AppCoreBase* core) : DlLevelsSupport(core) {}
    void doStartGame() override { started.push_back(appCore()->currentLevelId()); }
    std::vector<int> started;
};

std::string levelFile(int lid, const std::string& body) {
    return "{lid=\"" + std::to_string(lid) + "\";name=\"L\";ds=\"" + std::to_string(body.size()) +
           "\";dh=\"" + std::to_string(referenceCrc32("-" + body)) + "\";flags=\"0\";}\n" + body;
}

struct DlLevelsTest : AnnounceTest {
    void SetUp() override {
        AnnounceTest::SetUp();
        core->window()->makeKeyAndVisible();
        dl = std::make_shared<RecordingDlLevels>(core.get());
    }
    void useFilesManager() {
        files = JTCore::makeRef<FakeFilesLevelManager>(core->appContext());
        auto present = JTAppBase::JTLevelInfo::create(core->appContext(), 40);
        present->setDataHash(5);
        present->setDownloaded(true);
        files->present.push_back(present);
        core->appContext()->setLevelManager(files);
        files->reloadLevels();
    }
    bool open(const std::string& url) { return dl->handleOpenURL(*platform::Url::parse(url)); }
    std::string frontAlert() const {
        auto alert = std::dynamic_pointer_cast<platform::ui::AlertView>(core->window()->frontModal());
        return alert ? alert->title() + "|" + alert->message() : "";
    }
    size_t downloads() const { return server.count("/iphone/cmd/downloadLevel"); }
    bool finished() {
        return pump.until([&] { return !dl->isDownloading(); });
    }

    std::shared_ptr<RecordingDlLevels> dl;
    JTCore::Ref<FakeFilesLevelManager> files;
};

}  // namespace

TEST_F(DlLevelsTest, OnlyTheExactPathIsTakenAndTheQueryIsRead) {
    EXPECT_TRUE(open("tikoleap:///startLevel?lid=0"));
    EXPECT_TRUE(open("tikoleap:///startLevel"));
    EXPECT_FALSE(open("tikoleap:///startLevelNow?lid=20"));
    EXPECT_FALSE(open("tikoleap:///startLevel/?lid=20"));
    DlLevelsSupport::Query q =
        DlLevelsSupport::parseQuery("lid=%34%30&dh=-5&tk=9223372036854775807&x&a=b=c&lid");
    EXPECT_EQ(q.lid, 40);
    EXPECT_EQ(q.dh, -5);
    EXPECT_EQ(q.tk, INT64_MAX);
    EXPECT_EQ(DlLevelsSupport::parseQuery("lid=%zz").lid, -1);
    EXPECT_EQ(DlLevelsSupport::parseQuery("dh=7").dh, 7);
}

TEST_F(DlLevelsTest, TheGamesOwnManagerDownloadsNothing) {
    const std::string screen = core->currentScreenName();
    EXPECT_TRUE(core->applicationHandleOpenURL("tikoleap:///startLevel?lid=20"));
    pump.runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(core->currentScreenName(), screen);
    EXPECT_TRUE(server.hits().empty());
    EXPECT_EQ(core->window()->frontModal(), nullptr);
}

TEST_F(DlLevelsTest, AManagerThatDownloadsGetsTheTitleForItAndAStartedLevelSetsTheOrientation) {
    useFilesManager();
    core->startTitleView();
    ASSERT_NE(core->rootViewController(), nullptr);
    EXPECT_EQ(core->rootViewController()->interfaceName(), "Title_Portrait_DlLevels");
    core->setInterfaceOrientation(3);
    EXPECT_TRUE(open("tikoleap:///startLevel?lid=40&dh=5"));
    EXPECT_EQ(core->interfaceOrientation(), 1) << "level 40 has the static layout";
}

TEST_F(DlLevelsTest, APresentUpToDateLevelStartsWithoutADownload) {
    useFilesManager();
    EXPECT_TRUE(open("tikoleap:///startLevel?lid=40&dh=5"));
    EXPECT_TRUE(open("tikoleap:///startLevel?lid=40"));
    EXPECT_EQ(dl->started, (std::vector<int>{40, 40}));
    EXPECT_EQ(files->added.size(), 2u);  // a downloaded level is registered again
    EXPECT_EQ(downloads(), 0u);
}

TEST_F(DlLevelsTest, AnOutdatedLevelIsDownloadedStoredAndStarted) {
    useFilesManager();
    const std::string body = "{ rows = (1, 2); }";
    server.reply("/iphone/cmd/downloadLevel", 200, levelFile(40, body));
    EXPECT_TRUE(open("tikoleap:///startLevel?lid=40&dh=6&tk=77"));
    EXPECT_EQ(frontAlert(), "Downloading Data|Please wait...");
    ASSERT_TRUE(finished());
    ASSERT_EQ(downloads(), 1u);
    const tikoleap::test::Hit hit = server.hits("/iphone/cmd/downloadLevel").front();
    EXPECT_EQ(hit.param("lid"), "40");
    EXPECT_EQ(hit.param("dh"), "6");
    EXPECT_EQ(hit.param("tk"), "77");
    EXPECT_EQ(dl->started, (std::vector<int>{40}));
    EXPECT_EQ(readFile(home.path() / "Documents" / "levels" / "40"), body);
    EXPECT_EQ(frontAlert(), "");
}

TEST_F(DlLevelsTest, FailuresAreShownAndNothingStarts) {
    useFilesManager();
    struct Case {
        const char* what;
        std::function<void()> serve;
        std::string alert;
    };
    const std::vector<Case> cases = {
        {"404 with a message",
         [&] {
             server.reply("/iphone/cmd/downloadLevel", 404, "", {{"Error-Dialog-Message", "No such level."}});
         },
         "Failed to Download.|No such level."},
        {"404", [&] { server.reply("/iphone/cmd/downloadLevel", 404); },
         "Failed to Download.|Error details:\nstatusCode=404"},
        {"garbage", [&] { server.reply("/iphone/cmd/downloadLevel", 200, "junk\njunk"); },
         "Failed to Download.|Downloaded data is broken."},
        {"a header value that throws",
         [&] {
             server.reply("/iphone/cmd/downloadLevel", 200,
                          "{lid=\"41\";name=(a);ds=\"1\";dh=\"0\";flags=\"0\";}\nx");
         },
         "Failed to Download.|Downloaded data is broken."},
        {"a wrong hash",
         [&] {
             server.reply("/iphone/cmd/downloadLevel", 200,
                          "{lid=\"41\";name=n;ds=\"1\";dh=\"1\";flags=\"0\";}\nx");
         },
         "Failed to Download.|Downloaded data is broken."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.serve();
        EXPECT_TRUE(open("tikoleap:///startLevel?lid=41"));
        ASSERT_TRUE(finished());
        EXPECT_EQ(frontAlert(), c.alert);
        std::dynamic_pointer_cast<platform::ui::AlertView>(core->window()->frontModal())
            ->dismissWithClickedButtonIndex(0, false);
    }
    EXPECT_TRUE(dl->started.empty());
    EXPECT_FALSE(std::filesystem::exists(home.path() / "Documents" / "levels" / "41"));
}

TEST_F(DlLevelsTest, ReceivingStopsAtTheLargestPossibleFile) {
    useFilesManager();
    server.reply("/iphone/cmd/downloadLevel", 200,
                 std::string(DlLevelsSupport::kMaxHeaderBytes + 0x800000 + 2, 'x'));
    EXPECT_TRUE(open("tikoleap:///startLevel?lid=41"));
    ASSERT_TRUE(finished());
    EXPECT_EQ(frontAlert().rfind("Failed to Download.|Error details:\n", 0), 0u);
    EXPECT_TRUE(dl->started.empty());
}

TEST_F(DlLevelsTest, TheWaitingAlertsCancelStopsTheDownload) {
    useFilesManager();
    server.slow("/iphone/cmd/downloadLevel", 1, 200, levelFile(41, "{a=b;}"));
    EXPECT_TRUE(open("tikoleap:///startLevel?lid=41"));
    auto waiting = std::dynamic_pointer_cast<platform::ui::AlertView>(core->window()->frontModal());
    ASSERT_TRUE(waiting);
    waiting->clickButtonAtIndex(0);
    EXPECT_FALSE(dl->isDownloading());
    pump.runFor(std::chrono::milliseconds(1300));
    EXPECT_TRUE(dl->started.empty());
    EXPECT_EQ(core->window()->frontModal(), nullptr);
}
