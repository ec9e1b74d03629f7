// Click tracking against a loopback server: whole redirect chains, chain ends in another scheme,
// failures, the collection's hold on its trackers, and the mediation report URLs.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "platform/foundation/AppPaths.h"
#include "platform/ui/BackgroundTasks.h"
#include "support/LoopbackServer.h"
#include "support/MainLoopPump.h"
#include "support/TempDir.h"

namespace {

using tikoleap::test::LoopbackServer;
using tikoleap::test::MainLoopPump;
using tikoleap::test::TempDir;

struct Reports : DZClickTrackerDelegate {
    std::vector<std::string> redirects;
    int failures = 0;
    platform::ErrorRef error;
    void trackerDidRedirect(DZClickTracker&, const std::string& url) override { redirects.push_back(url); }
    void trackerDidFailWithError(DZClickTracker&, platform::ErrorRef e) override {
        ++failures;
        error = e;
    }
    std::size_t count() const { return redirects.size() + static_cast<std::size_t>(failures); }
};

std::size_t filesUnder(const std::filesystem::path& dir) {
    std::size_t n = 0;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        n += it->is_regular_file() ? 1 : 0;
    }
    return n;
}

class DZClickTrackerTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::AppPaths::setHome(home.path()); }
    void TearDown() override { platform::AppPaths::setHome({}); }

    std::shared_ptr<DZClickTracker> track(const std::string& url) {
        auto t = DZClickTracker::create();
        t->setDelegate(reports);
        t->trackURL(url);
        return t;
    }

    TempDir home;
    MainLoopPump pump;
    LoopbackServer server;
    std::shared_ptr<Reports> reports = std::make_shared<Reports>();
};

TEST_F(DZClickTrackerTest, AFiveHopChainReachesEveryHopOnceAndReportsTheFinalUrl) {
    auto t = track(server.redirectChain("click", 5));
    EXPECT_NE(t->backgroundTaskID(), platform::kInvalidBackgroundTask);
    ASSERT_TRUE(pump.until([&] { return reports->count() == 1; }));
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(server.count("/click/" + std::to_string(i)), 1u) << i;
    EXPECT_EQ(reports->redirects, std::vector<std::string>{server.url("/click/5")});
    EXPECT_TRUE(t->hasTracked());
    EXPECT_EQ(t->backgroundTaskID(), platform::kInvalidBackgroundTask);
}

TEST_F(DZClickTrackerTest, ARedirectToAnotherSchemeEndsTheChainThereWithoutAFailure) {
    server.redirect("/ad", "/store");
    server.redirect("/store", "itms-apps://store.example/app/id1");
    auto t = track(server.url("/ad"));
    ASSERT_TRUE(pump.until([&] { return reports->count() == 1; }));
    pump.runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(reports->redirects, std::vector<std::string>{"itms-apps://store.example/app/id1"});
    EXPECT_EQ(reports->failures, 0);
}

TEST_F(DZClickTrackerTest, ErrorAnswersAndDeadServersFail) {
    server.redirect("/gone", "/404");
    auto t = track(server.url("/gone"));
    ASSERT_TRUE(pump.until([&] { return reports->count() == 1; }));
    EXPECT_EQ(reports->failures, 1);
    EXPECT_FALSE(reports->error);

    LoopbackServer dead;
    const std::string url = dead.url("/x");
    dead.stop();
    auto u = track(url);
    ASSERT_TRUE(pump.until([&] { return reports->count() == 2; }));
    EXPECT_EQ(reports->failures, 2);
    ASSERT_TRUE(reports->error);
    EXPECT_EQ(reports->error->domain(), "NSURLErrorDomain");
}

TEST_F(DZClickTrackerTest, RunningOutOfTimeResetsTheTrackerWithoutAReport) {
    server.slow("/slow", 0.3);
    auto t = track(server.url("/slow"));
    ASSERT_TRUE(server.waitForHits("/slow", 1));
    platform::BackgroundTasks::shared().expireAll();
    EXPECT_FALSE(t->cachedFile());
    EXPECT_EQ(t->backgroundTaskID(), platform::kInvalidBackgroundTask);
    pump.runFor(std::chrono::milliseconds(500));
    EXPECT_EQ(reports->count(), 0u);
    EXPECT_FALSE(t->hasTracked());
}

TEST_F(DZClickTrackerTest, TheCollectionHoldsTrackersUntilTheyReportAndLeavesNoFiles) {
    auto collection = DZClickTrackerCollection::create();
    server.reply("/a", 200, "a");
    server.reply("/b", 200, "b");
    collection->trackURLs(nlohmann::json::array({server.url("/a"), server.url("/b"), 42, "not a url"}), true);
    EXPECT_EQ(collection->trackers().size(), 2u);
    std::weak_ptr<DZClickTracker> first = *collection->trackers().begin();
    ASSERT_TRUE(pump.until([&] { return collection->trackers().empty(); }));
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(server.count("/a"), 1u);
    EXPECT_EQ(server.count("/b"), 1u);
    EXPECT_EQ(filesUnder(platform::AppPaths::cachesDirectory()), 0u);
}

