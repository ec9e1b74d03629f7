// The statistic dictionary: ordered changes from many threads, folded delegate notices, the end
// of modification; and the application state's request statistics built on it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "ads/foundation/AdsTestHome.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/ClassRegistry.h"
#include "platform/ui/Application.h"
#include "platform/ui/NotificationCenter.h"

using platform::DispatchQueue;
using tikoleap::test::AdsTestHome;

namespace {

// Counts notices; can hold its queue shut so that changes pile up before a notice runs.
class CountingDelegate : public DZStatisticDictionaryDelegate {
  public:
    std::shared_ptr<DispatchQueue> notificationQueue() override { return queue; }
    void didUpdateStatisticDictionary(const std::shared_ptr<DZStatisticDictionary>& d) override {
        ++notices;
        last = d;
    }
    std::shared_ptr<DispatchQueue> queue = DispatchQueue::createSerial("test.notices");
    std::atomic<int> notices{0};
    std::shared_ptr<DZStatisticDictionary> last;
};

class NoQueueDelegate : public DZStatisticDictionaryDelegate {
  public:
    std::shared_ptr<DispatchQueue> notificationQueue() override { return nullptr; }
    void didUpdateStatisticDictionary(const std::shared_ptr<DZStatisticDictionary>&) override { ++notices; }
    std::atomic<int> notices{0};
};

}  // namespace

TEST(DZStatisticDictionary, ChangesFromManyThreadsAllLandAndFoldIntoFewNotices) {
    auto delegate = std::make_shared<CountingDelegate>();
    auto stats = DZStatisticDictionary::initWithDelegate(delegate);
    constexpr int kThreads = 8, kEach = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                stats->incrementNumberForKey("n", true);
                stats->addObjectToArrayWithKey(t, "list", false);
                if (i % 50 == 0) (void)stats->dictionary();
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(stats->objectForKey("n"), nlohmann::json(kThreads * kEach));
    EXPECT_EQ(stats->objectForKey("list")->size(), static_cast<size_t>(kThreads * kEach));
    stats->didFinishModifying();  // delivers what was handed on
    EXPECT_GE(delegate->notices.load(), 1);
    EXPECT_LT(delegate->notices.load(), kThreads * kEach);
    EXPECT_EQ(delegate->last, stats);
}

TEST(DZStatisticDictionary, ChangesQueuedBeforeTheNoticeStartsGiveOneNotice) {
    // The dictionary asks for the notification queue on its own queue: a delegate that waits
    // there the first time holds the dictionary still while three changes pile up behind it.
    class GateDelegate : public CountingDelegate {
      public:
        std::shared_ptr<DispatchQueue> notificationQueue() override {
            if (!entered.exchange(true)) {
                while (!open) std::this_thread::yield();
            }
            return queue;
        }
        std::atomic<bool> entered{false}, open{false};
    };
    auto delegate = std::make_shared<GateDelegate>();
    auto stats = DZStatisticDictionary::initWithDelegate(delegate);
    stats->setObjectForKey("x", "warm", true);
    while (!delegate->entered) std::this_thread::yield();
    stats->incrementNumberForKey("n", true);
    stats->incrementNumberForKey("n", true);
    stats->incrementNumberForKey("n", true);
    stats->incrementNumberForKey("quiet", false);
    delegate->open = true;
    EXPECT_EQ(stats->objectForKey("n"), nlohmann::json(3));
    stats->didFinishModifying();
    EXPECT_EQ(delegate->notices.load(), 2);  // the warm-up's, and one for the three
}

