#include "platform/launcher/UrlOpener.h"

#include <gio/gio.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>

#include "platform/foundation/AppPaths.h"
#include "platform/url/Url.h"

namespace platform {

namespace {

std::mutex sharedMutex;
std::shared_ptr<UrlOpener>& installed() {
    static std::shared_ptr<UrlOpener> opener;
    return opener;
}

}  // namespace

bool UrlOpener::isOpenable(const std::string& url, std::string* error) {
    std::optional<Url> parsed = Url::parse(url, error);
    if (!parsed) return false;
    if (!parsed->isWeb() || parsed->host().empty()) {
        if (error) *error = "only http and https pages are opened, not \"" + parsed->scheme() + ":\" URLs";
        return false;
    }
    return true;
}

std::string UrlOpener::phoneCallURL(const std::string& url, std::string* error) {
    constexpr std::string_view kScheme = "tel:";
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return std::string();
    };
    if (url.size() <= kScheme.size()) return fail("not a phone number");
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(url[i])) != kScheme[i]) return fail("not a phone number");
    }
    const std::string number = url.substr(kScheme.size());
    if (number.size() > kMaxPhoneNumberLength) return fail("the phone number is too long");
    bool digit = false;
    for (char c : number) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (std::string_view("+-.()").find(c) == std::string_view::npos) {
            return fail("a phone number holds only digits and + - . ( )");
        }
    }
    if (!digit) return fail("the phone number has no digits");
    return std::string(kScheme) + number;
}

UrlOpener::Outcome UrlOpener::openPhoneCall(const std::string& url, std::string* error) {
    const std::string call = phoneCallURL(url, error);
    if (call.empty()) return Outcome::Refused;
    if (!handlesScheme("tel")) {
        if (error) *error = "no handler for phone calls";
        return Outcome::Refused;
    }
    return launch(call, error) ? Outcome::Opened : Outcome::Failed;
}

bool UrlOpener::handlesScheme(const std::string& scheme) const {
    return scheme == "http" || scheme == "https" || hasDefaultHandlerForScheme(scheme);
}

UrlOpener::Outcome UrlOpener::openPage(const std::string& url, std::string* error) {
    if (!isOpenable(url, error)) return Outcome::Refused;
    return launch(url, error) ? Outcome::Opened : Outcome::Failed;
}

UrlOpener& UrlOpener::shared() {
    std::lock_guard<std::mutex> lock(sharedMutex);
    std::shared_ptr<UrlOpener>& opener = installed();
    if (!opener) opener = std::make_shared<DesktopUrlOpener>();
    return *opener;
}

std::shared_ptr<UrlOpener> UrlOpener::setShared(std::shared_ptr<UrlOpener> opener) {
    std::lock_guard<std::mutex> lock(sharedMutex);
    std::shared_ptr<UrlOpener> previous = std::move(installed());
    installed() = std::move(opener);
    return previous;
}

bool DesktopUrlOpener::launch(const std::string& url, std::string* error) {
    const std::optional<Url> parsed = Url::parse(url);
    std::string host = parsed ? parsed->host() : "";
    for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (host.ends_with(".")) host.pop_back();
    if (host == "invalid" || host.ends_with(".invalid")) {
        if (error) *error = host + " lies under the reserved .invalid domain, which no browser can reach";
        return false;
    }
    GError* gerror = nullptr;
    // The browser gets the user's environment, not the one pointing library caches into --home.
    GAppLaunchContext* context = g_app_launch_context_new();
    for (const auto& [name, value] : AppPaths::changedEnvironment()) {
        if (value) {
            g_app_launch_context_setenv(context, name.c_str(), value->c_str());
        } else {
            g_app_launch_context_unsetenv(context, name.c_str());
        }
    }
    const gboolean ok = g_app_info_launch_default_for_uri(url.c_str(), context, &gerror);
    g_object_unref(context);
    if (!ok) {
        if (error) *error = gerror != nullptr ? gerror->message : "no handler for the URL";
        if (gerror != nullptr) g_error_free(gerror);
        return false;
    }
    return true;
}

std::vector<std::string> RecordingUrlOpener::opened() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return opened_;
}

void RecordingUrlOpener::setHandledSchemes(std::vector<std::string> schemes) {
    std::lock_guard<std::mutex> lock(mutex_);
    schemes_ = std::move(schemes);
}

bool RecordingUrlOpener::handlesScheme(const std::string& scheme) const {
    if (scheme == "http" || scheme == "https") return true;
    std::lock_guard<std::mutex> lock(mutex_);
    return std::find(schemes_.begin(), schemes_.end(), scheme) != schemes_.end();
}

bool RecordingUrlOpener::launch(const std::string& url, std::string* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    opened_.push_back(url);
    return true;
}

bool hasDefaultHandlerForScheme(const std::string& scheme) {
    if (scheme.empty()) return false;
    GAppInfo* handler = g_app_info_get_default_for_uri_scheme(scheme.c_str());
    if (!handler) return false;
    g_object_unref(handler);
    return true;
}

}  // namespace platform
