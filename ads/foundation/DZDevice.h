#pragma once
// The ad component's one source of facts about the device and the host application, and the
// device part of every ad request's parameters. It answers for a Linux desktop as it is: the
// system version the platform reports everywhere ("8.0"), model and submodel from uname, the
// game's screen, the locale of the environment, no radio, no telephony, no stores, and no
// advertising identifier (so ad tracking counts as limited and no identifier is sent).
//
// Static facts are read once, on the main thread, by cacheStaticParameters(); until then the
// version compares as 0.0.0 and geometry reads zero. The facts that change (orientation, book
// stores, radio technology, user agent) are written on the main thread (the user agent also by
// the ad web views) and read by the ad requests' parameter building on worker queues, so the
// facts take a lock.
#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/geometry/Geometry.h"
#include "platform/plist/PlistDict.h"

class DZNetwork;

// The part of the bundle information that describes the app to ad servers: the platform's own
// keys (CF..., DT..., NS..., UI..., LS...). The app's own keys stay out, since they may hold
// secrets (the game's link-signing key lives there).
nlohmann::json DZPublicInfoDictionary(const nlohmann::json& info);

// The user agent the component sends while no web engine has given its own (without a display
// none can).
std::string DZDefaultWebViewUserAgent();

class DZDevice : public std::enable_shared_from_this<DZDevice> {
  public:
    static std::shared_ptr<DZDevice> sharedInstance();
    // A device of its own (tests); the shared one is made the same way.
    static std::shared_ptr<DZDevice> create(std::shared_ptr<DZNetwork> network);
    ~DZDevice();
    DZDevice(const DZDevice&) = delete;
    DZDevice& operator=(const DZDevice&) = delete;

    // Main thread only (elsewhere nothing happens), once.
    void cacheStaticParameters();
    bool hasCachedStaticParameters() const;
    void updateOperatingSystemVersionProperties();

    bool isOSAtLeastMajor(int major, int minor, int patch) const;
    bool OSIsSupported() const { return isOSAtLeastMajor(6, 0, 0); }
    std::array<int, 3> operatingSystemVersion() const;
    std::string systemVersion() const;
    std::string deviceModel() const;
    float mainScreenDensity() const;
    bool canText() const;
    bool canMakePhoneCalls() const;
    const std::shared_ptr<DZNetwork>& network() const { return network_; }

    static std::string deviceSubmodel();
    // The environment's language, lower-cased in the form "en-us"; nothing for the C locale.
    static std::optional<std::string> locale();
    static bool isSimulator() { return false; }
    // The temporary folder + "DiDazTemp" (private to the user, mode 0700 when created).
    static std::filesystem::path temporaryPathWithCreation(bool create);
    // Nothing from system 9 on; before, whether a handler takes each URL's scheme.
    static std::optional<std::map<std::string, bool>> canOpenURLs(const std::vector<std::string>& urls,
                                                                  const DZDevice& device);

    // No advertising identifier exists here: tracking is limited and the identifier is empty.
    bool limitAdTracking() const { return true; }
    std::string limitAdTrackingString() const;
    std::string deviceIdentifier() const;

    void updateDynamicParameters();
    void updateOrientation();
    void updateBookstores();
    void enableRadioAccessTechnologyChecking();
    void disableRadioAccessTechnologyChecking();
    void setRadioAccessTechnology(const std::optional<std::string>& technology);
    std::optional<std::string> radioAccessTechnology() const;
    std::optional<std::string> lastKnownRadioAccessTechnology() const;

    // The one user agent of the component's requests: the web engine's, recorded at start-up
    // and by the ad web views, else the default one.
    std::string userAgentString() const;
    // An empty text is ignored.
    void setUserAgentString(const std::string& userAgent);

    platform::Rect standardizedPortraitScreenBounds() const;
    bool orientationLandscape();
    platform::Rect standardizedOrientedScreenBounds();
    platform::Rect standardizedOrientedApplicationFrame();

    // 3 without an output (or at volume 0), 1 the built-in speaker, 2 headphones, 5 several or other.
    unsigned long audioRoute() const;

    // The info dictionary's "DTSDKName" without its "DTPlatformName"; nothing without one.
    std::optional<std::string> baseSDKVersion() const;

    // The device part of an ad request; a key whose value is missing is left out.
    nlohmann::json parameters();

  private:
    explicit DZDevice(std::shared_ptr<DZNetwork> network);
    int statusBarOrientation() const;
    uint32_t bookstores() const;

    std::shared_ptr<DZNetwork> network_;
    // Everything below: written on the main thread, read by request building on worker queues.
    mutable std::mutex mutex_;
    // Static facts, written once on the main thread before hasCachedStaticParameters_ is set.
    int statusBarOrientation_ = 0;
    platform::Rect standardizedMainScreenPortraitBounds_;
    uint32_t bookstores_ = 0;
    platform::PlistDict infoPlist_;
    bool hasCachedStaticParameters_ = false;
    std::optional<std::string> lastKnownRadioAccessTechnology_;
    std::optional<std::string> radioAccessTechnology_;
    std::optional<std::string> userAgentString_;
    std::string deviceModel_;
    std::string systemVersion_;
    float mainScreenDensity_ = 0;
    bool canText_ = false;
    bool canMakePhoneCalls_ = false;
    std::array<int, 3> operatingSystemVersion_{0, 0, 0};
};
