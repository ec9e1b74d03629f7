#include "ads/foundation/DZApplication.h"

#include <mutex>

#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZCrashReporter.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZInternalErrorAdditions.h"
#include "ads/foundation/DZPinger.h"
#include "ads/foundation/DZPropertyListJSON.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "platform/defaults/MainBundle.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ClassRegistry.h"
#include "platform/foundation/FileIO.h"
#include "platform/plist/PlistFile.h"
#include "platform/ui/Application.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/web/WebKitUserAgent.h"

namespace fs = std::filesystem;
using platform::ui::NotificationCenter;

namespace {

constexpr const char* kPreviousRequestsKey = "preqs";
constexpr const char* kClickCountKey = "pclick";
constexpr const char* kSequenceNumberKey = "seq_num";
constexpr const char* kFirstRequestTimeKey = "basets";
constexpr const char* kCurrentRequestTimeKey = "currts";

// The app's launch starts the component, whichever of the two comes first: this notice or the
// first use of a slot.
const bool kLaunchObserverRegistered = [] {
    NotificationCenter::defaultCenter().addObserver(
        platform::ui::kApplicationDidFinishLaunchingNotification, [](const platform::ui::Notification&) {
            DZApplication::sharedInstance()->applicationDidFinishLaunching();
        });
    return true;
}();

std::mutex& hooksMutex() {
    static auto* mutex = new std::mutex();
    return *mutex;
}

DZEarlyActivityHooks& hooks() {
    static auto* hooks = new DZEarlyActivityHooks();
    return *hooks;
}

void runIfSet(const std::function<void()>& step) {
    if (step) step();
}

int64_t integerOf(const std::optional<nlohmann::json>& value) {
    return value && value->is_number_integer() ? value->get<int64_t>() : 0;
}

}  // namespace

std::optional<nlohmann::json> DZDictionaryFromPropertyListFile(const fs::path& path,
                                                               platform::ErrorRef* error) {
    const platform::FileReadResult file = platform::readWholeFile(path, platform::kMaxPlistFileBytes);
    if (file.status != platform::FileReadResult::Status::Ok) {
        if (error) *error = dz_errorWithCode(kDZInternalErrorFileNotReadable, "File could not be read.");
        return std::nullopt;
    }
    std::string why;
    auto dict = platform::PlistDict::parse(file.bytes.data(), file.bytes.size(), &why);
    if (!dict) {
        if (error) *error = dz_errorWithCode(kDZInternalErrorInternal, why);
        return std::nullopt;
    }
    return DZJSONFromPlistDict(*dict);
}

DZApplication::DZApplication()
    : version_(platform::MainBundle::stringForInfoKey("CFBundleVersion").value_or("")),
      mainBundleIdentifier_(platform::MainBundle::stringForInfoKey("CFBundleIdentifier")),
      statistics_(DZStatisticDictionary::init()),
      notificationSerialQueue_(
          platform::DispatchQueue::createSerial("com.rerive.didaz.application-notification")) {
    statistics_->setObjectForKey(currentSession_.uniqueID(), "session_id", false);
    // So the first request reports 0 earlier requests.
    statistics_->decrementNumberForKey(kPreviousRequestsKey, false);
}

std::shared_ptr<DZApplication> DZApplication::create() {
    std::shared_ptr<DZApplication> application(new DZApplication());
    std::weak_ptr<DZApplication> weak = application;
    auto& center = NotificationCenter::defaultCenter();
    application->observers_.push_back(
        center.addObserver(platform::ui::kApplicationDidBecomeActiveNotification, [weak](const auto&) {
            if (auto self = weak.lock()) self->didBecomeActive();
        }));
    return application;
}

std::shared_ptr<DZApplication> DZApplication::sharedInstance() {
    // Lives for the whole process: its queues must not be torn down after the threads' own state.
    static const auto* application = new std::shared_ptr<DZApplication>(create());
    (void)kLaunchObserverRegistered;
    return *application;
}

DZApplication::~DZApplication() {
    for (auto token : observers_) NotificationCenter::defaultCenter().removeObserver(token);
    statistics_->didFinishModifying();
}

