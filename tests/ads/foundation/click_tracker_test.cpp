// Click tracking against a loopback server: whole redirect chains, chain ends in another scheme,
// failures, the collection's hold on its trackers and its shares of them, and the mediation report
// URLs.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/foundation/DZLogger.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ScopedLogSink.h"
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

// A port that takes connections into the kernel's backlog and never reads or answers them.
class NeverAnswers {
  public:
    NeverAnswers() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd_, 1024) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            throw std::runtime_error("no listening socket");
        port_ = ntohs(address.sin_port);
    }
    ~NeverAnswers() { ::close(fd_); }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

  private:
    int fd_;
    int port_ = 0;
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
    collection->trackURLs(nlohmann::json::array({server.url("/a"), server.url("/b"), 42, "not a url"}),
                          DZPingAsker(), true);
    EXPECT_EQ(collection->trackers().size(), 2u);
    std::weak_ptr<DZClickTracker> first = *collection->trackers().begin();
    ASSERT_TRUE(pump.until([&] { return collection->trackers().empty(); }));
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(server.count("/a"), 1u);
    EXPECT_EQ(server.count("/b"), 1u);
    EXPECT_EQ(filesUnder(platform::AppPaths::cachesDirectory()), 0u);
}

TEST_F(DZClickTrackerTest, OneAskersFloodHoldsItsShareWaitsBoundedAndWhatWaitedGoesOut) {
    auto collection = DZClickTrackerCollection::create();
    server.slow("/slow", 0.2);
    const auto page = DZPingAsker::next();
    const auto share = DZClickTrackerCollection::kMaxInFlightPerAsker;
    const auto waits = DZClickTrackerCollection::kMaxWaitingPerAsker;
    for (std::size_t i = 0; i < 100; ++i)
        collection->trackURL(server.url("/slow?n=" + std::to_string(i)), page);
    EXPECT_EQ(collection->trackersInFlight(), share);
    EXPECT_EQ(collection->waitingCount(), waits);
    ASSERT_TRUE(
        pump.until([&] { return collection->waitingCount() == 0 && collection->trackersInFlight() == 0; }));
    EXPECT_EQ(server.count("/slow"), share + waits);
}

TEST_F(DZClickTrackerTest, AllAskersTogetherHoldAtMostTheSlotsAndWaitingPlaces) {
    auto collection = DZClickTrackerCollection::create();
    // Where nothing listens: each ping fails at once, but is in flight until the main loop hears.
    LoopbackServer gone;
    const std::string nowhere = gone.url("/ping?n=");
    gone.stop();
    const auto limit = DZClickTrackerCollection::kMaxTrackersInFlight;
    std::vector<DZPingAsker> ads(80);
    for (auto& ad : ads) ad = DZPingAsker::next();
    for (std::size_t a = 0; a < 10; ++a)
        for (std::size_t i = 0; i < 8; ++i) collection->trackURL(nowhere + std::to_string(i), ads[a]);
    EXPECT_EQ(collection->trackersInFlight(), limit);
    EXPECT_EQ(collection->waitingCount(), 80 - limit);
    ASSERT_TRUE(
        pump.until([&] { return collection->waitingCount() == 0 && collection->trackersInFlight() == 0; }));

    for (auto& ad : ads)
        for (std::size_t i = 0; i < 40; ++i) collection->trackURL(nowhere + std::to_string(i), ad);
    EXPECT_EQ(collection->trackersInFlight(), limit);
    EXPECT_EQ(collection->waitingCount(), DZClickTrackerCollection::kMaxWaiting);
}

