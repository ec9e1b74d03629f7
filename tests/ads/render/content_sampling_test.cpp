// On-screen content sampling: the kept samples and their de-duplication, the view walk (order,
// refusals, changing trees, visits that answer later), passes over text and web views, and the
// request path's read of the best sample.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "ads/render/sampling/DZContentQueue.h"
#include "ads/render/sampling/DZContentSampler.h"
#include "ads/render/sampling/DZContentScoreboard.h"
#include "ads/render/sampling/DZPageTextReader.h"
#include "ads/render/sampling/DZViewHierarchyTraverser.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/ui/TextView.h"
#include "platform/web/FakeWebEngine.h"
#include "platform/web/WebContentView.h"
#include "support/MainLoopPump.h"
#include "support/TempDir.h"

namespace {

using platform::ui::TextView;
using platform::ui::View;
using ViewPtr = std::shared_ptr<View>;

const std::string kFox = "The quick brown fox jumps over the lazy dog";
const std::string kTwenty =
    "one two three four five six seven eight nine ten eleven twelve thirteen fourteen fifteen sixteen "
    "seventeen eighteen nineteen twenty";

class ContentSamplingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::AppPaths::setHome(home_.path());
        platform::UserDefaults::resetStandard();
    }
    void TearDown() override { platform::UserDefaults::resetStandard(); }

    static std::shared_ptr<DZContent> content(uint32_t sequenceNumber, const std::string& text) {
        auto c = std::make_shared<DZContent>(sequenceNumber);
        c->updateContentWithText(text);
        return c;
    }
    static std::shared_ptr<TextView> textView(const std::string& text) {
        auto view = std::make_shared<TextView>();
        view->setText(text);
        return view;
    }
    // The texts of the views visited, in order.
    std::vector<std::string> walk(DZViewHierarchyTraverser& traverser, const ViewPtr& root,
                                  const std::function<void()>& duringFirstVisit = nullptr) {
        std::vector<std::string> visited;
        bool finished = false, ended = false;
        traverser.traverseView(
            root,
            [&](const ViewPtr& view, int32_t, DZViewHierarchyTraverser::Continue next) {
                if (visited.empty() && duringFirstVisit) duringFirstVisit();
                visited.push_back(std::static_pointer_cast<TextView>(view)->text());
                next();
            },
            [&](bool ok) {
                finished = ok;
                ended = true;
            });
        EXPECT_TRUE(pump_.until([&] { return ended; }));
        EXPECT_TRUE(finished);
        return visited;
    }
    bool pass(DZContentSampler& sampler, const ViewPtr& root) {
        bool kept = false, ended = false;
        sampler.samplePass(root, [&](bool k) {
            kept = k;
            ended = true;
        });
        EXPECT_TRUE(pump_.until([&] { return ended; }));
        return kept;
    }

    tikoleap::test::TempDir home_;
    tikoleap::test::MainLoopPump pump_;
};

TEST_F(ContentSamplingTest, QueueKeepsTheNewestOfEqualSamplesAndDropsTheOldestWhenFull) {
    DZContentQueue queue(2);
    queue.enqueueContent(nullptr);
    queue.enqueueContent(content(1, kFox));
    auto copy = content(2, kFox);
    queue.deduplicate(copy);
    queue.enqueueContent(copy);
    EXPECT_EQ(queue.sequenceNumbers(), (std::vector<uint32_t>{2}));
    EXPECT_EQ(queue.contentWithSequenceNumber(1), nullptr);

    // A copy numbered below a kept one is itself the one that goes.
    auto older = content(0, kFox);
    queue.enqueueContent(older);
    queue.deduplicate(older);
    EXPECT_EQ(queue.sequenceNumbers(), (std::vector<uint32_t>{2}));

    queue.enqueueContent(content(3, kTwenty));
    queue.enqueueContent(content(4, "a different sentence with enough words to count here"));
    EXPECT_EQ(queue.sequenceNumbers(), (std::vector<uint32_t>{3, 4}));

    DZContentQueue none(0);
    none.enqueueContent(content(1, kFox));
    EXPECT_TRUE(none.sequenceNumbers().empty());
    DZContentQueue huge(1000);
    EXPECT_EQ(huge.size(), DZContentQueue::kMaximumSize);
    for (uint32_t i = 1; i <= 150; ++i) huge.enqueueContent(content(i, kFox));
    EXPECT_EQ(huge.sequenceNumbers().size(), DZContentQueue::kMaximumSize);
    EXPECT_EQ(huge.sequenceNumbers().front(), 51u);
}

