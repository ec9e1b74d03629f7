#include "ads/foundation/DZPinger.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>

#include "ads/foundation/DZScheduler.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/Log.h"
#include "platform/http/HttpConnection.h"
#include "platform/http/HttpUrl.h"
#include "platform/plist/PlistDict.h"
#include "platform/ui/NotificationCenter.h"

namespace {

// Bounds on what the server may set: beyond them a store could grow without end.
constexpr std::int64_t kMostRetryURLs = 1000;
constexpr std::int64_t kMostResends = 100;

// A user-defaults value of the wrong type is kept under "<key>.corrupt" before the key is reused.
void moveAside(platform::UserDefaults& defaults, const std::string& key) {
    const std::string aside = key + ".corrupt";
    platform::PlistDict all = defaults.dictionaryRepresentation();
    switch (all.typeOf(key)) {
        case platform::PlistType::String:
            defaults.setString(aside, *all.getString(key));
            break;
        case platform::PlistType::Integer:
            defaults.setInteger(aside, *all.getInt(key));
            break;
        case platform::PlistType::Real:
            defaults.setDouble(aside, *all.getReal(key));
            break;
        case platform::PlistType::Boolean:
            defaults.setBool(aside, *all.getBool(key));
            break;
        case platform::PlistType::Data:
            defaults.setData(aside, *all.getData(key));
            break;
        case platform::PlistType::Array:
            defaults.setArray(aside, *all.getArray(key));
            break;
        case platform::PlistType::Dict:
            defaults.setDictionary(aside, *all.getDict(key));
            break;
        default:
            return;
    }
    platform::logMessage("DZPinger", 3, "kept the unusable value of " + key + " aside as " + aside);
}

}  // namespace

std::shared_ptr<DZPinger> DZPinger::sharedInstance() {
    // Never destroyed: its queue and the network's replies use it up to the process's end.
    static const auto* shared = new std::shared_ptr<DZPinger>(create(platform::UserDefaults::standard()));
    return *shared;
}

std::shared_ptr<DZPinger> DZPinger::create(std::shared_ptr<platform::UserDefaults> defaults) {
    std::shared_ptr<DZPinger> pinger(new DZPinger(std::move(defaults)));
    std::weak_ptr<DZPinger> weak = pinger;
    // Queued store changes reach the disk before the run ends.
    pinger->terminateObserver_ = platform::ui::NotificationCenter::defaultCenter().addObserver(
        platform::ui::kApplicationWillTerminateNotification, [weak](const platform::ui::Notification&) {
            if (auto self = weak.lock()) {
                self->drain();
                self->defaults_->synchronize();
            }
        });
    return pinger;
}

DZPinger::DZPinger(std::shared_ptr<platform::UserDefaults> defaults)
    : defaults_(std::move(defaults)),
      lockQueue_(platform::DispatchQueue::createSerial("com.rerive.didaz.pinger")) {
    readSettings();
    scheduler_ = DZScheduler::initWithInterval(pingInterval_);
}

DZPinger::~DZPinger() {
    platform::ui::NotificationCenter::defaultCenter().removeObserver(terminateObserver_);
    if (scheduler_) scheduler_->stop();
}

void DZPinger::readSettings() {
    // Server-given settings are checked: an interval that is not a positive number would make the
    // passes spin, and negative counts mean nothing.
    if (auto interval = defaults_->doubleForKey(kDZPingIntervalKey)) {
        if (std::isfinite(*interval) && *interval > 0) {
            pingInterval_ = *interval;
        } else {
            platform::logMessage("DZPinger", 3, "ping interval " + std::to_string(*interval) + " ignored");
        }
    }
    if (auto most = defaults_->integerForKey(kDZMaximumRetryURLCountKey); most && *most >= 0) {
        maximumRetryURLCount_ = static_cast<std::int32_t>(std::min(*most, kMostRetryURLs));
    }
    if (auto ttl = defaults_->integerForKey(kDZURLTimeToLiveKey); ttl && *ttl >= 0) {
        URLRetryCount_ = static_cast<std::int32_t>(std::min(*ttl, kMostResends));
    }
    std::lock_guard<std::mutex> lock(storeMutex_);
    switch (defaults_->typeOf(kDZRetryGroupKeysKey)) {
        case platform::PlistType::None:
            break;
        case platform::PlistType::Array: {
            platform::PlistArray keys = *defaults_->arrayForKey(kDZRetryGroupKeysKey);
            for (std::size_t i = 0; i < keys.size(); ++i) {
                if (auto key = keys.getString(i)) retryGroupKeys_.push_back(*key);
            }
            break;
        }
        default:
            platform::logMessage("DZPinger", 3, "the retry group list is not a list; read as empty");
            moveAside(*defaults_, kDZRetryGroupKeysKey);
            break;
    }
}

