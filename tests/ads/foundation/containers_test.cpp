// The binary heap, the cache set (bounded, thread-safe, emptied by a memory warning, releasing
// its views on the main thread) and the ad URL stash with its canonical URL forms.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "ads/foundation/DZAdURLStash.h"
#include "ads/foundation/DZBinaryHeap.h"
#include "ads/foundation/DZCacheSet.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/View.h"

using platform::ManualRunLoop;
using platform::RunLoop;
using platform::Url;
using platform::ui::View;

namespace {

std::string canonical(const char* text) {
    auto u = DZAdURLStash::canonicalURLForURL(Url::parse(text));
    return u ? u->text() : "(none)";
}

Url url(const char* text) {
    return *Url::parse(text);
}

// Records the thread it dies on.
struct Pooled {
    explicit Pooled(std::atomic<std::thread::id>* diedOn = nullptr) : diedOn(diedOn) {}
    ~Pooled() {
        if (diedOn) *diedOn = std::this_thread::get_id();
    }
    std::atomic<std::thread::id>* diedOn;
};

// A view that records the thread it dies on.
struct RecordingView : View {
    explicit RecordingView(std::atomic<std::thread::id>* diedOn) : diedOn(diedOn) {}
    ~RecordingView() override { *diedOn = std::this_thread::get_id(); }
    std::atomic<std::thread::id>* diedOn;
};

class CacheSetTest : public ::testing::Test {
  protected:
    void SetUp() override { previous_ = RunLoop::setMain(loop_); }
    void TearDown() override { RunLoop::setMain(previous_); }
    std::shared_ptr<ManualRunLoop> loop_ = std::make_shared<ManualRunLoop>();
    std::shared_ptr<RunLoop> previous_;
};

}  // namespace

TEST(DZBinaryHeap, GivesTheSmallestFirstAndSortsAscending) {
    DZBinaryHeap<int> heap;
    EXPECT_FALSE(heap.minimum());
    EXPECT_FALSE(heap.sortedObjects());
    for (int v : {3, 1, 2}) heap.addObject(v);
    EXPECT_EQ(heap.minimum(), 1);
    EXPECT_EQ(heap.sortedObjects(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(heap.containsObject(2));
    EXPECT_EQ(heap.removedMinimum(), 1);
    EXPECT_EQ(heap.count(), 2u);
    EXPECT_FALSE(heap.containsObject(1));
    EXPECT_EQ(heap.removedMinimum(), 2);
    EXPECT_EQ(heap.removedMinimum(), 3);
    EXPECT_FALSE(heap.removedMinimum());
}

TEST(DZBinaryHeap, ObjectsByTheirValuesOrByTheGivenComparator) {
    DZBinaryHeap<std::shared_ptr<int>> heap;
    for (int v : {5, 9, 4}) heap.addObject(std::make_shared<int>(v));
    EXPECT_EQ(**heap.minimum(), 4);
    EXPECT_FALSE(heap.containsObject(nullptr));
    EXPECT_TRUE(heap.containsObject(std::make_shared<int>(9)));

    DZBinaryHeap<int> largestFirst([](const int& a, const int& b) { return b - a; });
    for (int v : {3, 7, 5}) largestFirst.addObject(v);
    EXPECT_EQ(largestFirst.sortedObjects(), (std::vector<int>{7, 5, 3}));
}

TEST_F(CacheSetTest, HoldsAtMostItsCapacityAndGivesEachObjectOnce) {
    auto cache = DZCacheSet<Pooled>::initWithMaxCapacity(2);
    EXPECT_EQ(cache->maxCapacity(), 2u);
    std::vector<std::shared_ptr<Pooled>> objects;
    for (int i = 0; i < 3; ++i) objects.push_back(std::make_shared<Pooled>());
    for (auto& o : objects) cache->addObject(o);
    auto first = cache->anyObject();
    auto second = cache->anyObject();
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_EQ(cache->anyObject(), nullptr);
    // The third came when the pool was full.
    EXPECT_EQ((std::set<std::shared_ptr<Pooled>>{first, second}),
              (std::set<std::shared_ptr<Pooled>>{objects[0], objects[1]}));
}

TEST_F(CacheSetTest, ADroppedObjectIsReleasedOnTheMainThread) {
    auto cache = DZCacheSet<Pooled>::initWithMaxCapacity(1);
    std::atomic<std::thread::id> diedOn;
    cache->addObject(std::make_shared<Pooled>());
    // Dropped by a worker's addition, as the pool is full.
    std::thread([&] { cache->addObject(std::make_shared<Pooled>(&diedOn)); }).join();
    EXPECT_EQ(diedOn.load(), std::thread::id());
    loop_->runUntilIdle();
    EXPECT_EQ(diedOn.load(), std::this_thread::get_id());
}

TEST_F(CacheSetTest, ASetWhoseLastOwnerIsAWorkerStillReleasesItsObjectsOnTheMainThread) {
    std::atomic<std::thread::id> diedOn;
    auto cache = DZCacheSet<Pooled>::initWithMaxCapacity(2);
    cache->addObject(std::make_shared<Pooled>(&diedOn));
    std::thread([cache = std::move(cache)]() mutable { cache.reset(); }).join();
    EXPECT_EQ(diedOn.load(), std::thread::id());
    loop_->runUntilIdle();
    EXPECT_EQ(diedOn.load(), std::this_thread::get_id());
}

TEST_F(CacheSetTest, AMemoryWarningEmptiesItAndAGoneSetStopsListening) {
    auto& center = platform::ui::NotificationCenter::defaultCenter();
    const auto observersBefore =
        center.observerCount(platform::ui::kApplicationDidReceiveMemoryWarningNotification);
    auto cache = DZCacheSet<Pooled>::initWithMaxCapacity(4);
    cache->addObject(std::make_shared<Pooled>());
    cache->addObject(std::make_shared<Pooled>());
    platform::ui::Application::shared().receiveMemoryWarning();
    EXPECT_EQ(cache->anyObject(), nullptr);
    cache.reset();
    EXPECT_EQ(center.observerCount(platform::ui::kApplicationDidReceiveMemoryWarningNotification),
              observersBefore);
}

TEST_F(CacheSetTest, ManyThreadsAddAndTakeWithoutEverExceedingTheCapacity) {
    auto cache = DZCacheSet<Pooled>::initWithMaxCapacity(3);
    std::atomic<int> taken{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                cache->addObject(std::make_shared<Pooled>());
                if (cache->anyObject()) ++taken;
            }
        });
    }
    for (auto& th : threads) th.join();
    int left = 0;
    while (cache->anyObject()) ++left;
    EXPECT_LE(left, 3);
    EXPECT_GT(taken.load(), 0);
    loop_->runUntilIdle();
}

