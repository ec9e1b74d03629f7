#include "platform/defaults/UserDefaults.h"

#include <cctype>
#include <cstdlib>
#include <future>
#include <system_error>
#include <utility>

#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/Log.h"
#include "platform/plist/PlistFile.h"
#include "platform/ui/NotificationCenter.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

std::mutex& standardMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<UserDefaults>& standardSlot() {
    static std::shared_ptr<UserDefaults> defaults;
    return defaults;
}

// Whole numeric text only ("12", " 2.5", "-3e2"): trailing garbage gives nothing.
std::optional<double> parseNumber(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    if (end == begin) return std::nullopt;
    while (*end != '\0' && std::isspace(static_cast<unsigned char>(*end))) ++end;
    if (*end != '\0') return std::nullopt;
    return value;
}

std::optional<double> numberOf(const PlistDict& values, const std::string& key) {
    if (auto number = values.getNumber(key)) return number;
    if (auto text = values.getString(key)) return parseNumber(*text);
    return std::nullopt;
}

}  // namespace

UserDefaults::UserDefaults(fs::path path)
    : path_(std::move(path)), saveQueue_(DispatchQueue::createSerial("platform.user-defaults")) {
    if (auto stored = readPlistDictionaryFile(path_)) values_ = std::move(*stored);
}

std::shared_ptr<UserDefaults> UserDefaults::open(const fs::path& path) {
    std::shared_ptr<UserDefaults> defaults(new UserDefaults(path));
    std::weak_ptr<UserDefaults> weak = defaults;
    defaults->observer_ = ui::NotificationCenter::defaultCenter().addObserver(
        ui::kApplicationWillTerminateNotification, [weak](const ui::Notification&) {
            if (auto self = weak.lock()) self->synchronize();
        });
    return defaults;
}

UserDefaults::~UserDefaults() {
    ui::NotificationCenter::defaultCenter().removeObserver(observer_);
    // No save block can still be running: each holds a reference to the store while it runs.
    save();
}

fs::path UserDefaults::standardPath() {
    return AppPaths::libraryDirectory() / "Preferences" / kStandardFileName;
}

std::shared_ptr<UserDefaults> UserDefaults::standard() {
    std::lock_guard lock(standardMutex());
    auto& slot = standardSlot();
    if (!slot) slot = open(standardPath());
    return slot;
}

void UserDefaults::resetStandard() {
    std::shared_ptr<UserDefaults> previous;
    {
        std::lock_guard lock(standardMutex());
        previous = std::exchange(standardSlot(), nullptr);
    }
    if (previous) previous->synchronize();
}

bool UserDefaults::contains(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return values_.contains(key);
}

PlistType UserDefaults::typeOf(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return values_.typeOf(key);
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return values_.getString(key);
}

std::optional<int64_t> UserDefaults::integerForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    if (auto exact = values_.getNumberAsInt(key)) return exact;
    auto number = numberOf(values_, key);
    if (!number || !(*number > -9.2e18 && *number < 9.2e18)) return std::nullopt;
    return static_cast<int64_t>(*number);
}

std::optional<double> UserDefaults::doubleForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return numberOf(values_, key);
}

std::optional<bool> UserDefaults::boolForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    if (auto flag = values_.getBool(key)) return flag;
    if (auto text = values_.getString(key)) {
        std::string lower;
        for (char c : *text) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == "yes" || lower == "true") return true;
        if (lower == "no" || lower == "false") return false;
    }
    if (auto number = numberOf(values_, key)) return *number != 0;
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> UserDefaults::dataForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return values_.getData(key);
}

std::optional<PlistArray> UserDefaults::arrayForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return values_.getArray(key);
}

std::optional<PlistDict> UserDefaults::dictionaryForKey(const std::string& key) const {
    std::lock_guard lock(mutex_);
    return values_.getDict(key);
}

PlistDict UserDefaults::dictionaryRepresentation() const {
    std::lock_guard lock(mutex_);
    return values_;
}

void UserDefaults::setString(const std::string& key, std::string_view value) {
    {
        std::lock_guard lock(mutex_);
        values_.setString(key, value);
    }
    changed();
}

void UserDefaults::setInteger(const std::string& key, int64_t value) {
    {
        std::lock_guard lock(mutex_);
        values_.setInt(key, value);
    }
    changed();
}

void UserDefaults::setDouble(const std::string& key, double value) {
    {
        std::lock_guard lock(mutex_);
        values_.setReal(key, value);
    }
    changed();
}

void UserDefaults::setBool(const std::string& key, bool value) {
    {
        std::lock_guard lock(mutex_);
        values_.setBool(key, value);
    }
    changed();
}

void UserDefaults::setData(const std::string& key, const std::vector<uint8_t>& value) {
    {
        std::lock_guard lock(mutex_);
        values_.setData(key, value);
    }
    changed();
}

void UserDefaults::setArray(const std::string& key, PlistArray value) {
    {
        std::lock_guard lock(mutex_);
        values_.setArray(key, std::move(value));
    }
    changed();
}

void UserDefaults::setDictionary(const std::string& key, PlistDict value) {
    {
        std::lock_guard lock(mutex_);
        values_.setDict(key, std::move(value));
    }
    changed();
}

void UserDefaults::removeObjectForKey(const std::string& key) {
    {
        std::lock_guard lock(mutex_);
        if (!values_.contains(key)) return;
        values_.remove(key);
    }
    changed();
}

void UserDefaults::changed() {
    std::weak_ptr<UserDefaults> weak = weak_from_this();
    std::lock_guard lock(mutex_);
    dirty_ = true;
    if (saveQueued_) return;  // the queued save will take this change too
    saveQueued_ = true;
    saveQueue_->async([weak] {
        if (auto self = weak.lock()) self->save();
    });
}

bool UserDefaults::synchronize() {
    bool ok = false;
    saveQueue_->sync([&] { ok = save(); });
    return ok;
}

bool UserDefaults::synchronize(std::chrono::milliseconds timeout) {
    // On the store's own queue there is nothing to wait for.
    if (saveQueue_->isCurrent()) return save();
    auto written = std::make_shared<std::promise<bool>>();
    std::future<bool> result = written->get_future();
    saveQueue_->async([self = shared_from_this(), written] { written->set_value(self->save()); });
    return result.wait_for(timeout) == std::future_status::ready && result.get();
}

bool UserDefaults::save() {
    PlistDict snapshot;
    {
        std::lock_guard lock(mutex_);
        saveQueued_ = false;
        if (!dirty_) return true;
        dirty_ = false;
        snapshot = values_;
    }
    std::error_code ec;
    fs::create_directories(path_.parent_path(), ec);
    if (writePlistDictionaryFile(path_, snapshot)) return true;
    std::lock_guard lock(mutex_);
    dirty_ = true;
    return false;
}

}  // namespace platform