void DZApplication::applicationDidFinishLaunching() {
    appFinishedLaunching_ = true;
    runEarlyActivities();
}

void DZApplication::setEarlyActivityHooks(DZEarlyActivityHooks newHooks) {
    std::lock_guard lock(hooksMutex());
    hooks() = std::move(newHooks);
}

void DZApplication::setEarlyActivityHook(std::function<void()> DZEarlyActivityHooks::*step,
                                         std::function<void()> action) {
    std::lock_guard lock(hooksMutex());
    hooks().*step = std::move(action);
}

void DZApplication::runEarlyActivities() {
    // The device facts are read on the main thread; a call from elsewhere goes there first, so
    // the one run never happens where it could not read them.
    DZRunOnMainThread([] {
        static std::once_flag once;
        std::call_once(once, [] {
            DZEarlyActivityHooks steps;
            {
                std::lock_guard lock(hooksMutex());
                steps = hooks();
            }
            auto device = DZDevice::sharedInstance();
            device->cacheStaticParameters();
            // The component's own requests go out as the ad web views' do; without a display
            // there is no engine to ask, and the device's default stays.
            if (auto agent = platform::web::webKitDefaultUserAgent()) device->setUserAgentString(*agent);
            runIfSet(steps.allowMRAIDInterceptor);
            runIfSet(steps.createTokenDispenser);
            DZPinger::sharedInstance()->start();
            runIfSet(steps.enablePurchaseReportingWhenDue);
            DZCrashReporter::sharedInstance().enableReporting();
            if (platform::UserDefaults::standard()->boolForKey(kDZContentURLEnabledKey).value_or(false))
                runIfSet(steps.startContentHashing);
        });
    });
}

bool DZApplication::isAppActive() const {
    // A background launch counts as active until launching has finished.
    const auto& application = platform::ui::Application::shared();
    const bool launched = appFinishedLaunching_ || application.hasFinishedLaunching();
    return !(launched && application.state() == platform::ui::ApplicationState::Background);
}

std::optional<fs::path> DZApplication::iTunesMetadataPath() {
    const fs::path documents = platform::AppPaths::documentsDirectory();
    if (documents.empty()) return std::nullopt;
    return (documents / ".." / "iTunesMetadata.plist").lexically_normal();
}

nlohmann::json DZApplication::iTunesMetadata() const {
    // Never destroyed: the request parameters read it on worker threads up to the process's end.
    static const auto* metadata = new nlohmann::json([] {
        auto path = iTunesMetadataPath();
        std::optional<nlohmann::json> dict;
        if (path) dict = DZDictionaryFromPropertyListFile(*path);
        return dict ? *dict : nlohmann::json::object();
    }());
    return *metadata;
}

uint32_t DZApplication::nextZadavaDuruID() {
    std::lock_guard lock(ivarMutex_);
    return ++zadavaDuruID_;
}

std::optional<std::vector<std::string>> DZApplication::availableAdapterNames() const {
    std::lock_guard lock(ivarMutex_);
    return availableAdapterNames_;
}

void DZApplication::setAvailableAdapterNames(const std::optional<std::vector<std::string>>& names) {
    std::lock_guard lock(ivarMutex_);
    availableAdapterNames_ = names;
}

void DZApplication::updateAvailableAdapterNamesWithPotentialAdapterNames(
    const std::optional<std::vector<std::string>>& names) {
    std::set<std::string> candidates = {"DZMAdapterReriveDiDazAds", "DZMAdapterCustomEvents",
                                        "DZMAdapterHTML", "DZMAdURLAdapter"};
    if (names) candidates.insert(names->begin(), names->end());
    std::vector<std::string> present;
    const auto& registry = platform::ClassRegistry::shared();
    for (const auto& name : candidates) {
        if (registry.conformsTo(name, kDZMAdNetworkAdapterKind)) present.push_back(name);
    }
    // None known is no list at all, so that requests leave the adapters out.
    setAvailableAdapterNames(present.empty() ? std::nullopt : std::make_optional(std::move(present)));
}

