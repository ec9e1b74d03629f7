#include "ads/render/view/DZOpenerAMSGHandler.h"

#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZOpener.h"
#include "ads/render/view/DZPageTrackers.h"
#include "platform/ui/Application.h"
#include "platform/ui/InterfaceOrientation.h"
#include "platform/web/WebEngine.h"

namespace {

template <void (DZOpenerAMSGHandler::*method)(const DZAMSGArguments&)>
DZAMSGHandler::Action action() {
    return [](DZAMSGHandler& handler, const DZAMSGArguments& arguments) {
        (static_cast<DZOpenerAMSGHandler&>(handler).*method)(arguments);
    };
}

}  // namespace

const DZAMSGHandler::ActionTable& DZOpenerAMSGHandler::actionBlockDictionary() const {
    static const ActionTable table{
        {"click", action<&DZOpenerAMSGHandler::didReceiveClickNotification>()},
        {"open", action<&DZOpenerAMSGHandler::didReceiveOpenNotification>()},
        {"fetchAppStore", action<&DZOpenerAMSGHandler::fetchInAppStore>()},
    };
    return table;
}

const DZAMSGHandler::ActionTable& DZOpenerAMSGHandler::subActionBlockDictionary() {
    static const ActionTable table{
        {"in_app_store", action<&DZOpenerAMSGHandler::actionOpenInAppStore>()},
        {"in_app_purchase", action<&DZOpenerAMSGHandler::actionOpenInAppPurchase>()},
        {"browser", action<&DZOpenerAMSGHandler::actionOpenBrowser>()},
        {"video", action<&DZOpenerAMSGHandler::actionOpenBrowser>()},
        {"webapp", action<&DZOpenerAMSGHandler::actionOpenWebApp>()},
        {"expand", action<&DZOpenerAMSGHandler::actionExpand>()},
        {"call", action<&DZOpenerAMSGHandler::actionOpenApp>()},
        {"app", action<&DZOpenerAMSGHandler::actionOpenApp>()},
    };
    return table;
}

std::optional<std::string> DZOpenerAMSGHandler::URLFromParameters(
    const DZNotification::Parameters& parameters) {
    const auto text = parameters.find("u");
    if (text == parameters.end()) return std::nullopt;
    // A phone number is no web URL but may still be opened; the opener decides on the scheme.
    if (auto url = dz_URLWithString(text->second)) return url->text();
    if (text->second.size() <= DZOpener::kMaxURLLength && text->second.find(':') != std::string::npos)
        return text->second;
    DZLog("Ad page URL of %zu bytes ignored: no URL", text->second.size());
    return std::nullopt;
}

int DZOpenerAMSGHandler::orientationMaskFromParameters(const DZNotification::Parameters& parameters) {
    const auto value = parameters.find("o");
    const std::string o = value == parameters.end() ? "" : value->second;
    if (o == "p") return platform::ui::kInterfaceOrientationMaskPortrait;
    if (o == "l") return platform::ui::kInterfaceOrientationMaskLandscape;
    if (o == "c") {
        const int orientation = platform::ui::Application::shared().statusBarOrientation();
        return orientation == 3 || orientation == 4 ? platform::ui::kInterfaceOrientationMaskLandscape
                                                    : platform::ui::kInterfaceOrientationMaskPortrait;
    }
    return platform::ui::kInterfaceOrientationMaskAll;
}

bool DZOpenerAMSGHandler::customCloseFromParameters(const DZNotification::Parameters& parameters) {
    const auto value = parameters.find("custom_close");
    return value != parameters.end() && value->second == "1";
}

void DZOpenerAMSGHandler::didReceiveClickNotification(const DZAMSGArguments& arguments) {
    const auto url = URLFromParameters(arguments.note->parameters());
    if (!url) return;
    // The tracker follows whatever it is given: only a web page is somewhere it may go. Decided
    // before the tap is asked for: a URL that goes nowhere uses up no tap.
    const auto page = dz_URLWithString(*url);
    if (!page || !page->isWeb()) {
        DZLog("Ad click URL of scheme \"%s\" not followed: only http and https are",
              platform::web::WebEngine::schemeOf(*url).substr(0, 32).c_str());
        return;
    }
    // Held: the refusal's log and the host's answer may release the page's delegate.
    auto opener = opener_;
    auto host = opener->host();
    // The page's click is one of its trackers: the ad's own billed click is not, and uses up no tap.
    if (DZPageTrackers::select({page->text()}, host).empty()) return;
    if (!opener->shouldReportClick()) return;
    // The signal only adds to the query of a web URL.
    const auto click = dz_URLWithString(host ? host->gestureClickURLWithURL(page->text()) : page->text());
    if (!click || !click->isWeb()) return;
    DZPageTrackers::ping({click->text()}, arguments.adView, host);
}

void DZOpenerAMSGHandler::didReceiveOpenNotification(const DZAMSGArguments& arguments) {
    const auto& table = subActionBlockDictionary();
    const auto a = arguments.note->parameter("a");
    // Without "a" the page means "app"; an "a" we do not know is no reason to leave the app.
    const auto found = table.find(a.value_or("app"));
    if (found == table.end()) {
        DZLog("Ad page open of an unknown kind (%zu bytes) ignored", a->size());
        return;
    }
    found->second(*this, arguments);
}

void DZOpenerAMSGHandler::actionOpenApp(const DZAMSGArguments& arguments) {
    const auto url = URLFromParameters(arguments.note->parameters());
    if (!url) return;
    // Held across the callbacks, which may release the page's delegate and so this handler.
    auto opener = opener_;
    auto host = opener->host();
    opener->openApp(host ? host->gestureClickURLWithURL(*url) : *url);
}

void DZOpenerAMSGHandler::actionOpenBrowser(const DZAMSGArguments& arguments) {
    const auto& parameters = arguments.note->parameters();
    const auto url = URLFromParameters(parameters);
    if (!url) return;
    const auto o = parameters.find("o");
    if (o != parameters.end() && o->second != "p" && o->second != "l" && o->second != "c") {
        DZLog("Ad page browser open with an unknown orientation ignored");
        return;
    }
    auto opener = opener_;
    opener->openBrowserToURL(*url, orientationMaskFromParameters(parameters));
}

void DZOpenerAMSGHandler::actionOpenWebApp(const DZAMSGArguments& arguments) {
    const auto& parameters = arguments.note->parameters();
    const unsigned mask = static_cast<unsigned>(orientationMaskFromParameters(parameters));
    const bool customClose = customCloseFromParameters(parameters);
    auto opener = opener_;
    if (const auto url = URLFromParameters(parameters)) {
        opener->openWebApp(*url, mask, customClose);
    } else if (const auto html = arguments.note->parameter("html")) {
        opener->openWebAppWithHTML(*html, mask, customClose);
    }
}

void DZOpenerAMSGHandler::actionExpand(const DZAMSGArguments& arguments) {
    const auto& parameters = arguments.note->parameters();
    auto opener = opener_;
    opener->expandToWebAppWithSupportedOrientations(
        static_cast<unsigned>(orientationMaskFromParameters(parameters)),
        customCloseFromParameters(parameters));
}