TEST_F(ContentSamplingTest, BestSampleHasTheHighestPositiveScore) {
    DZContentQueue queue(10);
    EXPECT_EQ(queue.contentWithHighestScore(), nullptr);
    auto fox = content(1, kFox);
    auto twenty = content(5, kTwenty);
    queue.enqueueContent(fox);
    queue.enqueueContent(twenty);
    ASSERT_GT(twenty->score(), fox->score());
    EXPECT_EQ(queue.contentWithHighestScore(), twenty);
    // Served once, twenty falls below fox; served again, neither is above 0.
    twenty->deductServedPenalty();
    EXPECT_EQ(queue.contentWithHighestScore(), fox);
    fox->deductServedPenalty();
    twenty->deductServedPenalty();
    EXPECT_EQ(queue.contentWithHighestScore(), nullptr);
}

TEST_F(ContentSamplingTest, RequestsCountTheirPenaltyAtOnceAndNeverWaitForTheHashingQueue) {
    DZContentQueue queue(10);
    auto fox = content(1, kFox);
    auto twenty = content(5, kTwenty);
    queue.enqueueContent(fox);
    queue.enqueueContent(twenty);
    const int32_t foxScore = fox->score(), twentyScore = twenty->score();
    ASSERT_GT(twentyScore - DZContent::kServedPenalty, 0);
    ASSERT_GT(foxScore, twentyScore - DZContent::kServedPenalty);
    DZContentScoreboard board;
    EXPECT_FALSE(board.serveBest()) << "nothing before the first publication";
    board.publish(queue);
    EXPECT_EQ(board.serveBest()->fingerprint, twenty->fingerprint());
    // A publication before the hashing queue has taken that penalty still counts it.
    board.publish(queue);
    EXPECT_EQ(board.serveBest()->fingerprint, fox->fingerprint());
    EXPECT_EQ(board.serveBest()->fingerprint, twenty->fingerprint());
    EXPECT_FALSE(board.serveBest());
    for (const auto& served : {twenty, fox, twenty}) board.settle(served);
    EXPECT_EQ(twenty->score(), twentyScore - 2 * DZContent::kServedPenalty);
    EXPECT_EQ(fox->score(), foxScore - DZContent::kServedPenalty);
    board.publish(queue);
    EXPECT_FALSE(board.serveBest()) << "a taken penalty is not counted twice";

    // The request is answered while the hashing queue is still busy.
    auto sampler = DZContentSampler::create();
    sampler->startContentHashing();
    ASSERT_TRUE(pass(*sampler, textView(kFox)));
    std::promise<void> answered;
    bool releasedByAnswer = false;
    sampler->serialQueue()->async([&, future = answered.get_future().share()] {
        releasedByAnswer = future.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    });
    const auto fingerprint = sampler->fingerprintWithServedPenaltyDeduction();
    answered.set_value();
    EXPECT_EQ(fingerprint, "CVKL52qMYV_9iRMRHJHZ9w==");
    sampler->serialQueue()->sync([] {});
    EXPECT_TRUE(releasedByAnswer);
    EXPECT_EQ(sampler->contentQueue()->contentWithHighestScore(), nullptr) << "the sample took its penalty";
    sampler->stopContentHashing();
}