std::shared_ptr<platform::DispatchQueue> DZApplication::notificationQueue() {
    return notificationSerialQueue_;
}

void DZApplication::didUpdateStatisticDictionary(const std::shared_ptr<DZStatisticDictionary>& dictionary) {
    // Runs on the notification queue.
    adStatistics_.insert(dictionary);
}

DZApplication::StatisticsSet DZApplication::pendingAdStatistics() {
    StatisticsSet taken;
    notificationSerialQueue_->sync([&] { taken.swap(adStatistics_); });
    return taken;
}

void DZApplication::didNotSendAdStatistics(const StatisticsSet& statistics) {
    notificationSerialQueue_->sync([&] { adStatistics_.insert(statistics.begin(), statistics.end()); });
}

std::shared_ptr<DZStatisticDictionary> DZApplication::slotStatisticsForSlotID(const std::string& slotID) {
    std::lock_guard lock(statisticsMutex_);
    auto& slot = slotStatistics_[slotID];
    if (!slot) slot = DZStatisticDictionary::init();
    return slot;
}

nlohmann::json DZApplication::slotStatisticsDictionary() {
    nlohmann::json all = nlohmann::json::object();
    std::lock_guard lock(statisticsMutex_);
    for (const auto& [slotID, dictionary] : slotStatistics_) all[slotID] = dictionary->dictionary();
    return all;
}

void DZApplication::incrementTotalAdRequestCount() {
    statistics_->incrementNumberForKey(kPreviousRequestsKey, false);
}

void DZApplication::decrementTotalAdRequestCount() {
    statistics_->decrementNumberForKey(kPreviousRequestsKey, false);
}

void DZApplication::incrementTotalAdClickCount() {
    statistics_->incrementNumberForKey(kClickCountKey, false);
}

void DZApplication::incrementSequenceNumber() {
    statistics_->incrementNumberForKey(kSequenceNumberKey, false);
}

std::string DZApplication::nextSequenceNumberAsString() {
    std::lock_guard lock(statisticsMutex_);
    incrementSequenceNumber();
    return std::to_string(integerOf(statistics_->objectForKey(kSequenceNumberKey)));
}

int64_t DZApplication::sequenceNumber() const {
    return integerOf(statistics_->objectForKey(kSequenceNumberKey));
}

uint64_t DZApplication::timeSinceFirstAdRequestInMilliseconds() const {
    const auto first = statistics_->objectForKey(kFirstRequestTimeKey);
    if (!first || !first->is_number_unsigned()) return 0;
    const uint64_t now = DZAbsoluteTime::absoluteTimeInMilliseconds();
    const uint64_t then = first->get<uint64_t>();
    return now > then ? now - then : 0;
}

nlohmann::json DZApplication::nextRequestStatisticsDictionaryForSlot(bool slotIsMediating) {
    std::lock_guard lock(statisticsMutex_);
    const uint64_t now = DZAbsoluteTime::absoluteTimeInMilliseconds();
    statistics_->setObjectForKey(now, kCurrentRequestTimeKey, false);
    if (!statistics_->objectForKey(kFirstRequestTimeKey))
        statistics_->setObjectForKey(now, kFirstRequestTimeKey, false);
    incrementSequenceNumber();
    if (!slotIsMediating) incrementTotalAdRequestCount();
    return statistics_->dictionary();
}

void DZApplication::willLeaveApplicationDueToClickOnAd(
    const std::shared_ptr<DZStatisticDictionary>& adStatistics) {
    std::lock_guard lock(statisticsMutex_);
    backgroundingAd_ = adStatistics;
}

void DZApplication::didBecomeActive() {
    std::shared_ptr<DZStatisticDictionary> ad;
    {
        std::lock_guard lock(statisticsMutex_);
        ad.swap(backgroundingAd_);
    }
    if (!ad) return;
    const uint64_t now = DZAbsoluteTime::absoluteTimeInMilliseconds();
    const auto clickTime = ad->objectForKey("tclickcurr");
    if (!clickTime) return;
    ad->addObjectToArrayWithKey(nlohmann::json::array({*clickTime, now}), "tclick", true);
}