TEST(DZStatisticDictionary, TypeMismatchesAndTheEndOfModification) {
    auto silent = std::make_shared<NoQueueDelegate>();
    auto stats = DZStatisticDictionary::initWithQueueLabel("test.stats", silent);
    EXPECT_EQ(stats->queueLabel(), "test.stats");
    stats->setObjectForKey("text", "n", true);
    stats->incrementNumberForKey("n", true);  // a string is no counter: left alone
    stats->setObjectForKey(5, "list", true);
    stats->addObjectToArrayWithKey("a", "list", true);  // no list: left alone
    stats->setObjectForKey(nullptr, "null", true);      // ignored
    stats->decrementNumberForKey("fresh", false);
    EXPECT_EQ(stats->dictionary(), (nlohmann::json{{"n", "text"}, {"list", 5}, {"fresh", -1}}));

    // A copy is deep: later changes to nested lists never show through it.
    stats->addObjectToArrayWithKey(1, "nested", false);
    const nlohmann::json copy = stats->dictionary();
    stats->addObjectToArrayWithKey(2, "nested", false);
    EXPECT_EQ(copy["nested"], nlohmann::json::array({1}));

    stats->didFinishModifying();
    stats->setObjectForKey("late", "n", true);
    EXPECT_EQ(stats->objectForKey("n"), nlohmann::json("text"));
    EXPECT_FALSE(stats->delegate());
    EXPECT_EQ(silent->notices.load(), 0);
    EXPECT_NE(stats->description().find("queue: test.stats\nstatistics: {"), std::string::npos);
}

namespace {

class ApplicationTest : public ::testing::Test {
  protected:
    AdsTestHome env;
    std::shared_ptr<DZApplication> app = DZApplication::create();
};

}  // namespace

TEST_F(ApplicationTest, RequestStatisticsCountRequestsAndStampThem) {
    EXPECT_EQ(app->timeSinceFirstAdRequestInMilliseconds(), 0u);
    const nlohmann::json first = app->nextRequestStatisticsDictionaryForSlot(false);
    EXPECT_EQ(first["preqs"], 0);
    EXPECT_EQ(first["seq_num"], 1);
    EXPECT_EQ(first["basets"], first["currts"]);
    EXPECT_EQ(first["session_id"], app->currentSession().uniqueID());
    EXPECT_FALSE(first.contains("pclick"));

    env.loop().advance(1.5);
    EXPECT_EQ(app->timeSinceFirstAdRequestInMilliseconds(), 1500u);
    // A mediating slot's request goes to the ad networks: not counted as a request to us.
    const nlohmann::json second = app->nextRequestStatisticsDictionaryForSlot(true);
    EXPECT_EQ(second["preqs"], 0);
    EXPECT_EQ(second["seq_num"], 2);
    EXPECT_EQ(second["currts"].get<uint64_t>(), first["basets"].get<uint64_t>() + 1500);
    EXPECT_EQ(second["basets"], first["basets"]);

    // Mediation reports use up sequence numbers of their own.
    EXPECT_EQ(app->nextSequenceNumberAsString(), "3");
    app->incrementTotalAdClickCount();
    const nlohmann::json third = app->nextRequestStatisticsDictionaryForSlot(false);
    EXPECT_EQ(third["preqs"], 1);
    EXPECT_EQ(third["seq_num"], 4);
    EXPECT_EQ(third["pclick"], 1);
    EXPECT_EQ(app->sequenceNumber(), 4);
}

TEST_F(ApplicationTest, AdStatisticsWaitForTheNextRequestAndComeBackWhenNotSent) {
    auto ad = DZStatisticDictionary::initWithDelegate(app);
    ad->incrementNumberForKey("pcc", true);
    ad->setObjectForKey(1, "quiet", false);
    ad->didFinishModifying();  // the notice has reached the application
    auto pending = app->pendingAdStatistics();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(*pending.begin(), ad);
    EXPECT_TRUE(app->pendingAdStatistics().empty());
    app->didNotSendAdStatistics(pending);
    EXPECT_EQ(app->pendingAdStatistics(), pending);

    auto slot = app->slotStatisticsForSlotID("s1");
    EXPECT_EQ(app->slotStatisticsForSlotID("s1"), slot);
    slot->setObjectForKey("v", "k", false);
    EXPECT_EQ(app->slotStatisticsDictionary(), (nlohmann::json{{"s1", {{"k", "v"}}}}));
}

