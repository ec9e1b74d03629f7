#include "ads/foundation/DZAdURLStash.h"

#include <map>
#include <mutex>
#include <string>

#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "platform/ui/View.h"

namespace {

struct Entry {
    std::weak_ptr<platform::ui::View> view;
    const platform::ui::View* address;
};

std::mutex& urlStashLock() {
    static std::mutex* lock = new std::mutex();
    return *lock;
}

std::map<std::string, Entry>& urlStash() {
    static auto* stash = new std::map<std::string, Entry>();
    return *stash;
}

}  // namespace

std::optional<platform::Url> DZAdURLStash::canonicalURLForURL(const std::optional<platform::Url>& url) {
    if (!url) return std::nullopt;
    if (url->hasPort() || url->host().empty()) return url;
    std::string text = url->text();
    // Only the authority's end moves: ":80" goes right after the host, wherever the host's
    // text happens to appear again in the path or query.
    const size_t slashes = text.find("//");
    if (slashes == std::string::npos) return url;
    const size_t authorityEnd = text.find_first_of("/?#", slashes + 2);
    text.insert(authorityEnd == std::string::npos ? text.size() : authorityEnd, ":80");
    if (const size_t hash = text.find('#'); hash != std::string::npos) text.erase(hash);
    if (!text.empty() && text.back() == '/') text.pop_back();
    return dz_URLWithString(text);
}

void DZAdURLStash::add(const platform::Url& url, const std::shared_ptr<platform::ui::View>& view) {
    auto key = canonicalURLForURL(url);
    if (!key || !view) return;
    std::lock_guard lock(urlStashLock());
    urlStash()[key->text()] = Entry{view, view.get()};
}

void DZAdURLStash::remove(const platform::Url& url, const platform::ui::View* view) {
    auto key = canonicalURLForURL(url);
    if (!key) return;
    std::lock_guard lock(urlStashLock());
    auto it = urlStash().find(key->text());
    if (it != urlStash().end() && it->second.address == view) urlStash().erase(it);
}

std::shared_ptr<platform::ui::View> DZAdURLStash::viewForURL(const platform::Url& url) {
    auto key = canonicalURLForURL(url);
    if (!key) return nullptr;
    std::lock_guard lock(urlStashLock());
    auto it = urlStash().find(key->text());
    if (it == urlStash().end()) return nullptr;
    auto view = it->second.view.lock();
    if (!view) urlStash().erase(it);
    // The caller may be a worker, and the view's other owners may let go of it meanwhile.
    return DZMainThreadReleased(std::move(view));
}

bool DZAdURLStash::hasStashedURLs() {
    std::lock_guard lock(urlStashLock());
    std::erase_if(urlStash(), [](const auto& entry) { return entry.second.view.expired(); });
    return !urlStash().empty();
}
