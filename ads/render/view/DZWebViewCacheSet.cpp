#include "ads/render/view/DZWebViewCacheSet.h"

#include <utility>

#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"

using platform::web::WebContentView;

// The blanking view's delegate: only about:blank may load, and the end of that load goes back
// to the set.
class DZWebViewCacheSet::Clearing : public platform::web::WebEngineDelegate {
  public:
    Clearing(DZWebViewCacheSet& owner, std::shared_ptr<WebContentView> view)
        : owner_(owner), view_(std::move(view)) {}
    const std::shared_ptr<WebContentView>& view() const { return view_; }

    bool shouldStartNavigation(const platform::web::NavigationAction& action) override {
        return action.url == "about:blank";
    }
    void loadStarted() override {}
    // The set releases the view (and this) only after the engine's call has returned.
    void loadFinished() override { owner_.blankPageLoaded(view_.get()); }
    void loadFailed(const platform::web::WebError&) override { owner_.blankPageFailed(view_.get()); }
    void contentSizeChanged(platform::web::ContentSize) override {}

  private:
    DZWebViewCacheSet& owner_;
    std::shared_ptr<WebContentView> view_;
};

uint32_t DZWebViewCacheSet::capacityFromDefaults(const platform::UserDefaults& defaults) {
    const auto value = defaults.integerForKey(kMaxCapacityKey);
    return value && *value >= 0 && *value <= 9 ? static_cast<uint32_t>(*value) : 0;
}

std::shared_ptr<DZWebViewCacheSet> DZWebViewCacheSet::initWithMaxCapacity(uint32_t maxCapacity) {
    std::shared_ptr<DZWebViewCacheSet> set(new DZWebViewCacheSet(maxCapacity));
    // Spares must not outlive the engine's loop, which ends with the application.
    set->observer_ = platform::ui::NotificationCenter::defaultCenter().addObserver(
        platform::ui::kApplicationWillTerminateNotification,
        [weak = std::weak_ptr<DZWebViewCacheSet>(set)](const platform::ui::Notification&) {
            if (auto self = weak.lock()) self->removeAll();
        });
    return set;
}

void DZWebViewCacheSet::removeAll() {
    pool_->removeAllObjects();
    while (!clearing_.empty()) destroyOne();
}

DZWebViewCacheSet::DZWebViewCacheSet(uint32_t maxCapacity)
    : pool_(DZCacheSet<WebContentView>::initWithMaxCapacity(maxCapacity)) {}

DZWebViewCacheSet::~DZWebViewCacheSet() {
    platform::ui::NotificationCenter::defaultCenter().removeObserver(observer_);
    for (auto& [key, clearing] : clearing_) {
        const auto& engine = clearing->view()->engine();
        engine->setDelegate(nullptr);
        engine->stopLoading();
    }
}

void DZWebViewCacheSet::addObject(std::shared_ptr<WebContentView> view) {
    if (!view || !view->engine() || maxCapacity() == 0) return;
    auto block = [weak = weak_from_this(), view = std::move(view)]() mutable {
        if (auto self = weak.lock()) self->clearWebView(std::move(view));
    };
    if (platform::RunLoop::hasMain()) {
        platform::DispatchQueue::main()->async(std::move(block));
    } else {
        block();
    }
}

void DZWebViewCacheSet::clearWebView(std::shared_ptr<WebContentView> view) {
    if (static_cast<int>(clearing_.size()) >= kMaxClearing) return;
    view->removeFromSuperview();
    const auto& engine = view->engine();
    engine->stopLoading();
    auto clearing = std::make_unique<Clearing>(*this, view);
    engine->setDelegate(clearing.get());
    clearing_[view.get()] = std::move(clearing);
    engine->loadRequest({"about:blank", {}});
}

void DZWebViewCacheSet::blankPageLoaded(const WebContentView* key) {
    auto found = clearing_.find(key);
    if (found == clearing_.end()) return;
    auto view = found->second->view();
    view->engine()->setDelegate(nullptr);
    // The view stays counted as blanked until its body has been read, so no more than
    // kMaxClearing views are kept out of the pool at once.
    view->engine()->evaluateScript("document.body.innerHTML",
                                   [weak = weak_from_this(), key](const platform::web::ScriptResult& result) {
                                       auto self = weak.lock();
                                       if (!self) return;
                                       auto node = self->clearing_.extract(key);
                                       if (node.empty()) return;
                                       if (result.ok && result.value.empty())
                                           self->pool_->addObject(node.mapped()->view());
                                       self->releaseLater(std::move(node.mapped()));
                                   });
}

void DZWebViewCacheSet::blankPageFailed(const WebContentView* key) {
    auto node = clearing_.extract(key);
    if (node.empty()) return;
    node.mapped()->view()->engine()->setDelegate(nullptr);
    releaseLater(std::move(node.mapped()));
}

void DZWebViewCacheSet::releaseLater(std::unique_ptr<Clearing> clearing) {
    std::shared_ptr<Clearing> held(std::move(clearing));
    if (platform::RunLoop::hasMain()) platform::DispatchQueue::main()->async([held] {});
}

bool DZWebViewCacheSet::destroyOne() {
    if (auto spare = pool_->anyObject()) return true;
    if (clearing_.empty()) return false;
    auto node = clearing_.extract(clearing_.begin());
    const auto& engine = node.mapped()->view()->engine();
    engine->setDelegate(nullptr);
    engine->stopLoading();
    return true;
}
