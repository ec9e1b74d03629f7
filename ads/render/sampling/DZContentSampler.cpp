#include "ads/render/sampling/DZContentSampler.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/render/sampling/DZPageTextReader.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/ui/Application.h"
#include "platform/ui/TextView.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebContentView.h"

namespace {

const std::string kCapacityKey = "/rerive/ads/content_queue_maximum_capacity";
const std::string kIntervalKey = "/rerive/ads/traversal_interval";
// Lets the app's early start-up start sampling, without the foundation knowing this layer.
[[maybe_unused]] const bool registered = [] {
    DZApplication::setEarlyActivityHook(&DZEarlyActivityHooks::startContentHashing,
                                        [] { DZContentSampler::shared()->startContentHashing(); });
    return true;
}();

}  // namespace

std::shared_ptr<DZContentSampler> DZContentSampler::shared() {
    static const auto instance = create();
    return instance;
}

std::shared_ptr<DZContentSampler> DZContentSampler::create() {
    return std::shared_ptr<DZContentSampler>(new DZContentSampler());
}

std::shared_ptr<DZContentQueue> DZContentSampler::contentQueue() const {
    std::lock_guard lock(mutex_);
    return contentQueue_;
}

std::shared_ptr<platform::DispatchQueue> DZContentSampler::serialQueue() const {
    std::lock_guard lock(mutex_);
    return serialQueue_;
}

std::shared_ptr<DZScheduler> DZContentSampler::scheduler() const {
    std::lock_guard lock(mutex_);
    return scheduler_;
}

void DZContentSampler::startContentHashing() {
    // Views and the scheduler's timer belong to the main thread; the server's switch may come elsewhere.
    if (auto main = platform::DispatchQueue::main(); !main->isCurrent()) {
        main->async([self = shared_from_this()] { self->startContentHashing(); });
        return;
    }
    if (scheduler()) return;
    auto defaults = platform::UserDefaults::standard();
    int64_t capacity = defaults->integerForKey(kCapacityKey).value_or(kDefaultQueueCapacity);
    capacity = std::clamp<int64_t>(capacity, 0, DZContentQueue::kMaximumSize);
    double interval = defaults->doubleForKey(kIntervalKey).value_or(kDefaultTraversalInterval);
    // Not positive or not finite would make the timer spin.
    if (!std::isfinite(interval) || interval <= 0) interval = kDefaultTraversalInterval;
    interval = std::max(interval, kMinimumTraversalInterval);

    auto queue = platform::DispatchQueue::createSerial("com.rerive.didaz.content-hashing");
    auto contents = std::make_shared<DZContentQueue>(static_cast<uint32_t>(capacity));
    auto scoreboard = std::make_shared<DZContentScoreboard>();
    auto scheduler = DZScheduler::initWithInterval(interval);
    {
        std::lock_guard lock(mutex_);
        serialQueue_ = queue;
        contentsQueue_ = queue;
        contentQueue_ = contents;
        scoreboard_ = scoreboard;
        scheduler_ = scheduler;
        traverser_ = DZViewHierarchyTraverser::create();
    }
    std::weak_ptr<DZContentSampler> weakSelf = shared_from_this();
    scheduler->taskIDScheduledOnQueue(platform::DispatchQueue::main(), [weakSelf] {
        auto self = weakSelf.lock();
        if (!self) return;
        auto window = platform::ui::Application::shared().keyWindow();
        auto controller = window ? window->rootViewController() : nullptr;
        self->samplePass(controller ? controller->view() : nullptr);
    });
    scheduler->start();
}

void DZContentSampler::stopContentHashing() {
    if (auto main = platform::DispatchQueue::main(); !main->isCurrent()) {
        main->async([self = shared_from_this()] { self->stopContentHashing(); });
        return;
    }
    std::shared_ptr<DZScheduler> scheduler;
    {
        std::lock_guard lock(mutex_);
        scheduler = std::move(scheduler_);
        serialQueue_.reset();
    }
    if (scheduler) scheduler->stop();
}