TEST(DZAdURLStash, EquivalentSpellingsShareOneCanonicalForm) {
    EXPECT_EQ(canonical("http://h.com/a/#x"), "http://h.com:80/a");
    EXPECT_EQ(canonical("http://h.com/a"), "http://h.com:80/a");
    EXPECT_EQ(canonical("http://h.com/a#b#c"), "http://h.com:80/a");
    EXPECT_EQ(canonical("http://h.com"), "http://h.com:80");
    EXPECT_EQ(canonical("http://h.com/"), "http://h.com:80");
    EXPECT_EQ(canonical("https://h.com/a?q=1#f"), "https://h.com:80/a?q=1");
    EXPECT_EQ(canonical("http://u@h.com/a"), "http://u@h.com:80/a");
}

TEST(DZAdURLStash, DifferentURLsStayDifferent) {
    // Only the host part changes: the host's text elsewhere in the URL stays as it is.
    EXPECT_EQ(canonical("http://h.com/h.com/x?r=h.com"), "http://h.com:80/h.com/x?r=h.com");
    EXPECT_NE(canonical("http://h.com/a"), canonical("http://h.com/b"));
    EXPECT_NE(canonical("http://h.com/a?x=1"), canonical("http://h.com/a?x=2"));
    // An explicit port, or no host, is left alone.
    EXPECT_EQ(canonical("http://h.com:8080/a/"), "http://h.com:8080/a/");
    EXPECT_NE(canonical("http://h.com:8080/a/"), canonical("http://h.com:8080/a"));
    EXPECT_EQ(canonical("mailto:a@h.com#x"), "mailto:a@h.com#x");
    EXPECT_FALSE(DZAdURLStash::canonicalURLForURL(std::nullopt));
}

TEST(DZAdURLStash, ViewsAreFoundByEquivalentURLsAndRemoveOnlyTheirOwnEntry) {
    auto older = std::make_shared<View>();
    auto newer = std::make_shared<View>();
    DZAdURLStash::add(url("http://h.com/a/"), older);
    EXPECT_EQ(DZAdURLStash::viewForURL(url("http://h.com/a#frag")), older);
    DZAdURLStash::add(url("http://h.com/a"), newer);
    DZAdURLStash::remove(url("http://h.com/a/"), older.get());
    EXPECT_EQ(DZAdURLStash::viewForURL(url("http://h.com/a")), newer);
    EXPECT_TRUE(DZAdURLStash::hasStashedURLs());
    DZAdURLStash::remove(url("http://h.com/a"), newer.get());
    EXPECT_EQ(DZAdURLStash::viewForURL(url("http://h.com/a")), nullptr);
    EXPECT_FALSE(DZAdURLStash::hasStashedURLs());
}

TEST_F(CacheSetTest, AStashedViewFoundOnAWorkerIsReleasedOnTheMainThread) {
    std::atomic<std::thread::id> diedOn;
    auto view = std::make_shared<RecordingView>(&diedOn);
    DZAdURLStash::add(url("http://h.com/worker"), view);
    std::shared_ptr<View> found;
    std::thread([&] { found = DZAdURLStash::viewForURL(url("http://h.com/worker")); }).join();
    ASSERT_EQ(found, view);
    view.reset();
    std::thread([&] { found.reset(); }).join();  // the worker's is the last reference
    loop_->runUntilIdle();
    EXPECT_EQ(diedOn.load(), std::this_thread::get_id());
}

TEST(DZAdURLStash, AViewThatGoesAwayIsNotFound) {
    auto view = std::make_shared<View>();
    DZAdURLStash::add(url("http://h.com/gone"), view);
    view.reset();
    EXPECT_EQ(DZAdURLStash::viewForURL(url("http://h.com/gone")), nullptr);
    EXPECT_FALSE(DZAdURLStash::hasStashedURLs());
}