void DZPinger::start() {
    if (schedulerTask_ != -1) return;
    std::weak_ptr<DZPinger> weak = weak_from_this();
    schedulerTask_ = scheduler_->taskIDScheduledOnQueue(lockQueue_, [weak] {
        if (auto self = weak.lock()) self->retryPass();
    });
    scheduler_->start();
}

void DZPinger::drain() {
    if (!lockQueue_->isCurrent()) lockQueue_->sync([] {});
}

std::size_t DZPinger::pingsInFlight() {
    std::size_t n = 0;
    auto count = [&] { n = inFlight_; };
    if (lockQueue_->isCurrent()) {
        count();
    } else {
        lockQueue_->sync(count);
    }
    return n;
}

void DZPinger::pingURLString(const std::string& url, std::function<void(bool)> completion) {
    if (lockQueue_->isCurrent()) {
        ping(url, url, std::move(completion));
        return;
    }
    auto self = shared_from_this();
    lockQueue_->async([self, url, completion = std::move(completion)]() mutable {
        self->ping(url, url, std::move(completion));
    });
}

void DZPinger::ping(const std::string& url, const std::string& retryText,
                    std::function<void(bool)> completion) {
    if (!completion) return;
    auto parts = platform::parseUrl(url);
    if (url.empty() || !parts) {
        lockQueue_->async([completion = std::move(completion)] { completion(false); });
        return;
    }
    pingedURLs_.insert(url);
    if (retryText != url) pingedURLs_.insert(retryText);
    ++inFlight_;
    platform::HttpRequest request;
    request.url = url;
    auto self = shared_from_this();
    auto queue = lockQueue_;
    platform::HttpConnection::send(
        std::move(request),
        [self, url, retryText,
         completion = std::move(completion)](const platform::HttpConnection::Outcome& outcome) {
            --self->inFlight_;
            self->pingedURLs_.erase(self->pingedURLs_.find(url));
            if (retryText != url) self->pingedURLs_.erase(self->pingedURLs_.find(retryText));
            completion(outcome.succeeded());
        },
        [queue](std::function<void()> fn) { queue->async(std::move(fn)); });
}

void DZPinger::pingWithRetryGroupKey(const std::string& groupKey, const std::string& url,
                                     const std::string& retryURLString) {
    if (groupKey.empty() || url.empty() || retryURLString.empty()) return;
    auto self = shared_from_this();
    lockQueue_->async([self, groupKey, url, retryURLString] {
        self->store(retryURLString, groupKey);
        self->ping(url, retryURLString, [self, groupKey, retryURLString](bool success) {
            if (success) self->removeRetryURL(retryURLString, groupKey);
        });
    });
}

void DZPinger::storeRetryURLString(const std::string& retryURLString, const std::string& groupKey) {
    if (retryURLString.empty() || groupKey.empty()) return;
    auto self = shared_from_this();
    lockQueue_->async([self, retryURLString, groupKey] { self->store(retryURLString, groupKey); });
}

platform::PlistDict DZPinger::readGroup(const std::string& groupKey) {
    switch (defaults_->typeOf(groupKey)) {
        case platform::PlistType::Dict:
            return *defaults_->dictionaryForKey(groupKey);
        case platform::PlistType::None:
            return {};
        default:
            platform::logMessage("DZPinger", 3,
                                 "retry group " + groupKey + " is not a dictionary; read as empty");
            moveAside(*defaults_, groupKey);
            return {};
    }
}

