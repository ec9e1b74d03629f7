// The test reward network as the probe and other helpers use it: what each entry's credentials
// make it answer, on which thread and when, what it records, that it stays silent once told, and
// that an answer still to come never keeps its adapter alive; its video screen closes when the
// video fails.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/mediation/DZMRewardBasedVideoAdNetworkConnectorInterface.h"
#include "support/MainLoopPump.h"
#include "tools/testrewardnet/TestRewardVideoController.h"
#include "tools/testrewardnet/TikoLeapTestRewardAdapter.h"

using platform::media::MediaStatus;
using tikoleap::testrewardnet::TestRewardVideoController;
using tikoleap::testrewardnet::TikoLeapTestRewardAdapter;

namespace {

// A player whose item fails when told to, as one does whose download passes its disk allowance.
class FailingPlayer : public platform::media::MediaPlayer {
  public:
    void replaceItem(const std::string&) override {}
    void play() override { ++plays; }
    void pause() override {}
    void seek(double) override {}
    MediaStatus status() const override { return status_; }
    double rate() const override { return 0; }
    std::optional<double> duration() const override { return std::nullopt; }
    bool bufferFull() const override { return false; }
    bool likelyToKeepUp() const override { return false; }
    double currentTime() const override { return 0; }
    std::vector<platform::media::VideoSize> videoTrackSizes() const override { return {}; }
    void fail() {
        status_ = MediaStatus::Failed;
        if (auto o = observer()) o->mediaPlayerStatusChanged(*this);
    }
    int plays = 0;

  private:
    MediaStatus status_ = MediaStatus::Unknown;
};

// Hands the adapter one entry's credentials and keeps each answer as "what@thread" ("main",
// "worker").
class RecordingConnector : public DZMRewardBasedVideoAdNetworkConnectorInterface {
  public:
    explicit RecordingConnector(nlohmann::json credentials) : credentials_(std::move(credentials)) {}
    std::vector<std::string> answers() const {
        std::lock_guard lock(mutex_);
        return answers_;
    }

    std::optional<std::string> publisherId() const override { return credentials_.value("pubid", ""); }
    nlohmann::json credentials() const override { return credentials_; }
    bool testMode() const override { return false; }
    std::shared_ptr<DZAdNetworkExtras> networkExtras() const override { return nullptr; }
    std::optional<bool> childDirectedTreatment() const override { return std::nullopt; }
    long userGender() const override { return 0; }
    std::optional<std::chrono::year_month_day> userBirthday() const override { return std::nullopt; }
    bool userHasLocation() const override { return false; }
    float userLatitude() const override { return 0; }
    float userLongitude() const override { return 0; }
    float userLocationAccuracyInMeters() const override { return 0; }
    std::optional<std::string> userLocationDescription() const override { return std::nullopt; }
    std::optional<std::vector<std::string>> userKeywords() const override { return std::nullopt; }

    void adapterDidSetUpRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter&) override { add("setup"); }
    void adapterDidFailToSetUpRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter&,
                                                 platform::ErrorRef) override {
        add("setup-failed");
    }
    void adapterDidGetAdClick(DZMRewardBasedVideoAdNetworkAdapter&) override { add("click"); }
    void adapterDidReceiveRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter&) override {
        add("received");
    }
    void adapterDidOpenRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter&) override { add("open"); }
    void adapterDidStartPlayingRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter&) override {
        add("start");
    }
    void adapterDidCloseRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter&) override { add("close"); }
    void adapterDidRewardUser(DZMRewardBasedVideoAdNetworkAdapter&,
                              std::shared_ptr<const DZAdReward>) override {
        add("reward");
    }
    void adapterWillLeaveApplication(DZMRewardBasedVideoAdNetworkAdapter&) override { add("leave"); }
    void adapterDidFailToLoadRewardBasedVideoAd(DZMRewardBasedVideoAdNetworkAdapter&,
                                                platform::ErrorRef) override {
        add("failed");
    }

    std::thread::id mainThread = std::this_thread::get_id();

  private:
    void add(const std::string& what) {
        std::lock_guard lock(mutex_);
        answers_.push_back(what + (std::this_thread::get_id() == mainThread ? "@main" : "@worker"));
    }
    nlohmann::json credentials_;
    mutable std::mutex mutex_;
    std::vector<std::string> answers_;
};

class TestRewardNetwork : public ::testing::Test {
  protected:
    void SetUp() override {
        TikoLeapTestRewardAdapter::setRecorder([this](const std::string& url) { records.push_back(url); });
    }
    void TearDown() override { TikoLeapTestRewardAdapter::setRecorder({}); }
    std::shared_ptr<TikoLeapTestRewardAdapter> adapterFor(nlohmann::json credentials) {
        connector = std::make_shared<RecordingConnector>(std::move(credentials));
        auto adapter = std::make_shared<TikoLeapTestRewardAdapter>();
        adapter->setConnector(connector);
        return adapter;
    }
    // The step and entry of each record.
    std::vector<std::string> steps() const {
        std::vector<std::string> out;
        for (const auto& url : records) out.push_back(url.substr(url.find("testnet=")));
        return out;
    }