TEST_F(ContentSamplingTest, WalkVisitsPreOrderLastSubviewFirstAndFollowsTheTreeAsTaken) {
    auto root = textView("root");
    auto a = textView("a");
    auto b = textView("b");
    auto c = textView("c");
    auto d = textView("d");
    root->addSubview(a);
    a->addSubview(b);
    a->addSubview(c);
    root->addSubview(d);
    auto traverser = DZViewHierarchyTraverser::create();
    EXPECT_EQ(walk(*traverser, root), (std::vector<std::string>{"root", "d", "a", "c", "b"}));
    EXPECT_EQ(traverser->sequenceNumber(), 1);

    // Removed during the walk: skipped; added: left for the next walk.
    auto e = textView("e");
    auto visited = walk(*traverser, root, [&] {
        c->removeFromSuperview();
        c.reset();
        b->addSubview(e);
    });
    EXPECT_EQ(visited, (std::vector<std::string>{"root", "d", "a", "b"}));
    EXPECT_EQ(walk(*traverser, root), (std::vector<std::string>{"root", "d", "a", "b", "e"}));
    EXPECT_EQ(traverser->sequenceNumber(), 3);
    EXPECT_FALSE(traverser->isTraversing());
}

TEST_F(ContentSamplingTest, WalkIsRefusedWithoutRootOrWhileAnotherRunsAndWaitsForLateVisits) {
    auto traverser = DZViewHierarchyTraverser::create(2);
    std::vector<bool> results;
    auto record = [&](bool ok) { results.push_back(ok); };
    auto noop = [](const ViewPtr&, int32_t, DZViewHierarchyTraverser::Continue next) { next(); };
    traverser->traverseView(nullptr, noop, record);
    EXPECT_TRUE(results.empty()) << "a refusal is reported on a later turn";
    ASSERT_TRUE(pump_.until([&] { return results.size() == 1; }));
    EXPECT_FALSE(results[0]);

    auto root = textView("root");
    root->addSubview(textView("child"));
    std::vector<DZViewHierarchyTraverser::Continue> held;
    traverser->traverseView(
        root, [&](const ViewPtr&, int32_t, DZViewHierarchyTraverser::Continue next) { held.push_back(next); },
        record);
    traverser->traverseView(root, noop, record);
    ASSERT_TRUE(pump_.until([&] { return results.size() == 2 && held.size() == 1; }));
    EXPECT_FALSE(results[1]);
    // The second view waits for the first visit to end.
    pump_.runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(held.size(), 1u);
    held[0]();
    held[0]();
    ASSERT_TRUE(pump_.until([&] { return held.size() == 2; }));
    pump_.runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(results.size(), 2u) << "a continuation called twice moves the walk once";
    // A visit that never ends is given up after the visit time-out.
    pump_.loop().advance(2.5);
    ASSERT_TRUE(pump_.until([&] { return results.size() == 3; }));
    EXPECT_TRUE(results[2]);
    EXPECT_EQ(traverser->sequenceNumber(), 1) << "refused walks take no number";
}

