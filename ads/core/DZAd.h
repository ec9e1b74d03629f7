#pragma once
// One ad response: its HTML or the URL to fetch it from, its size and orientations, the URLs to
// ping on clicks and impressions, its response headers and type, its measurement and swipe
// settings and its statistics. Made empty by the fetcher and filled from response headers, or
// made from the ad dictionary the SDK core page sends. Main thread only.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdSize.h"
#include "ads/core/DZAdURLList.h"
#include "ads/foundation/DZPingAsker.h"
#include "platform/ui/InterfaceOrientation.h"

class DZAdMediationDelegate;
class DZMRAIDEventHandling;
class DZStatisticDictionary;
class DZSwipeToViewControllerConfigurations;

enum DZAdResponseType : unsigned {
    kDZAdResponseTypeInvalid = 0,
    kDZAdResponseTypeHTML = 1,
    kDZAdResponseTypeMediation = 2,
    kDZAdResponseTypeNative = 3,
    kDZAdResponseTypeCustomRendered = 4,
};

// The longest reload interval a millisecond main-loop timer can hold (2^31 - 1 ms).
inline constexpr double kDZMaxReloadInterval = 2147483.647;

class DZAd {
  public:
    DZAd() = default;
    // Reads the ad dictionary; a value of the wrong type is ignored.
    explicit DZAd(const nlohmann::json& dictionary);
    virtual ~DZAd() = default;
    DZAd(const DZAd&) = delete;
    DZAd& operator=(const DZAd&) = delete;

    DZAdURLList& clickURLs() { return clickURLs_; }
    DZAdURLList& impressionURLs() { return impressionURLs_; }
    DZAdURLList& manualImpressionURLs() { return manualImpressionURLs_; }
    const DZAdURLList& clickURLs() const { return clickURLs_; }
    const DZAdURLList& impressionURLs() const { return impressionURLs_; }
    const DZAdURLList& manualImpressionURLs() const { return manualImpressionURLs_; }
    void addClickURLsFromArray(const std::vector<std::string>& urls) { clickURLs_.add(urls); }
    void addImpressionURLsFromArray(const std::vector<std::string>& urls) { impressionURLs_.add(urls); }
    void addManualImpressionURLsFromArray(const std::vector<std::string>& urls) {
        manualImpressionURLs_.add(urls);
    }
    // Once pinged, the impression URLs are dropped from their lists but still remembered as billed.
    void removeAllImpressionURLs();
    void removeAllManualImpressionURLs();
    // Every URL the component bills through for this ad: its click URLs and its impression URLs,
    // pinged or not (a page pinging one would bill it again).
    std::vector<std::string> billedURLs() const;