    tikoleap::test::MainLoopPump pump;
    std::shared_ptr<RecordingConnector> connector;
    std::vector<std::string> records;
};

}  // namespace

TEST_F(TestRewardNetwork, ItsCredentialsChooseTheAnswerAndTheThreadItComesFrom) {
    auto inside = adapterFor({{"pubid", "a"}, {"mode", "nofill"}, {"answer", "inside"}});
    inside->setUpWithUserID("u");
    inside->requestRewardBasedVideoAd();
    EXPECT_EQ(connector->answers(), (std::vector<std::string>{"setup@main", "failed@main"}));

    auto worker = adapterFor({{"pubid", "b"}, {"mode", "fail-setup"}, {"answer", "worker"}});
    worker->setUpWithUserID(std::nullopt);
    ASSERT_TRUE(pump.until([&] { return !connector->answers().empty(); }));
    EXPECT_EQ(connector->answers(), std::vector<std::string>{"setup-failed@worker"});

    // A fill whose video is no web address is refused; a silent one never answers.
    auto refused = adapterFor({{"pubid", "c"}, {"mode", "fill"}, {"video", "file:///etc/hostname"}});
    refused->requestRewardBasedVideoAd();
    EXPECT_TRUE(connector->answers().empty());  // the next turn, by default
    pump.loop().runUntilIdle();
    EXPECT_EQ(connector->answers(), std::vector<std::string>{"failed@main"});
    auto silent = adapterFor({{"pubid", "d"}, {"mode", "never"}, {"answer", "inside"}});
    silent->requestRewardBasedVideoAd();
    pump.loop().advance(60);
    EXPECT_TRUE(connector->answers().empty());

    EXPECT_EQ(steps(), (std::vector<std::string>{"testnet=setup&pubid=a", "testnet=request&pubid=a",
                                                 "testnet=setup&pubid=b", "testnet=request&pubid=c",
                                                 "testnet=request&pubid=d"}));
}

TEST_F(TestRewardNetwork, ASlowSetUpAnswersOnTimeAndNothingOnceToldToStop) {
    auto slow = adapterFor({{"pubid", "s"}, {"setup_ms", 1500}});
    slow->setUpWithUserID("u");
    pump.loop().advance(1.4);
    EXPECT_TRUE(connector->answers().empty());
    pump.loop().advance(0.1);
    EXPECT_EQ(connector->answers(), std::vector<std::string>{"setup@main"});

    auto stopped = adapterFor({{"pubid", "t"}, {"setup_ms", 100}, {"answer", "worker"}});
    stopped->setUpWithUserID("u");
    stopped->stopBeingDelegate();
    pump.runFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(connector->answers().empty());
}

TEST_F(TestRewardNetwork, NoAdapterOutlivesItsLoads) {
    const int before = TikoLeapTestRewardAdapter::liveAdapters();
    const std::vector<nlohmann::json> entries = {
        {{"mode", "nofill"}, {"answer", "inside"}},
        {{"mode", "never"}},
        {{"mode", "fail-setup"}, {"answer", "worker"}},
        {{"mode", "nofill"}, {"answer", "worker"}},
        // Let go of with a set-up still ten minutes away, on the main loop and on a worker.
        {{"setup_ms", 600000}},
        {{"setup_ms", 600000}, {"answer", "worker"}},
    };
    for (const auto& entry : entries) {
        auto adapter = adapterFor(entry);
        adapter->setUpWithUserID("u");
        adapter->requestRewardBasedVideoAd();
    }
    EXPECT_TRUE(pump.until([&] { return TikoLeapTestRewardAdapter::liveAdapters() == before; },
                           std::chrono::seconds(2)))
        << TikoLeapTestRewardAdapter::liveAdapters() - before << " adapters left";
}

TEST_F(TestRewardNetwork, AFailedVideoClosesItsScreenOnceShownWithNoReward) {
    // Failing before it is shown: closed as it appears, never played.
    auto player = std::make_shared<FailingPlayer>();
    std::vector<std::string> heard;
    auto listener = [&](const char* what) { return [&heard, what] { heard.push_back(what); }; };
    auto screen =
        TestRewardVideoController::create(player, {listener("start"), listener("reward"), listener("close")});
    player->fail();
    EXPECT_TRUE(heard.empty());  // not shown yet: nothing to close
    screen->view();
    screen->viewDidAppear(false);
    EXPECT_EQ(heard, std::vector<std::string>{"close"});
    EXPECT_EQ(player->plays, 0);

    // Failing while shown: closed once.
    heard.clear();
    player = std::make_shared<FailingPlayer>();
    screen =
        TestRewardVideoController::create(player, {listener("start"), listener("reward"), listener("close")});
    screen->view();
    screen->viewDidAppear(false);
    EXPECT_EQ(player->plays, 1);
    player->fail();
    EXPECT_EQ(heard, std::vector<std::string>{"close"});
    player->fail();
    EXPECT_EQ(heard, std::vector<std::string>{"close"});
}