TEST_F(ApplicationTest, ClickAwayTimeIsRecordedWhenTheAppComesBack) {
    auto ad = DZStatisticDictionary::initWithDelegate(app);
    auto& center = platform::ui::NotificationCenter::defaultCenter();
    center.post(platform::ui::kApplicationDidBecomeActiveNotification);  // no click: nothing
    const uint64_t clickedAt = DZAbsoluteTime::absoluteTimeInMilliseconds();
    ad->setObjectForKey(clickedAt, "tclickcurr", false);
    for (double away : {2.0, 0.5}) {
        app->willLeaveApplicationDueToClickOnAd(ad);
        env.loop().advance(away);
        center.post(platform::ui::kApplicationDidBecomeActiveNotification);
    }
    const nlohmann::json tclick = *ad->objectForKey("tclick");
    ASSERT_EQ(tclick.size(), 2u);
    EXPECT_EQ(tclick[0], nlohmann::json::array({clickedAt, clickedAt + 2000}));
    EXPECT_EQ(tclick[1], nlohmann::json::array({clickedAt, clickedAt + 2500}));
    ad->didFinishModifying();
    EXPECT_EQ(app->pendingAdStatistics().size(), 1u);

    // An ad without a click time gets nothing.
    auto other = DZStatisticDictionary::init();
    app->willLeaveApplicationDueToClickOnAd(other);
    center.post(platform::ui::kApplicationDidBecomeActiveNotification);
    EXPECT_FALSE(other->objectForKey("tclick"));
}

TEST_F(ApplicationTest, BackgroundCountsOnlyAfterLaunching) {
    auto& shared = platform::ui::Application::shared();
    shared.enterBackground();
    EXPECT_TRUE(app->isAppActive());  // a background launch counts as active
    app->applicationDidFinishLaunching();
    EXPECT_FALSE(app->isAppActive());
    // The application's own state counts, also for state made while the app is away.
    auto later = DZApplication::create();
    later->applicationDidFinishLaunching();
    EXPECT_FALSE(later->isAppActive());
    shared.enterForeground();
    EXPECT_TRUE(app->isAppActive());
}

TEST_F(ApplicationTest, IdsAndAdapterNames) {
    std::vector<std::thread> threads;
    std::vector<std::vector<uint32_t>> seen(4);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) seen[t].push_back(app->nextZadavaDuruID());
        });
    }
    for (auto& th : threads) th.join();
    std::vector<uint32_t> all;
    for (const auto& s : seen) {
        EXPECT_TRUE(std::is_sorted(s.begin(), s.end()));
        all.insert(all.end(), s.begin(), s.end());
    }
    std::sort(all.begin(), all.end());
    for (size_t i = 0; i < all.size(); ++i) EXPECT_EQ(all[i], i + 1);

    EXPECT_FALSE(app->availableAdapterNames());
    // No adapter present is no list, not an empty one.
    app->updateAvailableAdapterNamesWithPotentialAdapterNames(std::vector<std::string>{"Missing"});
    EXPECT_FALSE(app->availableAdapterNames());
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass("DZMAdapterHTML", {kDZMAdNetworkAdapterKind},
                           [] { return std::make_shared<int>(); });
    registry.registerClass("NetAdapter", {kDZMAdNetworkAdapterKind}, [] { return std::make_shared<int>(); });
    registry.registerClass("NotAnAdapter", {"Other"}, [] { return std::make_shared<int>(); });
    app->updateAvailableAdapterNamesWithPotentialAdapterNames(
        std::vector<std::string>{"NetAdapter", "NotAnAdapter", "Missing"});
    auto names = *app->availableAdapterNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"DZMAdapterHTML", "NetAdapter"}));
    for (const char* name : {"DZMAdapterHTML", "NetAdapter", "NotAnAdapter"}) registry.unregisterClass(name);
}