TEST_F(ContentSamplingTest, PassesKeepTextOfTextAndWebViewsOnceAndNothingWithoutText) {
    auto sampler = DZContentSampler::create();
    EXPECT_FALSE(pass(*sampler, textView(kFox))) << "nothing kept before hashing starts";
    platform::UserDefaults::standard()->setInteger("/rerive/ads/content_queue_maximum_capacity", 1000);
    platform::UserDefaults::standard()->setDouble("/rerive/ads/traversal_interval",
                                                  std::numeric_limits<double>::quiet_NaN());
    sampler->startContentHashing();
    auto scheduler = sampler->scheduler();
    ASSERT_TRUE(scheduler);
    EXPECT_EQ(scheduler->interval(), DZContentSampler::kDefaultTraversalInterval);
    EXPECT_EQ(sampler->contentQueue()->size(), DZContentQueue::kMaximumSize);
    sampler->startContentHashing();
    EXPECT_EQ(sampler->scheduler(), scheduler);

    EXPECT_FALSE(pass(*sampler, nullptr));
    EXPECT_FALSE(pass(*sampler, textView("short")));
    auto root = textView("");
    root->addSubview(textView(kFox));
    EXPECT_TRUE(pass(*sampler, root));
    EXPECT_TRUE(pass(*sampler, root));
    auto queue = sampler->contentQueue();
    ASSERT_EQ(queue->sequenceNumbers().size(), 1u) << "an unchanged screen keeps only its newest sample";
    const auto fingerprint = sampler->fingerprintWithServedPenaltyDeduction();
    EXPECT_EQ(fingerprint, "CVKL52qMYV_9iRMRHJHZ9w==");

    // A web view's text comes a piece at a time and counts whole; a huge page is cut. Pieces
    // split its 28-byte lines, some into parts too short to count alone.
    auto engine = std::make_shared<platform::web::FakeWebEngine>();
    engine->useLoop(pump_.loop());
    auto web = std::make_shared<platform::web::WebContentView>(engine);
    root->addSubview(web);
    bool kept = false, ended = false;
    sampler->samplePass(root, [&](bool k) {
        kept = k;
        ended = true;
    });
    std::string page;
    while (page.size() < 3 * 1024 * 1024) page += "one two three four five six\n";
    std::size_t offset = 0;
    const auto asked = [&] {
        return engine->pendingScripts().empty() ? "" : engine->pendingScripts().front().script;
    };
    while (pump_.until([&] { return ended || !asked().empty(); }) &&
           asked() != DZPageTextReader::forgetScript()) {
        ASSERT_EQ(asked(), DZPageTextReader::chunkScript(offset));
        engine->completeScript({true, page.substr(offset, DZPageTextReader::kChunkUnits), ""});
        offset += DZPageTextReader::kChunkUnits;
    }
    EXPECT_EQ(offset, DZContentSampler::kMaximumTextPerView) << "nothing is asked past the cut";
    // The page may drop the rest of its text.
    EXPECT_TRUE(engine->completeScript({true, "true", ""}));
    ASSERT_TRUE(pump_.until([&] { return ended; }));
    EXPECT_TRUE(kept);
    auto last = queue->contentWithSequenceNumber(queue->sequenceNumbers().back());
    ASSERT_TRUE(last);
    DZContent whole(last->sequenceNumber());
    whole.updateContentWithText(page.substr(0, DZContentSampler::kMaximumTextPerView));
    whole.updateContentWithText(kFox);
    EXPECT_EQ(last->contentTotalLength(), whole.contentTotalLength());
    EXPECT_EQ(last->fingerprint(), whole.fingerprint());
    EXPECT_NE(last->fingerprint(), *fingerprint);

    // A page that answers after its visit was given up adds nothing to the kept sample.
    platform::web::FakeWebEngine::Limits patient;
    patient.scriptTimeoutSeconds = 60;
    engine->setLimits(patient);
    ended = false;
    sampler->samplePass(root, [&](bool) { ended = true; });
    ASSERT_TRUE(pump_.until([&] { return !engine->pendingScripts().empty(); }));
    pump_.loop().advance(DZViewHierarchyTraverser::kDefaultVisitTimeout + 1);
    ASSERT_TRUE(pump_.until([&] { return ended; }));
    ASSERT_TRUE(engine->completeScript({true, kTwenty, ""}));
    pump_.runFor(std::chrono::milliseconds(50));
    sampler->serialQueue()->sync([] {});
    EXPECT_EQ(queue->contentWithSequenceNumber(queue->sequenceNumbers().back())->fingerprint(), *fingerprint);

    // Switched off (an ad response that does not opt in), the kept samples still serve requests
    // until the next start replaces them.
    const auto best = queue->contentWithHighestScore();
    ASSERT_TRUE(best);
    const std::string bestFingerprint = best->fingerprint();
    sampler->stopContentHashing();
    EXPECT_FALSE(sampler->isContentHashing());
    EXPECT_EQ(sampler->fingerprintWithServedPenaltyDeduction(), bestFingerprint);
    sampler->startContentHashing();
    EXPECT_EQ(sampler->fingerprintWithServedPenaltyDeduction(), std::nullopt);
    sampler->stopContentHashing();
}

TEST_F(ContentSamplingTest, TraversalIntervalHasAFloor) {
    const std::vector<std::pair<double, double>> cases{
        {0.0, 10.0}, {-3.0, 10.0}, {std::numeric_limits<double>::infinity(), 10.0}, {0.2, 1.0}, {30.0, 30.0}};
    for (const auto& [interval, expected] : cases) {
        platform::UserDefaults::standard()->setDouble("/rerive/ads/traversal_interval", interval);
        auto sampler = DZContentSampler::create();
        sampler->startContentHashing();
        EXPECT_EQ(sampler->scheduler()->interval(), expected) << interval;
        sampler->stopContentHashing();
    }
}

}  // namespace