TEST_F(DZClickTrackerTest, APagesPingFloodStopsAtItsShareInFlightAndIsTakenAgainOnceTheyAnswer) {
    auto collection = DZClickTrackerCollection::create();
    server.slow("/slow", 0.5);
    server.reply("/after", 200);
    const auto share = DZClickTrackerCollection::kMaxPageTrackersInFlight;
    for (std::size_t i = 0; i < 3 * share; ++i)
        collection->trackPageURL(server.url("/slow?n=" + std::to_string(i)));
    EXPECT_EQ(collection->trackersInFlight(), share);
    ASSERT_TRUE(pump.until([&] { return collection->trackersInFlight() == 0; }));
    EXPECT_EQ(server.count("/slow"), share);
    collection->trackPageURL(server.url("/after"));
    ASSERT_TRUE(pump.until([&] { return server.count("/after") == 1; }));
}

TEST_F(DZClickTrackerTest, TheComponentsPingsAreNeverDroppedForAPagesAndWaitTheirTurnBounded) {
    auto collection = DZClickTrackerCollection::create();
    // Where nothing listens: each ping fails at once, but is in flight until the main loop hears.
    LoopbackServer gone;
    const std::string nowhere = gone.url("/ping?n=");
    gone.stop();
    const auto limit = DZClickTrackerCollection::kMaxTrackersInFlight;
    const auto share = DZClickTrackerCollection::kMaxPageTrackersInFlight;
    for (std::size_t i = 0; i < limit; ++i) collection->trackPageURL(nowhere + "p" + std::to_string(i));
    EXPECT_EQ(collection->trackersInFlight(), share);
    // Beside the page's share, the component's take the other slots and the rest wait their turn.
    const std::size_t own = limit - share + 10;
    for (std::size_t i = 0; i < own; ++i) collection->trackURL(nowhere + "o" + std::to_string(i));
    EXPECT_EQ(collection->trackersInFlight(), limit);
    EXPECT_EQ(collection->waitingCount(), 10u);
    // Slots come free as answers come, and every waiting ping goes out.
    ASSERT_TRUE(
        pump.until([&] { return collection->waitingCount() == 0 && collection->trackersInFlight() == 0; }));

    // What waits is bounded too.
    for (std::size_t i = 0; i < limit + DZClickTrackerCollection::kMaxWaiting + 5; ++i)
        collection->trackURL(nowhere + "m" + std::to_string(i));
    EXPECT_EQ(collection->trackersInFlight(), limit);
    EXPECT_EQ(collection->waitingCount(), DZClickTrackerCollection::kMaxWaiting);
}

TEST_F(DZClickTrackerTest, MediationTemplatesEachUseTheirOwnSequenceNumber) {
    auto collection = DZClickTrackerCollection::create();
    int sequence = 40;
    collection->setMediationReportSource(
        {[&] { return std::to_string(++sequence); }, [] { return std::string("777"); }});
    const std::string tmpl =
        server.url("/med?seq=@gw_seqnum@&sess=@gw_sessid@&net=@gw_adnetid@&r=@gw_adnetrefresh@");

    collection->trackMediationURLsFromTemplates(std::nullopt, tmpl, "net1", "alloc", std::nullopt, "key",
                                                true, "", "");
    collection->trackMediationURLsFromTemplates(nlohmann::json::array(), tmpl, "net1", "alloc", std::nullopt,
                                                "key", true, "", "");
    collection->trackMediationURLsFromTemplates(nlohmann::json::array({tmpl, tmpl, 3, tmpl}), std::nullopt,
                                                "net2", "alloc", std::string("q"), "key", false, "", "");
    ASSERT_TRUE(server.waitForHits("/med", 4));
    pump.runFor(std::chrono::milliseconds(50));
    auto hits = server.hits("/med");
    ASSERT_EQ(hits.size(), 4u);
    std::vector<std::string> seqs;
    for (const auto& h : hits) {
        seqs.push_back(h.param("seq"));
        EXPECT_EQ(h.param("sess"), "777");
    }
    std::sort(seqs.begin(), seqs.end());
    EXPECT_EQ(seqs, (std::vector<std::string>{"41", "42", "43", "44"}));
    EXPECT_EQ(sequence, 44);
}

TEST_F(DZClickTrackerTest, TheSharedCollectionNumbersItsReportsByTheApplicationState) {
    auto application = DZApplication::sharedInstance();
    auto shared = DZClickTrackerCollection::sharedInstance();
    const int64_t before = application->sequenceNumber();
    shared->trackMediationURLsFromTemplates(std::nullopt,
                                            server.url("/shared?seq=@gw_seqnum@&sess=@gw_sessid@"), "net",
                                            "alloc", std::nullopt, "key", false, "", "");
    ASSERT_TRUE(server.waitForHits("/shared", 1));
    const auto hit = server.hits("/shared").at(0);
    EXPECT_EQ(hit.param("sess"), application->currentSession().uniqueID());
    EXPECT_EQ(hit.param("seq"), std::to_string(before + 1));
    EXPECT_TRUE(pump.until([&] { return shared->trackers().empty(); }));
}

}  // namespace
