#include "screens/AboutToolViewController.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "appbase/LogMessage.h"
#include "platform/foundation/Utf8Text.h"
#include "platform/ui/Control.h"
#include "platform/ui/TextView.h"
#include "platform/url/Url.h"
#include "shell/AppDoor.h"
#include "shell/UiUtil.h"

namespace {
// The about text is a page of prose; anything far larger is not ours.
constexpr std::uintmax_t kMaxAboutBytes = 64 * 1024;

std::string readAboutMessage(const std::string& resourcesDir) {
    const std::filesystem::path path = std::filesystem::path(resourcesDir) / "AboutMessage.txt";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return "";
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxAboutBytes) return "";
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return "";
    return platform::isValidUtf8(text) ? text : "";
}
}  // namespace

AboutToolViewController::AboutToolViewController(std::string interfaceName)
    : ToolViewControllerBase(std::move(interfaceName)) {
    registerOutlet("aboutTextView", aboutTextView_);
    registerAction("onPrivacyPolicyButton", [this](platform::ui::Control&) { onPrivacyPolicyButton(); });
}

void AboutToolViewController::setup() {
    ToolViewControllerBase::setup();
    tabBarItem().setImageName("icon_question.png");
    tabBarItem().setTitle("About");
    navigationItem().setTitle("About this app");
}

std::string AboutToolViewController::aboutText() const {
    AppDoor* core = appCore();
    if (!core) return "";
    return core->appDisplayName() + "\nVersion " + core->appVersionString() + "\n" +
           core->appCopyrightString() + "\n\n" + readAboutMessage(core->resourcesDir());
}

void AboutToolViewController::viewWillAppear(bool animated) {
    ToolViewControllerBase::viewWillAppear(animated);
    if (aboutTextView_) {
        aboutTextView_->setText(aboutText());
        aboutTextView_->scrollToTop();
        aboutTextView_->flashScrollIndicators();
    }
}

std::optional<std::string> AboutToolViewController::privacyPolicyUrl(const std::string& webBaseUrl) {
    const std::optional<platform::Url> base = platform::Url::parse(webBaseUrl);
    if (!base || !base->isWeb() || base->host().empty()) return std::nullopt;
    // An IPv6 literal comes back from the parser without its brackets.
    const std::string& host = base->host();
    std::string url =
        base->scheme() + "://" + (host.find(':') != std::string::npos ? "[" + host + "]" : host);
    if (base->hasPort()) url += ":" + base->port();
    return url + "/iphone/page/privacy";
}

void AboutToolViewController::onPrivacyPolicyButton() {
    AppDoor* core = appCore();
    if (!core) return;
    const std::optional<std::string> url = privacyPolicyUrl(core->iphoneWebUrl());
    if (!url) {
        LogMessage("-[AboutToolViewController onPrivacyPolicyButton:]", 3,
                   "no privacy page for the web base URL " + core->iphoneWebUrl());
        return;
    }
    OpenWebPage(*url, "-[AboutToolViewController onPrivacyPolicyButton:]");
}