TEST_F(DZClickTrackerTest, URLsThatNeverAnswerStarveNoOtherAdAndFreeTheirSlotsAfterTheBound) {
    auto collection = DZClickTrackerCollection::create();
    // The answer deadlines, run out when the test says real time has passed.
    std::vector<std::function<void()>> deadlines;
    collection->setDeadlineTimer([&](double seconds, std::function<void()> fire) {
        EXPECT_EQ(seconds, DZClickTrackerCollection::kMaxAnswerSeconds);
        deadlines.push_back(std::move(fire));
    });
    NeverAnswers never;
    server.reply("/imp", 200);
    const auto share = DZClickTrackerCollection::kMaxInFlightPerAsker;
    // The ads a server named never-answering impression and click URLs for, and the pages they show:
    // one alone leaves another ad's pings to go at once, all of them together for no longer than
    // the bound.
    std::vector<DZPingAsker> hostile(8);
    auto flood = [&](DZPingAsker& ad) {
        ad = DZPingAsker::next();
        for (std::size_t i = 0; i < 100; ++i)
            collection->trackURL(never.url("/hang?n=" + std::to_string(i)), ad);
    };
    const auto other = DZPingAsker::next();
    flood(hostile[0]);
    EXPECT_EQ(collection->inFlightFor(hostile[0]), share);
    collection->trackURL(server.url("/imp"), other);
    ASSERT_TRUE(pump.until([&] { return collection->inFlightFor(other) == 0 && server.count("/imp") == 1; }));
    for (std::size_t a = 1; a < hostile.size(); ++a) flood(hostile[a]);
    EXPECT_EQ(collection->trackersInFlight(), DZClickTrackerCollection::kMaxTrackersInFlight);

    // The bound is real time: a main loop whose clock runs ahead (a headless run) gives up nothing.
    collection->trackURL(server.url("/imp"), other);
    pump.loop().advance(2 * DZClickTrackerCollection::kMaxAnswerSeconds);
    pump.runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(server.count("/imp"), 1u);
    for (auto& fire : std::exchange(deadlines, {})) fire();
    ASSERT_TRUE(pump.until([&] { return server.count("/imp") == 2; }));
    // Each hostile ad's next pings took its freed slots, never more than its share, and those given
    // up are gone.
    for (const auto& ad : hostile) {
        EXPECT_LE(collection->inFlightFor(ad), share);
        EXPECT_LE(collection->inFlightFor(ad) + collection->waitingFor(ad),
                  DZClickTrackerCollection::kMaxWaitingPerAsker);
    }
}

TEST_F(DZClickTrackerTest, AnAskerTurnedAwayIsToldOfOnceUntilItsWaitingPingsHaveGoneOut) {
    auto collection = DZClickTrackerCollection::create();
    std::vector<std::function<void()>> deadlines;
    collection->setDeadlineTimer(
        [&](double, std::function<void()> fire) { deadlines.push_back(std::move(fire)); });
    NeverAnswers never;
    platform::ScopedLogSink sink;
    auto lines = [&] {
        DZLoggingQueue()->sync([] {});
        return std::count_if(sink.lines().begin(), sink.lines().end(), [](const std::string& line) {
            return line.find("too many pings") != line.npos;
        });
    };
    const auto page = DZPingAsker::next();
    const auto other = DZPingAsker::next();
    auto flood = [&](DZPingAsker asker, int count) {
        for (int i = 0; i < count; ++i)
            collection->trackURL(never.url("/hang?n=" + std::to_string(i)), asker);
    };
    flood(page, 100);
    EXPECT_EQ(lines(), 1);
    // Another asker's pings going out, and slots the page's own pings give up, tell nothing new
    // while the page still has pings waiting.
    for (int round = 0; round < 10; ++round) {
        collection->trackURL(never.url("/other"), other);
        flood(page, 5);
    }
    for (auto& fire : std::exchange(deadlines, {})) fire();
    flood(page, 20);
    EXPECT_EQ(lines(), 1);
    // Once every waiting ping of the page has gone out, a new refusal is told again.
    while (collection->waitingFor(page) > 0) {
        ASSERT_FALSE(deadlines.empty());
        for (auto& fire : std::exchange(deadlines, {})) fire();
    }
    flood(page, 100);
    EXPECT_EQ(lines(), 2);
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
