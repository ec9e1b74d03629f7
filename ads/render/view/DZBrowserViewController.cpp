#include "ads/render/view/DZBrowserViewController.h"

#include <algorithm>

#include "ads/core/DZAd.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/view/DZBrowserAdView.h"
#include "ads/render/view/DZBrowserAdViewDelegate.h"
#include "ads/render/view/DZIntrinsicImages.h"
#include "ads/render/view/DZOpener.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Application.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/Toolbar.h"
#include "platform/url/Url.h"

using platform::ui::BarButtonItem;

DZBrowserViewController::~DZBrowserViewController() {
    if (adView_) {
        adView_->setDelegate({});
        adView_->stopLoading();
    }
}

platform::web::WebRequest DZBrowserViewController::requestFor(const std::string& url,
                                                              const std::string& referringURL) {
    platform::web::WebRequest request{url, {}};
    // The host alone: the path and query of the ad's page are the ad's own business.
    if (auto referrer = platform::Url::parse(referringURL); referrer && !referrer->host().empty())
        request.headers.emplace_back("Referer", referrer->host());
    return request;
}

void DZBrowserViewController::load(const std::string& url, const std::string& referringURL) {
    if (url.empty()) return;
    const auto parsed = platform::Url::parse(url);
    if (!parsed || !parsed->isWeb()) {
        DZLog("Ad browser page of scheme \"%s\" not loaded: only http and https are",
              parsed ? parsed->scheme().substr(0, 32).c_str() : "(none)");
        return;
    }
    if (!adView_) {
        URLToLoad_ = url;
        referringURLToLoad_ = referringURL;
        return;
    }
    adView_->loadRequest(requestFor(url, referringURL));
}

void DZBrowserViewController::back() {
    auto* engine = adView_ ? adView_->engine() : nullptr;
    if (engine && engine->canGoBack()) engine->goBack();
}

void DZBrowserViewController::forward() {
    auto* engine = adView_ ? adView_->engine() : nullptr;
    if (engine && engine->canGoForward()) engine->goForward();
}

void DZBrowserViewController::stop() {
    if (adView_) adView_->stopLoading();
}

void DZBrowserViewController::reload() {
    if (auto* engine = adView_ ? adView_->engine() : nullptr) engine->reload();
}

void DZBrowserViewController::openInSafari() {
    if (!adView_) return;
    const std::string url = adView_->currentURL();
    // The opener's callbacks reach the host, whose owner may let this screen go.
    auto self = sharedSelf();
    auto theHost = host();
    auto opener = std::make_shared<DZOpener>();
    opener->setNavigationContext(url, weak_from_this(), {});
    opener->setHost(theHost);
    // The user's own press on the toolbar, which no page can make, explains this open.
    opener->setAutoClickProtected(false);
    // Recorded once the desktop has taken the page (didLeaveApplication), not before.
    opener->setDelegate(std::shared_ptr<DZOpenerDelegate>(self, static_cast<DZOpenerDelegate*>(this)));
    opener->openApp(url);
}

void DZBrowserViewController::didLeaveApplication() {
    auto theHost = host();
    if (auto ad = theHost ? theHost->ad() : nullptr) ad->statistics()->setObjectForKey(1, "pcbo", true);
}

void DZBrowserViewController::doneButtonPressed() {
    relinquishScreenWithCompletion({});
}

void DZBrowserViewController::refreshToolbar() {
    if (!toolbar_) return;
    auto* engine = adView_ ? adView_->engine() : nullptr;
    backButton_->setEnabled(engine && engine->canGoBack());
    forwardButton_->setEnabled(engine && engine->canGoForward());
    const bool loading = adView_ && adView_->isLoading();
    if (loading)
        spinner_->startAnimating();
    else
        spinner_->stopAnimating();
    safariButton_->setEnabled(!loading);
    toolbar_->setItems({backButton_, flexibleSpaceButton_, forwardButton_, flexibleSpaceButton_,
                        loading ? spinnerContainingButton_ : reloadButton_, flexibleSpaceButton_,
                        safariButton_, flexibleSpaceButton_, doneButton_});
}

bool DZBrowserViewController::showsLoadFailure() const {
    return loadFailureLabel_ && loadFailureLabel_->superview();
}

void DZBrowserViewController::pageDidFailToLoad(const platform::web::WebError& error) {
    if (error.code == platform::web::WebError::kCancelled || !adView_) return;
    DZLog("Ad landing page not loaded: error %d", error.code);
    if (!loadFailureLabel_) {
        // Over the whole page, so that no half-drawn or blank page shows around the words.
        loadFailureLabel_ = std::make_shared<platform::ui::Label>(adView_->frame());
        loadFailureLabel_->setBackgroundColor(platform::ui::Color::white());
        loadFailureLabel_->setTextColor(platform::ui::Color::gray(0.3f));
        loadFailureLabel_->setTextAlignment(platform::ui::TextAlignment::Center);
        loadFailureLabel_->setNumberOfLines(0);
        loadFailureLabel_->setText(kLoadFailedText);
    }
    loadFailureLabel_->setFrame(adView_->frame());
    auto root = view();
    if (!root || loadFailureLabel_->superview()) return;
    // Right above the page, under the toolbar.
    const auto& views = root->subviews();
    const auto page = std::find(views.begin(), views.end(), adView_);
    root->insertSubviewAt(loadFailureLabel_, page == views.end() ? views.size() : page - views.begin() + 1);
}

