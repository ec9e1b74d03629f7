#pragma once
// The process's spare web views. A view given back is blanked first (about:blank, nothing else may
// load meanwhile) and admitted only when its page's body is then empty, so no ad's content or
// script survives into the next ad. Spares and views being blanked are live views of the engine:
// an ad view that cannot get a new one at the engine's cap destroys one of them and tries again.
// Main thread only (the pool itself is thread-safe).
#include <cstdint>
#include <map>
#include <memory>

#include "ads/foundation/DZCacheSet.h"
#include "platform/web/WebContentView.h"

namespace platform {
class UserDefaults;
}

class DZWebViewCacheSet : public std::enable_shared_from_this<DZWebViewCacheSet> {
  public:
    static constexpr const char* kMaxCapacityKey = "/rerive/ads/web_view_cache_max_capacity";
    // Views blanked at once; more given back meanwhile are dropped.
    static constexpr int kMaxClearing = 3;
    // Capacities the server may set: 0 to 9; anything else (a larger number, a negative one,
    // text) switches the pool off.
    static uint32_t capacityFromDefaults(const platform::UserDefaults& defaults);

    static std::shared_ptr<DZWebViewCacheSet> initWithMaxCapacity(uint32_t maxCapacity);
    ~DZWebViewCacheSet();
    DZWebViewCacheSet(const DZWebViewCacheSet&) = delete;
    DZWebViewCacheSet& operator=(const DZWebViewCacheSet&) = delete;

    uint32_t maxCapacity() const { return pool_->maxCapacity(); }
    // Blanks the view and pools it when that leaves an empty page.
    void addObject(std::shared_ptr<platform::web::WebContentView> view);
    // A spare ready for use, or null.
    std::shared_ptr<platform::web::WebContentView> anyObject() { return pool_->anyObject(); }
    std::size_t count() const { return pool_->count(); }
    std::size_t clearingCount() const { return clearing_.size(); }
    // Destroys one spare (a pooled one first, else one being blanked); false when there is none.
    bool destroyOne();
    // Destroys every spare, those being blanked included.
    void removeAll();

  private:
    class Clearing;
    explicit DZWebViewCacheSet(uint32_t maxCapacity);
    void clearWebView(std::shared_ptr<platform::web::WebContentView> view);
    // The blank page of `key` loaded: its body decides whether it is pooled.
    void blankPageLoaded(const platform::web::WebContentView* key);
    void blankPageFailed(const platform::web::WebContentView* key);
    // Drops the view on the next turn: the engine that reported may still be inside its call.
    static void releaseLater(std::unique_ptr<Clearing> clearing);

    std::shared_ptr<DZCacheSet<platform::web::WebContentView>> pool_;
    std::map<const platform::web::WebContentView*, std::unique_ptr<Clearing>> clearing_;
    platform::ui::NotificationCenter::Token observer_ = 0;
};