std::optional<std::string> DZContentSampler::fingerprintWithServedPenaltyDeduction() {
    std::shared_ptr<platform::DispatchQueue> queue;
    std::shared_ptr<DZContentScoreboard> scoreboard;
    {
        std::lock_guard lock(mutex_);
        queue = contentsQueue_;
        scoreboard = scoreboard_;
    }
    if (!queue || !scoreboard) return std::nullopt;
    auto served = scoreboard->serveBest();
    if (!served) return std::nullopt;
    queue->async([scoreboard, content = served->content] { scoreboard->settle(content); });
    return std::move(served->fingerprint);
}

void DZContentSampler::samplePass(const std::shared_ptr<platform::ui::View>& root,
                                  std::function<void(bool)> done) {
    std::shared_ptr<platform::DispatchQueue> queue;
    std::weak_ptr<DZContentQueue> weakContents;
    std::shared_ptr<DZContentScoreboard> scoreboard;
    std::shared_ptr<DZViewHierarchyTraverser> traverser;
    {
        std::lock_guard lock(mutex_);
        queue = serialQueue_;
        weakContents = contentQueue_;
        scoreboard = scoreboard_;
        traverser = traverser_;
    }
    auto finish = [done](bool kept) {
        if (done) platform::DispatchQueue::main()->async([done, kept] { done(kept); });
    };
    if (!queue || !traverser) return finish(false);

    // The main thread only starts the pass and hands texts on: making the sample (which reads its
    // settings), cutting the text and hashing it all happen on the content-hashing queue.
    struct Pass {
        bool started = false;  // main thread
        // A page that answers after the walk gave up on it must not change a kept sample.
        bool closed = false;                 // main thread
        uint64_t visits = 0;                 // main thread
        std::shared_ptr<DZContent> content;  // content-hashing queue
    };
    auto state = std::make_shared<Pass>();
    // Main thread: the text is hashed on the content-hashing queue, after whatever was sent
    // there before.
    auto feed = [queue, state](std::shared_ptr<std::string> text) {
        if (state->closed) return;
        queue->async([state, text] {
            state->content->updateContentWithText(
                std::string(dz_prefixWithinBytes(*text, kMaximumTextPerView)));
        });
    };
    traverser->traverseView(
        root,
        [queue, state, feed](const std::shared_ptr<platform::ui::View>& view, int32_t sequenceNumber,
                             DZViewHierarchyTraverser::Continue next) {
            const uint64_t visit = ++state->visits;
            if (!state->started) {
                state->started = true;
                queue->async([state, number = static_cast<uint32_t>(sequenceNumber)] {
                    state->content = std::make_shared<DZContent>(number);
                });
            }
            if (auto textView = std::dynamic_pointer_cast<platform::ui::TextView>(view)) {
                feed(std::make_shared<std::string>(textView->text()));
            } else if (auto webView = std::dynamic_pointer_cast<platform::web::WebContentView>(view);
                       webView && webView->engine()) {
                // The pieces gather on the content-hashing queue; the page counts once whole.
                auto text = std::make_shared<std::string>();
                auto wanted = [state, visit] { return !state->closed && state->visits == visit; };
                DZPageTextReader::read(
                    webView, kMaximumTextPerView, wanted,
                    [queue, text](std::string piece) {
                        queue->async([text, piece = std::move(piece)] { text->append(piece); });
                    },
                    [text, wanted, feed, next] {
                        if (wanted()) feed(text);
                        next();
                    });
                return;
            }
            next();
        },
        [queue, weakContents, scoreboard, state, finish](bool finished) {
            state->closed = true;
            if (!finished || !state->started) return finish(false);
            queue->async([weakContents, scoreboard, state, finish] {
                auto contents = weakContents.lock();
                const auto& content = state->content;
                bool kept = contents && !content->fingerprint().empty();
                if (kept) {
                    contents->deduplicate(content);
                    contents->enqueueContent(content);
                    scoreboard->publish(*contents);
                }
                finish(kept);
            });
        });
}