void DZBrowserViewController::pageDidStartLoad() {
    if (loadFailureLabel_) loadFailureLabel_->removeFromSuperview();
}

std::shared_ptr<BarButtonItem> DZBrowserViewController::buttonWithImage(
    std::shared_ptr<const platform::Image> image, float scale, const std::string& name, float width,
    bool enabled, void (DZBrowserViewController::*action)()) {
    auto item =
        std::make_shared<BarButtonItem>(std::move(image), scale, BarButtonItem::Style::Plain, nullptr);
    item->setWidth(width);
    item->setEnabled(enabled);
    item->setAccessibilityLabel(name);
    item->setAction([weak = weak_from_this(), action](BarButtonItem&) {
        // A button may end this screen; it stays alive to the end of the call.
        if (auto self = std::static_pointer_cast<DZBrowserViewController>(weak.lock())) ((*self).*action)();
    });
    return item;
}

void DZBrowserViewController::makeButtons() {
    auto& images = DZIntrinsicImages::sharedInstance();
    const auto backArrow = images.browserBackButton();
    const auto forwardArrow = images.browserForwardButton();
    backButton_ = buttonWithImage(backArrow.image, backArrow.scale, "Back", kButtonWidth, false,
                                  &DZBrowserViewController::back);
    forwardButton_ = buttonWithImage(forwardArrow.image, forwardArrow.scale, "Forward", kButtonWidth, false,
                                     &DZBrowserViewController::forward);
    const auto systemButton = [this](BarButtonItem::SystemItem kind, const std::string& name, float width,
                                     bool enabled, void (DZBrowserViewController::*action)()) {
        auto item = std::make_shared<BarButtonItem>(kind, [weak = weak_from_this(), action](BarButtonItem&) {
            if (auto self = std::static_pointer_cast<DZBrowserViewController>(weak.lock()))
                ((*self).*action)();
        });
        item->setWidth(width);
        item->setEnabled(enabled);
        item->setAccessibilityLabel(name);
        return item;
    };
    reloadButton_ = systemButton(BarButtonItem::SystemItem::Refresh, "Reload", kButtonWidth, true,
                                 &DZBrowserViewController::reload);
    safariButton_ = systemButton(BarButtonItem::SystemItem::Action, "View in Safari", kButtonWidth, false,
                                 &DZBrowserViewController::openInSafari);
    doneButton_ = systemButton(BarButtonItem::SystemItem::Done, "Done", 0, true,
                               &DZBrowserViewController::doneButtonPressed);
    flexibleSpaceButton_ = std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::FlexibleSpace, nullptr);
    spinner_ = std::make_shared<platform::ui::ActivityIndicatorView>(
        platform::ui::ActivityIndicatorView::Style::White);
    spinner_->setFrame({0, 0, kSpinnerSide, kSpinnerSide});
    spinnerContainingButton_ = std::make_shared<BarButtonItem>(spinner_);
    spinnerContainingButton_->setWidth(kSpinnerSide);
    spinnerContainingButton_->setAccessibilityLabel("Spinner");
}

void DZBrowserViewController::viewDidLoad() {
    DZViewController::viewDidLoad();
    auto root = view();
    root->setBackgroundColor(platform::ui::Color::white());
    const platform::Rect b = root->bounds();
    const float barHeight =
        DZDevice::sharedInstance()->orientationLandscape() ? kLandscapeToolbarHeight : kToolbarHeight;
    // The page reaches one point under the bar, so no seam shows between them.
    adView_ = DZBrowserAdView::create({0, 0, b.size.width, b.size.height - barHeight + 1});
    adView_->setViewController(weak_from_this());
    adView_->setShowDebug(false);
    root->addSubview(adView_);
    adViewDelegate_ = DZBrowserAdViewDelegate::create();
    adViewDelegate_->opener().setHost(host());
    adView_->setDelegate(adViewDelegate_);

    toolbar_ = std::make_shared<platform::ui::Toolbar>(
        platform::Rect{0, b.size.height - barHeight + 1, b.size.width, barHeight});
    toolbar_->setTintColor(platform::ui::Color::gray(0.08f));
    root->addSubview(toolbar_);
    makeButtons();
    refreshToolbar();
}

void DZBrowserViewController::viewWillAppear(bool animated) {
    DZViewController::viewWillAppear(animated);
    if (URLToLoad_.empty()) return;
    const std::string url = std::move(URLToLoad_);
    const std::string referrer = std::move(referringURLToLoad_);
    URLToLoad_.clear();
    referringURLToLoad_.clear();
    load(url, referrer);
}

void DZBrowserViewController::viewChangedToOrientation(int) {
    if (adView_) adView_->didRotateToOrientation(platform::ui::Application::shared().statusBarOrientation());
}
