#include "ads/foundation/DZDevice.h"

#include <sys/stat.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>

#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZNetwork.h"
#include "ads/foundation/DZPropertyListJSON.h"
#include "ads/foundation/DZUtilityFunctions.h"
#include "platform/defaults/MainBundle.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainThread.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/SystemVersion.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/runloop/RunLoop.h"
#include "platform/store/PaymentQueue.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

namespace fs = std::filesystem;

namespace {

utsname systemName() {
    utsname name{};
    if (::uname(&name) != 0) name = utsname{};
    return name;
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "en_US.UTF-8@euro" -> "en-us"; nothing for the C and POSIX locales.
std::optional<std::string> languageOfLocaleName(std::string name) {
    name = name.substr(0, name.find_first_of(".@:"));
    if (name.empty() || name == "C" || name == "POSIX") return std::nullopt;
    std::replace(name.begin(), name.end(), '_', '-');
    return lowered(name);
}

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

platform::Rect standardized(platform::Rect r) {
    if (r.size.width < 0) {
        r.origin.x += r.size.width;
        r.size.width = -r.size.width;
    }
    if (r.size.height < 0) {
        r.origin.y += r.size.height;
        r.size.height = -r.size.height;
    }
    return r;
}

}  // namespace

nlohmann::json DZPublicInfoDictionary(const nlohmann::json& info) {
    nlohmann::json shown = nlohmann::json::object();
    if (!info.is_object()) return shown;
    for (const auto& [key, value] : info.items()) {
        for (const char* prefix : {"CF", "DT", "NS", "UI", "LS"}) {
            if (key.rfind(prefix, 0) == 0) {
                shown[key] = value;
                break;
            }
        }
    }
    return shown;
}

std::string DZDefaultWebViewUserAgent() {
    // The shape of the desktop web engine's own user agent.
    // Never destroyed, like the other once-per-process facts here: worker threads read them up to
    // the process's end.
    static const auto* agent = new std::string("Mozilla/5.0 (X11; Linux " + DZDevice::deviceSubmodel() +
                                               ") AppleWebKit/605.1.15 (KHTML, like Gecko)");
    return *agent;
}

DZDevice::DZDevice(std::shared_ptr<DZNetwork> network) : network_(std::move(network)) {}

std::shared_ptr<DZDevice> DZDevice::create(std::shared_ptr<DZNetwork> network) {
    std::shared_ptr<DZDevice> device(new DZDevice(network ? std::move(network) : DZNetwork::init()));
    device->network_->enableNetworkChecking();
    // What an earlier run left in the temporary folder goes, once the app runs.
    auto sweep = [] {
        std::error_code ec;
        fs::remove_all(temporaryPathWithCreation(false), ec);
    };
    if (platform::RunLoop::mainLoop()) {
        platform::DispatchQueue::main()->async(sweep);
    } else {
        sweep();
    }
    return device;
}

std::shared_ptr<DZDevice> DZDevice::sharedInstance() {
    // Lives for the whole process: worker queues read it up to the process's end.
    static const auto* device = new std::shared_ptr<DZDevice>(create(nullptr));
    return *device;
}

DZDevice::~DZDevice() {
    network_->disableNetworkChecking();
}

void DZDevice::cacheStaticParameters() {
    if (!platform::isMainThread() || hasCachedStaticParameters()) return;
    updateOperatingSystemVersionProperties();
    enableRadioAccessTechnologyChecking();
    const utsname name = systemName();
    const int orientation = platform::ui::Application::shared().statusBarOrientation();
    const float density = platform::ui::Screen::mainScale();
    platform::Rect portrait = standardized(platform::ui::Screen::mainBounds());
    // From system 8 on the screen's bounds follow the interface orientation.
    if ((orientation == 3 || orientation == 4) && isOSAtLeastMajor(8, 0, 0))
        portrait = platform::Rect(0, 0, portrait.size.height, portrait.size.width);
    {
        std::lock_guard lock(mutex_);
        deviceModel_ = name.sysname;
        mainScreenDensity_ = density;
        statusBarOrientation_ = orientation;
        standardizedMainScreenPortraitBounds_ = portrait;
    }
    updateDynamicParameters();
    // A desktop neither calls nor texts by itself; it can when the desktop hands such links on.
    const bool phone = platform::UrlOpener::shared().handlesScheme("tel");
    const bool text = platform::hasDefaultHandlerForScheme("sms");
    platform::PlistDict info = platform::MainBundle::infoDictionary();
    std::lock_guard lock(mutex_);
    canMakePhoneCalls_ = phone;
    canText_ = text;
    infoPlist_ = std::move(info);
    hasCachedStaticParameters_ = true;
}

bool DZDevice::hasCachedStaticParameters() const {
    std::lock_guard lock(mutex_);
    return hasCachedStaticParameters_;
}

void DZDevice::updateOperatingSystemVersionProperties() {
    const std::string version(platform::kSystemVersion);
    std::array<int, 3> parts{0, 0, 0};
    size_t start = 0;
    for (int i = 0; i < 3 && start <= version.size(); ++i) {
        const size_t dot = version.find('.', start);
        parts[i] = std::atoi(version.substr(start, dot - start).c_str());
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    std::lock_guard lock(mutex_);
    systemVersion_ = version;
    operatingSystemVersion_ = parts;
}

bool DZDevice::isOSAtLeastMajor(int major, int minor, int patch) const {
    const std::array<int, 3> wanted{major, minor, patch};
    return operatingSystemVersion() >= wanted;
}

std::array<int, 3> DZDevice::operatingSystemVersion() const {
    std::lock_guard lock(mutex_);
    return operatingSystemVersion_;
}

std::string DZDevice::systemVersion() const {
    std::lock_guard lock(mutex_);
    return systemVersion_;
}

std::string DZDevice::deviceModel() const {
    std::lock_guard lock(mutex_);
    return deviceModel_;
}

float DZDevice::mainScreenDensity() const {
    std::lock_guard lock(mutex_);
    return mainScreenDensity_;
}

bool DZDevice::canText() const {
    std::lock_guard lock(mutex_);
    return canText_;
}

bool DZDevice::canMakePhoneCalls() const {
    std::lock_guard lock(mutex_);
    return canMakePhoneCalls_;
}

std::string DZDevice::deviceSubmodel() {
    static const auto* machine = new std::string(systemName().machine);
    return *machine;
}

std::optional<std::string> DZDevice::locale() {
    static const auto* language = new std::optional<std::string>([]() -> std::optional<std::string> {
        // The first of the user's languages, as gettext reads them.
        if (auto list = environment("LANGUAGE")) {
            if (auto first = languageOfLocaleName(list->substr(0, list->find(':')))) return first;
        }
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            if (auto value = environment(name)) return languageOfLocaleName(*value);
        }
        return std::nullopt;
    }());
    return *language;
}

fs::path DZDevice::temporaryPathWithCreation(bool create) {
    const fs::path path = platform::AppPaths::temporaryDirectory() / "DiDazTemp";
    if (create) {
        std::error_code ec;
        fs::create_directories(path.parent_path(), ec);
        (void)::mkdir(path.c_str(), 0700);
    }
    return path;
}

std::optional<std::map<std::string, bool>> DZDevice::canOpenURLs(const std::vector<std::string>& urls,
                                                                 const DZDevice& device) {
    if (device.isOSAtLeastMajor(9, 0, 0)) return std::nullopt;
    std::map<std::string, bool> answers;
    for (const auto& url : urls) {
        const size_t colon = url.find(':');
        answers[url] =
            colon != std::string::npos && platform::hasDefaultHandlerForScheme(url.substr(0, colon));
    }
    return answers;
}

std::string DZDevice::limitAdTrackingString() const {
    return DZStringFromBOOL(limitAdTracking());
}

std::string DZDevice::deviceIdentifier() const {
    // With tracking limited there is never an identifier to hash.
    return "";
}

void DZDevice::updateDynamicParameters() {
    updateOrientation();
    updateBookstores();
}

void DZDevice::updateOrientation() {
    // The application's state belongs to the main thread; elsewhere the cached value stands.
    if (!platform::isMainThread()) return;
    const int orientation = platform::ui::Application::shared().statusBarOrientation();
    std::lock_guard lock(mutex_);
    statusBarOrientation_ = orientation;
}

void DZDevice::updateBookstores() {
    // A store counts only when something on this desktop takes its links.
    const auto answers = canOpenURLs({"itms-books://", "kindle://home"}, *this);
    uint32_t mask = 0;
    if (answers && answers->at("itms-books://")) mask |= 1;
    if (answers && answers->at("kindle://home")) mask |= 2;
    std::lock_guard lock(mutex_);
    bookstores_ = mask;
}

uint32_t DZDevice::bookstores() const {
    std::lock_guard lock(mutex_);
    return bookstores_;
}

void DZDevice::enableRadioAccessTechnologyChecking() {
    // No telephony exists here: there is no technology to read and no change to hear of.
    setRadioAccessTechnology(std::nullopt);
}

void DZDevice::disableRadioAccessTechnologyChecking() {}

void DZDevice::setRadioAccessTechnology(const std::optional<std::string>& technology) {
    std::lock_guard lock(mutex_);
    radioAccessTechnology_ = technology;
    if (technology) lastKnownRadioAccessTechnology_ = technology;
}

std::optional<std::string> DZDevice::radioAccessTechnology() const {
    std::lock_guard lock(mutex_);
    return radioAccessTechnology_;
}

std::optional<std::string> DZDevice::lastKnownRadioAccessTechnology() const {
    std::lock_guard lock(mutex_);
    return lastKnownRadioAccessTechnology_;
}

std::string DZDevice::userAgentString() const {
    std::lock_guard lock(mutex_);
    return userAgentString_ ? *userAgentString_ : DZDefaultWebViewUserAgent();
}

void DZDevice::setUserAgentString(const std::string& userAgent) {
    if (userAgent.empty()) return;
    std::lock_guard lock(mutex_);
    userAgentString_ = userAgent;
}

int DZDevice::statusBarOrientation() const {
    std::lock_guard lock(mutex_);
    return statusBarOrientation_;
}

platform::Rect DZDevice::standardizedPortraitScreenBounds() const {
    std::lock_guard lock(mutex_);
    return standardizedMainScreenPortraitBounds_;
}

bool DZDevice::orientationLandscape() {
    if (platform::isMainThread()) updateOrientation();
    const int orientation = statusBarOrientation();
    return orientation == 3 || orientation == 4;
}

platform::Rect DZDevice::standardizedOrientedScreenBounds() {
    platform::Rect bounds = standardizedPortraitScreenBounds();
    if (orientationLandscape()) std::swap(bounds.size.width, bounds.size.height);
    return bounds;
}

platform::Rect DZDevice::standardizedOrientedApplicationFrame() {
    updateOrientation();
    // The application fills the screen (there is no status bar), and from system 8 on the frame
    // is already in interface coordinates.
    return standardizedOrientedScreenBounds();
}

unsigned long DZDevice::audioRoute() const {
    // The game plays through the desktop's default output, wherever that leads: one output of
    // no known kind.
    return 5;
}

std::optional<std::string> DZDevice::baseSDKVersion() const {
    platform::PlistDict info;
    {
        std::lock_guard lock(mutex_);
        info = infoPlist_;
    }
    auto name = info.getString("DTSDKName");
    if (!name) return std::nullopt;
    if (auto platformName = info.getString("DTPlatformName"); platformName && !platformName->empty()) {
        for (size_t at = name->find(*platformName); at != std::string::npos; at = name->find(*platformName))
            name->erase(at, platformName->size());
    }
    return name;
}

nlohmann::json DZDevice::parameters() {
    nlohmann::json p = nlohmann::json::object();
    auto application = DZApplication::sharedInstance();
    const std::string model = deviceModel();
    // "ios_ipadc" marks a phone app on a tablet; the model here is the kernel's name, never one.
    p["ios_metadata"] = application->iTunesMetadata();
    platform::PlistDict info;
    {
        std::lock_guard lock(mutex_);
        info = infoPlist_;
    }
    p["ios_info_plist"] = DZPublicInfoDictionary(DZJSONFromPlistDict(info));
    if (auto sdk = baseSDKVersion()) p["ios_base_sdk"] = *sdk;
    const std::string version = application->version();
    p["app_name"] =
        (version.empty() ? "" : version + ".") + "iphone." + application->mainBundleIdentifier().value_or("");
    if (!model.empty()) p["platform"] = model;
    p["submodel"] = deviceSubmodel();
    if (auto language = locale()) p["hl"] = *language;
    p["u_audio"] = std::to_string(audioRoute());
    p["u_so"] = orientationLandscape() ? "l" : "p";
    if (auto radio = radioAccessTechnology()) p["ios_radio"] = *radio;
    if (auto radio = lastKnownRadioAccessTechnology()) p["ios_radio_last"] = *radio;
    p["u_sd"] = DZStringFromFloat(mainScreenDensity());
    const platform::Rect portrait = standardizedPortraitScreenBounds();
    p["u_w"] = DZStringFromFloat(portrait.size.width);
    p["u_h"] = DZStringFromFloat(portrait.size.height);
    if (const uint32_t mask = bookstores()) p["cap_bs"] = mask;
    if (!platform::store::PaymentQueue::canMakePayments()) p["cap_noiap"] = DZStringFromBOOL(true);
    return p;
}