void DZPinger::store(const std::string& retryURLString, const std::string& groupKey) {
    std::lock_guard<std::mutex> lock(storeMutex_);
    storeLocked(retryURLString, groupKey);
}

void DZPinger::storeLocked(const std::string& retryURLString, const std::string& groupKey) {
    if (std::find(retryGroupKeys_.begin(), retryGroupKeys_.end(), groupKey) == retryGroupKeys_.end()) {
        retryGroupKeys_.push_back(groupKey);
    }
    platform::PlistArray keys;
    for (const auto& key : retryGroupKeys_) keys.appendString(key);
    defaults_->setArray(kDZRetryGroupKeysKey, std::move(keys));

    platform::PlistDict group = readGroup(groupKey);
    if (group.size() < static_cast<std::size_t>(maximumRetryURLCount_) && !group.contains(retryURLString)) {
        platform::PlistDict entry;
        entry.setInt(kDZRetryCountKey, URLRetryCount_);
        group.setDict(retryURLString, std::move(entry));
        defaults_->setDictionary(groupKey, std::move(group));
    }
}

bool DZPinger::storeRetryURLStringNow(const std::string& retryURLString, const std::string& groupKey,
                                      std::chrono::milliseconds timeout) {
    if (retryURLString.empty() || groupKey.empty()) return false;
    // The time-out bounds the whole call: the lock, which may be held by the very thread that is
    // failing, and the write, whose queue may be just as stuck.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock<std::mutex> lock(storeMutex_, std::try_to_lock);
    while (!lock.owns_lock()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        (void)lock.try_lock();
    }
    storeLocked(retryURLString, groupKey);
    lock.unlock();
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return defaults_->synchronize(std::max(left, std::chrono::milliseconds(0)));
}

void DZPinger::removeRetryURL(const std::string& retryURLString, const std::string& groupKey) {
    std::lock_guard<std::mutex> lock(storeMutex_);
    if (defaults_->typeOf(groupKey) != platform::PlistType::Dict) return;
    platform::PlistDict group = *defaults_->dictionaryForKey(groupKey);
    group.remove(retryURLString);
    defaults_->setDictionary(groupKey, std::move(group));
}

void DZPinger::pingRetryURLs() {
    auto self = shared_from_this();
    lockQueue_->async([self] { self->retryPass(); });
}

void DZPinger::retryPass() {
    std::vector<std::pair<std::string, std::string>> toPing;  // retry text, group
    {
        std::lock_guard<std::mutex> lock(storeMutex_);
        if (defaults_->typeOf(kDZRetryGroupKeysKey) != platform::PlistType::Array) return;
        platform::PlistArray keys = *defaults_->arrayForKey(kDZRetryGroupKeysKey);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            auto groupKey = keys.getString(i);
            if (!groupKey || defaults_->typeOf(*groupKey) != platform::PlistType::Dict) continue;
            platform::PlistDict group = *defaults_->dictionaryForKey(*groupKey);
            platform::PlistDict kept;
            for (const std::string& url : group.keys()) {
                if (pingedURLs_.count(url) > 0) {
                    if (auto entry = group.getDict(url)) kept.setDict(url, std::move(*entry));
                    continue;
                }
                auto entry = group.getDict(url);
                const std::int64_t count = entry ? entry->getNumberAsInt(kDZRetryCountKey).value_or(0) : 0;
                if (count < 1) continue;
                platform::PlistDict lowered;
                lowered.setInt(kDZRetryCountKey, count - 1);
                kept.setDict(url, std::move(lowered));
                toPing.emplace_back(url, *groupKey);
            }
            defaults_->setDictionary(*groupKey, std::move(kept));
        }
    }
    auto self = shared_from_this();
    for (const auto& [url, groupKey] : toPing) {
        ping(url, url, [self, url = url, groupKey = groupKey](bool success) {
            if (success) self->removeRetryURL(url, groupKey);
        });
    }
}
