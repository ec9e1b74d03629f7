#include "ads/foundation/DZCrashReporter.h"

#include <cxxabi.h>
#include <errno.h>
#include <execinfo.h>

#include <cstdlib>
#include <cstring>

#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZNSURLUtilities.h"
#include "ads/foundation/DZPinger.h"
#include "ads/foundation/DZSDKVersion.h"
#include "ads/foundation/DZServerOverride.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/SystemVersion.h"
#include "platform/url/Url.h"

namespace {

// Under the reserved ".invalid" domain: no report reaches a real server unless someone points
// the component at one.
constexpr const char* kDefaultReportBase = "https://rerive-ads.invalid";
constexpr const char* kReportPath = "/adpage/gen_204";

std::string demangle(const char* name) {
    int status = 0;
    char* out = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    std::string text = (status == 0 && out) ? out : name;
    std::free(out);
    return text;
}

bool namesComponent(const std::string& text) {
    return text.find("DZ") != std::string::npos || text.find("RUV") != std::string::npos;
}

// "binary(_ZN3FooEv+0x1c) [0x...]" with the symbol demangled, and the binary's folder dropped: a
// path may name the user or their folders, which are no business of the report.
std::string readableFrame(const char* frame) {
    std::string line = frame;
    if (auto slash = line.rfind('/', line.find('(')); slash != std::string::npos) line.erase(0, slash + 1);
    auto open = line.find('(');
    auto plus = line.find('+', open == std::string::npos ? 0 : open);
    if (open == std::string::npos || plus == std::string::npos || plus <= open + 1) return line;
    return line.substr(0, open + 1) + demangle(line.substr(open + 1, plus - open - 1).c_str()) +
           line.substr(plus);
}

// The top of the stack is the handler's own and the runtime's terminate and unwind machinery
// (shared libraries, and our frames without a name): it says nothing of the crash.
bool isHandlerFrame(const std::string& line) {
    if (line.find("DZCrashReporter") != std::string::npos) return true;
    // A sanitizer's runtime stands between us and backtrace().
    if (line.find("__interceptor_") != std::string::npos) return true;
    if (line.starts_with("lib")) return true;
    return line.find("(+0x") != std::string::npos || line.find("() [") != std::string::npos;
}

std::vector<std::string> captureStack() {
    void* frames[128];
    const int count = ::backtrace(frames, 128);
    // Each entry is a return address. The call it comes back to lies one byte before: named from
    // there, a call that never returns, which a compiler may put last in its function, is still
    // inside that function's symbol instead of just past its end.
    for (int i = 0; i < count; ++i) frames[i] = static_cast<char*>(frames[i]) - 1;
    std::vector<std::string> lines;
    char** symbols = ::backtrace_symbols(frames, count);
    if (!symbols) return lines;
    bool top = true;
    for (int i = 0; i < count; ++i) {
        std::string line = readableFrame(symbols[i]);
        if (top && isHandlerFrame(line)) continue;
        top = false;
        lines.push_back(std::move(line));
    }
    std::free(symbols);
    return lines;
}

void replaceAll(std::string& text, const std::string& what, const std::string& with) {
    if (what.empty()) return;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

}  // namespace

DZCrashReporter& DZCrashReporter::sharedInstance() {
    static DZCrashReporter* reporter = new DZCrashReporter();  // used up to the process's last moment
    return *reporter;
}

DZCrashReporter::DZCrashReporter() : baseURL_(reportBaseURL()) {
    facts_.os = std::string(platform::kSystemVersion);
    facts_.js = kDZSDKVersion;
}

DZCrashReportFacts DZCrashReporter::componentFacts() {
    auto device = DZDevice::sharedInstance();
    auto application = DZApplication::sharedInstance();
    DZCrashReportFacts facts;
    facts.os = device->systemVersion();
    // Before the device facts are read, the platform's version is the same text.
    if (facts.os.empty()) facts.os = std::string(platform::kSystemVersion);
    facts.appid = application->mainBundleIdentifier().value_or("");
    facts.api = application->version();
    facts.js = kDZSDKVersion;
    facts.device = device->deviceModel();
    return facts;
}

std::string DZCrashReporter::reportBaseURL() {
    const char* env = std::getenv("TIKOLEAP_AD_REPORT_URL");
    if (env && *env) return std::string(env) + kReportPath;
    // A named ad server takes the reports too, so a local one sees everything the component sends.
    std::string server = dz_adServerOverride().value_or(kDefaultReportBase);
    while (!server.empty() && server.back() == '/') server.pop_back();
    return server + kReportPath;
}

void DZCrashReporter::enableReporting() {
    if (!enabled_) return;
    std::terminate_handler current = std::get_terminate();
    if (current == &DZCrashReporter::handleTerminate) return;
    // Taken now: a crashing thread must not wait on the device's or the application's queues,
    // and none of these facts changes once the app has started.
    facts_ = componentFacts();
    previous_ = current;
    std::set_terminate(&DZCrashReporter::handleTerminate);
}

void DZCrashReporter::disableReporting() {
    enabled_ = false;
    if (std::get_terminate() == &DZCrashReporter::handleTerminate) std::set_terminate(previous_);
}

std::string DZCrashReporter::clean(const std::string& text) {
    std::string out;
    bool inRun = false;
    for (char c : text) {
        const bool separator = std::strchr(" \t\n\r\v\f-+[]:", c) != nullptr && c != '\0';
        if (separator) {
            if (!inRun) out += '_';
            inRun = true;
        } else {
            out += c;
            inRun = false;
        }
    }
    return out;
}

std::string DZCrashReporter::reportText(const std::string& name, const std::string& reason,
                                        const std::vector<std::string>& stack,
                                        const std::string& processName) {
    std::vector<std::string> parts{name};
    bool ours = false;
    const std::string cleanedReason = clean(reason);
    if (namesComponent(cleanedReason)) {
        parts.push_back(cleanedReason);
        ours = true;
    } else {
        parts.push_back("filtered");
    }
    for (std::string line : stack) {
        replaceAll(line, processName, "filtered");
        if (namesComponent(line)) ours = true;
        parts.push_back(clean(line));
    }
    if (!ours) return {};
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) text += '-';
        text += parts[i];
    }
    return std::string(dz_prefixWithinBytes(text, kMaxReportLength));
}