    bool scrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool enabled) { scrollEnabled_ = enabled; }
    bool fluid() const { return fluid_; }
    void setFluid(bool fluid) { fluid_ = fluid; }
    bool hasAdNetworkJavaScript() const { return hasAdNetworkJavaScript_; }
    const std::optional<std::string>& adNetworkPassbackURL() const { return adNetworkPassbackURL_; }

    // Made on first use, reporting to the application object.
    std::shared_ptr<DZStatisticDictionary> statistics();
    // Whom the ad's impression and click pings count against: this ad alone.
    DZPingAsker pingAsker() const { return pingAsker_; }

    const std::optional<std::string>& adBaseURL() const { return adBaseURL_; }
    void setAdBaseURL(std::optional<std::string> url) { adBaseURL_ = std::move(url); }
    const std::optional<std::string>& adHTML() const { return adHTML_; }
    void setAdHTML(std::optional<std::string> html) { adHTML_ = std::move(html); }
    const std::optional<std::string>& adURL() const { return adURL_; }
    void setAdURL(std::optional<std::string> url) { adURL_ = std::move(url); }
    // Names lower-cased.
    const std::map<std::string, std::string>& responseHeaders() const { return responseHeaders_; }
    void setResponseHeaders(std::map<std::string, std::string> headers) {
        responseHeaders_ = std::move(headers);
    }
    // An object, or nothing.
    const std::optional<nlohmann::json>& zadavaDuruConfigurations() const {
        return zadavaDuruConfigurations_;
    }
    void setZadavaDuruConfigurations(std::optional<nlohmann::json> configurations);
    // The decoded swipe settings, kept until the swipe layer makes its configurations of them.
    const std::optional<nlohmann::json>& swipeToViewControllerConfigurations() const {
        return swipeSettings_;
    }
    void setSwipeToViewControllerConfigurations(std::optional<nlohmann::json> settings);
    // What the swipe layer made of them (through its hook); null without swipe settings.
    const std::shared_ptr<DZSwipeToViewControllerConfigurations>& swipeConfigurations() const {
        return swipeConfigurations_;
    }
    void setSwipeConfigurations(std::shared_ptr<DZSwipeToViewControllerConfigurations> configurations) {
        swipeConfigurations_ = std::move(configurations);
    }
    unsigned responseType() const { return responseType_; }
    void setResponseType(unsigned type) { responseType_ = type; }
    unsigned supportedOrientations() const { return supportedOrientations_; }
    void setSupportedOrientations(unsigned mask) { supportedOrientations_ = mask; }
    const std::optional<std::string>& debugDialog() const { return debugDialog_; }
    void setDebugDialog(std::optional<std::string> text) { debugDialog_ = std::move(text); }
    const std::optional<std::string>& customAdSizeString() const { return customAdSizeString_; }
    void setCustomAdSizeString(std::optional<std::string> text) { customAdSizeString_ = std::move(text); }
    double reloadInterval() const { return reloadInterval_; }
    // Only a finite interval of at least 0 (not -0) is taken, capped at kDZMaxReloadInterval;
    // answers whether it was.
    bool setReloadInterval(double seconds);
    DZAdSize size() const { return size_; }
    void setSize(DZAdSize size) { size_ = size; }
    // Who hears a rich-media creative's events (its slot, from the creative's announcement on);
    // null for every other ad. Held weakly: the slot owns the ad.
    std::shared_ptr<DZMRAIDEventHandling> MRAIDEventHandler() const { return MRAIDEventHandler_.lock(); }
    void setMRAIDEventHandler(std::weak_ptr<DZMRAIDEventHandling> handler) {
        MRAIDEventHandler_ = std::move(handler);
    }

    // Who takes this ad when it is a mediated response (the public object owning the slot); held
    // weakly.
    std::shared_ptr<DZAdMediationDelegate> mediationDelegate() const { return mediationDelegate_.lock(); }
    void setMediationDelegate(std::weak_ptr<DZAdMediationDelegate> delegate) {
        mediationDelegate_ = std::move(delegate);
    }

    // Everything above as one JSON object (for the probe and logs).
    nlohmann::json dictionaryRepresentation() const;

  private:
    void rememberPinged(const std::vector<std::string>& urls);

    const DZPingAsker pingAsker_ = DZPingAsker::next();
    DZAdURLList clickURLs_;
    DZAdURLList impressionURLs_;
    DZAdURLList manualImpressionURLs_;
    std::vector<std::string> pingedImpressionURLs_;
    bool scrollEnabled_ = true;
    bool fluid_ = false;
    bool hasAdNetworkJavaScript_ = false;
    std::shared_ptr<DZStatisticDictionary> statistics_;
    std::optional<std::string> adBaseURL_;
    std::optional<std::string> adHTML_;
    std::optional<std::string> adURL_;
    std::map<std::string, std::string> responseHeaders_;
    std::optional<nlohmann::json> zadavaDuruConfigurations_;
    std::optional<nlohmann::json> swipeSettings_;
    std::shared_ptr<DZSwipeToViewControllerConfigurations> swipeConfigurations_;
    unsigned responseType_ = kDZAdResponseTypeInvalid;
    unsigned supportedOrientations_ = platform::ui::kInterfaceOrientationMaskAll;
    std::optional<std::string> debugDialog_;
    std::optional<std::string> customAdSizeString_;
    std::optional<std::string> adNetworkPassbackURL_;
    double reloadInterval_ = 0;
    DZAdSize size_{};
    std::weak_ptr<DZMRAIDEventHandling> MRAIDEventHandler_;
    std::weak_ptr<DZAdMediationDelegate> mediationDelegate_;
};
