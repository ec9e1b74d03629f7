#include "ads/render/view/DZOverlayView.h"

#include <cctype>

#include "ads/foundation/DZLogger.h"
#include "ads/render/view/DZAdViewDelegate.h"

namespace {

constexpr const char* kLoadHtml = "loadHtml";
constexpr const char* kShowOverlay = "showOverlay";
constexpr const char* kHideOverlay = "hideOverlay";
constexpr const char* kSendMessageToNativeJs = "sendMessageToNativeJs";
constexpr const char* kSendMessageToSdk = "sendMessageToSdk";

nlohmann::json jsonOf(const DZNotification::Parameters& parameters) {
    nlohmann::json info = nlohmann::json::object();
    for (const auto& [key, value] : parameters) info[key] = value;
    return info;
}

// The overlay page runs with the rights of its base: never a local file's or another scheme's.
bool isAllowedBase(const std::string& url) {
    std::string scheme = platform::web::WebEngine::schemeOf(url);
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return scheme == "http" || scheme == "https" || scheme == "about";
}

}  // namespace

std::shared_ptr<DZOverlayView> DZOverlayView::create(platform::Rect frame) {
    return std::make_shared<DZOverlayView>(frame);
}

DZOverlayView::DZOverlayView(platform::Rect frame) : View(frame) {
    setHidden(true);
}

DZOverlayView::~DZOverlayView() {
    stopObservingAdView();
    removeOverlaySubview();
}

DZOverlayView::Token DZOverlayView::observe(
    const char* name, const DZAdView* source,
    void (DZOverlayView::*handler)(const DZNotification::Parameters&)) {
    std::weak_ptr<DZOverlayView> weak = std::static_pointer_cast<DZOverlayView>(shared_from_this());
    return DZAdViewDelegate::pageMessageCenter().addObserver(
        name,
        [weak, source, handler](const platform::ui::Notification& notification) {
            const auto* message = static_cast<const DZUnhandledAMSGMessage*>(notification.object);
            if (!message || !message->note || message->adView != source) return;
            // Held across the handler: a page's message may end the overlay's owner.
            auto self = weak.lock();
            if (!self) return;
            const DZNotification::Parameters parameters = message->note->parameters();
            ((*self).*handler)(parameters);
        },
        this);
}

void DZOverlayView::stopObservingAdView() {
    auto& center = DZAdViewDelegate::pageMessageCenter();
    for (Token token : adViewObservers_) center.removeObserver(token);
    adViewObservers_.clear();
}

void DZOverlayView::setAdView(const std::shared_ptr<DZAdView>& adView) {
    if (adView == adView_) return;
    removeOverlaySubview();
    setHidden(true);
    adView_ = adView;
    stopObservingAdView();
    if (!adView_) return;
    const DZAdView* source = adView_.get();
    adViewObservers_ = {
        observe(kLoadHtml, source, &DZOverlayView::loadOverlayWithUserInfo),
        observe(kShowOverlay, source, &DZOverlayView::showOverlay),
        observe(kHideOverlay, source, &DZOverlayView::hideOverlay),
        observe(kSendMessageToNativeJs, source, &DZOverlayView::sendMessageToOverlayWithUserInfo),
    };
}

void DZOverlayView::addOverlaySubview() {
    removeOverlaySubview();
    overlayView_ = DZAdView::create({});
    adViewDelegate_ = DZAdViewDelegate::create();
    overlayView_->setDelegate(std::static_pointer_cast<DZOverlayView>(shared_from_this()));
    overlayView_->configureAsBannerAdView();
    overlayView_->setHidden(false);
    overlayView_->setFrame(bounds());
    addSubview(overlayView_);
    overlayView_->setFillsSuperview(true);
    const DZAdView* source = overlayView_.get();
    overlayObservers_ = {
        observe(kHideOverlay, source, &DZOverlayView::hideOverlay),
        observe(kSendMessageToSdk, source, &DZOverlayView::sendMessageToAdViewWithUserInfo),
    };
}

void DZOverlayView::removeOverlaySubview() {
    if (!overlayView_) return;
    auto& center = DZAdViewDelegate::pageMessageCenter();
    for (Token token : overlayObservers_) center.removeObserver(token);
    overlayObservers_.clear();
    auto page = std::move(overlayView_);
    overlayView_.reset();
    page->removeFromSuperview();
    page->setDelegate({});
    adViewDelegate_.reset();
}

void DZOverlayView::loadOverlayWithUserInfo(const DZNotification::Parameters& userInfo) {
    const auto html = userInfo.find("overlayHtml");
    if (html == userInfo.end()) return;
    const auto base = userInfo.find("baseUrl");
    const std::string baseURL = base == userInfo.end() ? "about:blank" : base->second;
    if (!isAllowedBase(baseURL)) {
        DZLog("Overlay page with a base of scheme \"%s\" not loaded: only http, https and about are",
              platform::web::WebEngine::schemeOf(baseURL).substr(0, 32).c_str());
        return;
    }
    // Each load is a new page, with budgets and ping shares of its own: the ad's page gets a few.
    if (adView_ &&
        !adView_->pageAllowance()->overlayLoads.take("Overlay pages refused: the ad's page has loaded " +
                                                     std::to_string(DZPageAllowance::kMaxOverlayLoads)))
        return;
    if (!overlayView_) addOverlaySubview();
    auto page = overlayView_;
    loadOverlayUserInfo_ = userInfo;
    page->loadHTMLString(html->second, baseURL);
}

void DZOverlayView::sendMessageToOverlayWithUserInfo(const DZNotification::Parameters& userInfo) {
    if (!overlayView_) addOverlaySubview();
    overlayView_->postJSNotification(kSendMessageToSdk, jsonOf(userInfo));
}

void DZOverlayView::sendMessageToAdViewWithUserInfo(const DZNotification::Parameters& userInfo) {
    if (!adView_) return;
    nlohmann::json info = jsonOf(userInfo);
    if (!info.contains("id") && overlayIdentifier_) info["id"] = *overlayIdentifier_;
    adView_->postJSNotification(kSendMessageToNativeJs, info);
}

bool DZOverlayView::adViewShouldStartLoad(DZAdView& adView, const platform::web::NavigationAction& action) {
    auto delegate = adViewDelegate_;
    return delegate ? delegate->adViewShouldStartLoad(adView, action) : false;
}

void DZOverlayView::adViewDidStartLoad(DZAdView& adView) {
    if (auto delegate = adViewDelegate_) delegate->adViewDidStartLoad(adView);
}

void DZOverlayView::adViewDidFinishLoad(DZAdView& adView) {
    auto self = shared_from_this();
    if (auto delegate = adViewDelegate_) delegate->adViewDidFinishLoad(adView);
    if (&adView != overlayView_.get() || !loadOverlayUserInfo_) return;
    const auto id = loadOverlayUserInfo_->find("id");
    overlayIdentifier_ =
        id == loadOverlayUserInfo_->end() ? std::nullopt : std::optional<std::string>(id->second);
    loadOverlayUserInfo_.reset();
    if (!adView_) return;
    nlohmann::json info{{"messageType", "htmlLoaded"}};
    if (overlayIdentifier_) info["id"] = *overlayIdentifier_;
    adView_->postJSNotification(kSendMessageToNativeJs, info);
}

void DZOverlayView::adViewDidFailLoad(DZAdView& adView, const platform::web::WebError& error) {
    auto self = shared_from_this();
    if (auto delegate = adViewDelegate_) delegate->adViewDidFailLoad(adView, error);
    if (&adView != overlayView_.get()) return;
    overlayIdentifier_.reset();
    loadOverlayUserInfo_.reset();
}