std::string DZCrashReporter::reportURL(const std::string& text) const {
    auto base = dz_URLWithString(baseURL_);
    if (!base) return {};
    auto url = dz_appendQueryParameters(*base, {{"os", facts_.os},
                                                {"appid", facts_.appid},
                                                {"api", facts_.api},
                                                {"js", facts_.js},
                                                {"device", facts_.device},
                                                {"stacktrace", text},
                                                {"id", "gmob-apps-report-exception"}});
    if (!url) return {};
    if (auto eids = platform::UserDefaults::standard()->stringForKey(kDZPrefetchExperimentIDKey)) {
        if (auto withExperiment = dz_appendQueryValue(*url, *eids, "eids")) url = withExperiment;
    }
    return url->text();
}

bool DZCrashReporter::report(const std::string& name, const std::string& reason,
                             const std::vector<std::string>& stack) {
    const std::string text = reportText(name, reason, stack, program_invocation_short_name);
    if (text.empty()) return false;
    const std::string url = reportURL(text);
    if (url.empty()) {
        platform::logMessage("DZCrashReporter", 3, "no report URL can be made from " + baseURL_);
        return false;
    }
    std::shared_ptr<DZPinger> pinger = pinger_ ? pinger_ : DZPinger::sharedInstance();
    if (!pinger->storeRetryURLStringNow(url, kDZCrashReportingGroupKey)) {
        platform::logMessage("DZCrashReporter", 3, "the crash report could not be kept for the next launch");
    }
    pinger->pingWithRetryGroupKey(kDZCrashReportingGroupKey, url, url);
    return true;
}

void DZCrashReporter::handleTerminate() {
    DZCrashReporter& self = sharedInstance();
    std::string name = "std::terminate";
    std::string reason;
    if (std::exception_ptr current = std::current_exception()) {
        if (std::type_info* type = abi::__cxa_current_exception_type()) name = demangle(type->name());
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            reason = e.what();
        } catch (...) {
        }
    }
    try {
        self.report(name, reason, captureStack());
    } catch (...) {
        // Reporting must never stand between the crash and the app's own handler.
    }
    if (self.previous_) self.previous_();
    std::abort();
}
