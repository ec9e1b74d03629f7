// Drives the ad request core from the command line.
//
//   tikoleap-adprobe [--home DIR] [--ad-server URL] [--resources DIR] COMMAND ...
//
//   params [--resources DIR] [--slot AD_UNIT] [--location LAT,LONG,ACCURACY] [--requests N] [--keyword K]...
//          [--gender N] [--birthday YYYY-MM-DD] [--content-url U] [--test-device ID]... [--extras JSON]
//       the parameter dictionary of one ad request: the request's own, with the device part, and
//       the slot's quality signals. --requests N makes N requests and prints the last one's (an
//       earlier ad's click is recorded between them, so its statistics travel with the next).
//   slot --unit UNIT [--timeout S]
//       one banner slot (320 x 50) loads a default request and renders the ad in its ad view (on
//       the real engine) until the slot shows it or fails:
//       {"states", "state", "error", "fetched", "impressions"}.
//   banner --unit UNIT --seconds S [--snapshot FILE] [--custom-rendered]
//       a public banner (320 x 50) in a shown window for S seconds of real time, loading and
//       refreshing: {"received", "failed": [codes], "zdUnitsSent", "visibility": [values]}, with
//       "snapshot" as adview's when asked. --custom-rendered: an ad-manager banner whose app takes
//       custom-rendered ads, counts each seen and drawn; adds "customRendered": ads taken.
//   native --unit UNIT --types T[,T]... [--template-ids ID[,ID]...] [--tap ASSET] [--capture FILE] [--timeout
//   S]
//       a native ad loader in a 320 x 480 window; an app-install or content ad shown in its
//       container (one view per asset), ASSET tapped once the impression counted; a template ad
//       read by key, KEY clicked with a custom click handler: {"class", "headline", "assets",
//       "impression", "tapped", "customClick", "events", "opened", "capture", "error"}.
//   fetch URL
//       one fetch of an ad URL (a path beginning with "/" is taken on the ad server):
//       {"ok", "responseCode", "error": {"code", "message"} | null, "ad": {...} | null}.
//   adview --url URL [--seconds S] [--snapshot FILE] [--banner [--touch X,Y[@SECONDS]]]
//       an ad view showing the page, with the render check's verdict; --snapshot writes its
//       picture as a PNG (never over a file that is not a regular one). --banner shows it in a
//       banner slot's ad view, as the ad the slot renders, with the slot's click detection;
//       --touch taps it at (X, Y) SECONDS (default 1; 0 at once) after it loaded.
//   purchase --unit UNIT [--fake-store SKU=PRICE:CURRENCY [--outcome purchased|cancelled|failed]]
//            [--timeout S]
//       a shown banner (320 x 50) loads the unit on the real engine with the component's own
//       purchase flow on (the probe's delegate finishes each paid transaction), is tapped through
//       the window once its ad came, and waits until the purchase's pings (and a paid purchase's
//       conversion report) are answered: {"purchase": {"productID", "quantity", "status"} | null,
//       "alerts": [titles]}. --fake-store makes a store knowing that one product, whose payments
//       end as --outcome says (default purchased); without it the system's store answers. Needs a
//       display, as the commands below.
//   browser --url URL [--referrer URL] [--seconds S] [--capture FILE]
//       the in-app browser on the page in a 320 x 480 window for S seconds (default 5), the
//       window captured as a PNG when asked, then its Done button pressed:
//       {"shown", "loading", "url", "capture": null | {"file", "error"}, "closedByDone",
//       "error": the words of a page that could not be loaded | null}.
//   reward --unit UNIT [--user ID] [--timeout S] [--capture FILE]
//       the shared reward-based video ad loads the unit in a 320 x 480 window (the test reward
//       network registered) and is presented when ready; the window is captured a second into
//       the video and the video's close button tapped once the reward has come (all within S,
//       default 30): {"events", "reward": {"type", "amount"} | null, "error", "capture"}.
//
//   signin --unit UNIT [--fake-sign-in] [--allow-tracking] [--timeout S]
//       with a sign-in library of our own (--fake-sign-in) and ad tracking allowed
//       (--allow-tracking) when asked, a banner slot loads the unit once (the core page's
//       constants switch signed-in ads on) and waits for the signed-in token or the time-out:
//       {"token": TEXT | null, "requestParameters": the slot's next request's}.
//
// --ad-server overrides TIKOLEAP_AD_SERVER. The last line on stdout is one JSON object. Exit 0
// whenever the command ran, whatever the ad did; 1 when it could not: core, slot, banner, adview,
// browser, waterfall and reward without a display (nothing on stdout then), fetch from a server that could
// not be reached, native, reward, purchase and signin when the ad server takes no connection (nothing on
// stdout then either); 2 for bad arguments. --help (or -h) prints the usage. A display that is named
// but cannot be opened counts as none.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdFetcher.h"
#include "ads/core/DZAdServer.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSlotSignals.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZNSURLRequestUtilities.h"
#include "ads/foundation/DZServerOverride.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/foundation/DZURLErrors.h"
#include "ads/public/DZAdFormats.h"
#include "platform/defaults/MainBundle.h"
#include "platform/foundation/AppPaths.h"
#include "platform/plist/PlistFile.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Application.h"
#include "platform/url/Url.h"
#include "platform/web/WebEngine.h"
#include "platform/web/WebViews.h"
#include "tools/adprobe/BannerProbe.h"
#include "tools/adprobe/BrowserProbe.h"
#include "tools/adprobe/NativeProbe.h"
#include "tools/adprobe/ProbeAd.h"
#include "tools/adprobe/ProbeClock.h"
#include "tools/adprobe/ProbeSnapshot.h"
#include "tools/adprobe/PurchaseProbe.h"
#include "tools/adprobe/RewardProbe.h"
#include "tools/adprobe/ServerReach.h"
#include "tools/adprobe/SignInProbe.h"
#include "tools/adprobe/SlotProbe.h"
#include "tools/adprobe/WaterfallProbe.h"
#include "tools/adprobe/WebProbe.h"

namespace {

const char* const kUsage =
    "usage: tikoleap-adprobe [--help | -h] [--home DIR] [--ad-server URL] [--resources DIR] COMMAND\n"
    "  params [--resources DIR] [--slot AD_UNIT] [--location LAT,LONG,ACCURACY] [--requests N] [--keyword "
    "K]...\n"
    "         [--gender N] [--birthday YYYY-MM-DD] [--content-url U] [--test-device ID]... [--extras JSON]\n"
    "  fetch URL\n"
    "  core --unit UNIT [--timeout S] [--requests N]\n"
    "  adview --url URL [--seconds S] [--snapshot FILE] [--banner [--touch X,Y[@SECONDS]]]\n"
    "  slot --unit UNIT [--timeout S]\n"
    "  banner --unit UNIT --seconds S [--snapshot FILE] [--custom-rendered]\n"
    "  browser --url URL [--referrer URL] [--seconds S] [--capture FILE]\n"
    "  purchase --unit UNIT [--fake-store SKU=PRICE:CURRENCY [--outcome purchased|cancelled|failed]]\n"
    "           [--timeout S] (needs a display)\n"
    "  waterfall --unit UNIT [--interstitial] [--timeout S] [--capture FILE]\n"
    "  native --unit UNIT --types T[,T]... [--template-ids ID[,ID]...] [--tap ASSET] [--capture FILE] "
    "[--timeout S]\n"
    "  reward --unit UNIT [--user ID] [--timeout S] [--capture FILE]\n"
    "  signin --unit UNIT [--fake-sign-in] [--allow-tracking] [--timeout S]\n"
    "--ad-server overrides TIKOLEAP_AD_SERVER. core, slot, banner, adview, browser, waterfall, native, "
    "reward and signin need a\n"
    "display.\n"
    "The last line on stdout is one JSON object. Exit 0 when the command ran, 1 when it could not\n"
    "(no display, the ad server not reached), 2 for bad arguments.\n";

// The commands that show pages on the real web engine, which needs a display.
bool needsDisplay(const std::string& command) {
    if (command == "purchase") return true;
    return command == "core" || command == "slot" || command == "banner" || command == "adview" ||
           command == "browser" || command == "waterfall" || command == "native" || command == "reward" ||
           command == "signin";
}

// Why the web engine cannot show pages here: no display named, or the one named cannot be opened;
// "" when it can. The engine is started to find out, as the command would start it.
std::string displayProblem() {
    if (!platform::web::WebViews::displayNamed()) return "neither DISPLAY nor WAYLAND_DISPLAY is set";
    std::string error;
    if (!platform::web::WebViews::create(1, 1, &error)) return error.empty() ? "no web view" : error;
    return "";
}

// The commands that load their ads from the ad server and would otherwise only time out without it.
bool loadsFromAdServer(const std::string& command) {
    return command == "core" || command == "slot" || command == "banner" || command == "waterfall" ||
           command == "native" || command == "reward" || command == "purchase" || command == "signin";
}

// How long the ad server may take to accept a connection before a command that needs it.
constexpr double kServerConnectSeconds = 5;

// The value of an option given as "--name value" among the command's arguments; false for an
// unknown option or a missing value.
bool readOptions(const std::vector<std::string>& rest, std::map<std::string, std::string>& options) {
    for (std::size_t r = 0; r < rest.size(); r += 2) {
        if (!options.count(rest[r]) || r + 1 >= rest.size()) return false;
        options[rest[r]] = rest[r + 1];
    }
    return true;
}

// A number of seconds from 0.1 to 600; nothing otherwise.
std::optional<double> seconds(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || !(value >= 0.1 && value <= 600)) return std::nullopt;
    return value;
}

// What is wrong with the picture file the option names; "" when it names none or one that can be written.
std::string picturePathProblem(std::map<std::string, std::string>& options, const std::string& name) {
    const std::string& path = options[name];
    if (path.empty()) return "";
    const std::string problem = snapshotPathProblem(path);
    return problem.empty() ? "" : name + ": " + problem;
}

int usage(const std::string& why) {
    std::fprintf(stderr, "tikoleap-adprobe: %s\n%s", why.c_str(), kUsage);
    return 2;
}

std::string jsonLine(const nlohmann::json& value) {
    // Header values a server sent may be no UTF-8: they are printed replaced, never refused.
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// "a,b,c" as its parts; an empty part makes the list empty.
std::vector<std::string> commaList(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (parts.back().empty()) return {};
        if (comma == std::string::npos) return parts;
        start = comma + 1;
    }
}

// Every option of native, read in this one place; "" or what is wrong with them.
std::string parseNativeOptions(const std::vector<std::string>& args, NativeProbeOptions& o) {
    std::map<std::string, std::string> options = {{"--unit", ""}, {"--types", ""},   {"--template-ids", ""},
                                                  {"--tap", ""},  {"--capture", ""}, {"--timeout", "30"}};
    if (!readOptions(args, options) || options["--unit"].empty() || options["--types"].empty())
        return "native takes --unit UNIT --types T[,T]... [--template-ids ID[,ID]...] [--tap ASSET] "
               "[--capture FILE] "
               "[--timeout S]";
    o.unit = options["--unit"];
    o.types = commaList(options["--types"]);
    if (o.types.empty()) return "--types takes ad types separated by commas";
    if (!options["--template-ids"].empty()) {
        o.templateIDs = commaList(options["--template-ids"]);
        if (o.templateIDs.empty()) return "--template-ids takes ids separated by commas";
    }
    o.tap = options["--tap"];
    o.capturePath = options["--capture"];
    if (auto problem = picturePathProblem(options, "--capture"); !problem.empty()) return problem;
    auto timeout = seconds(options["--timeout"]);
    if (!timeout) return "--timeout takes 0.1 to 600 seconds";
    o.timeout = *timeout;
    return "";
}

struct ParamsOptions {
    std::string slot = "example-ad-unit";
    std::optional<DZLocation> location;
    int requests = 1;
    std::shared_ptr<DZRequest> request;
};

// Every option of adview, read in this one place; "" or what is wrong with them.
std::string parseAdViewOptions(const std::vector<std::string>& args, AdViewProbeOptions& o) {
    std::map<std::string, std::string> options = {
        {"--url", ""}, {"--seconds", "5"}, {"--snapshot", ""}, {"--touch", ""}};
    std::vector<std::string> valued;
    for (const auto& arg : args) {
        if (arg == "--banner") {
            o.banner = true;
        } else {
            valued.push_back(arg);
        }
    }
    if (!readOptions(valued, options))
        return "adview takes --url URL [--seconds S] [--snapshot FILE] [--banner [--touch X,Y[@SECONDS]]]";
    o.snapshotPath = options["--snapshot"];
    if (!o.snapshotPath.empty()) {
        if (auto problem = snapshotPathProblem(o.snapshotPath); !problem.empty())
            return "--snapshot: " + problem;
    }
    o.url = options["--url"].rfind("/", 0) == 0 ? DZAdServerURL(options["--url"]) : options["--url"];
    const auto parsed = platform::Url::parse(o.url);
    if (!parsed || !parsed->isWeb()) return "adview takes an http or https URL";
    auto shown = seconds(options["--seconds"]);
    if (!shown) return "--seconds takes 0.1 to 600 seconds";
    o.seconds = *shown;
    if (const std::string& touch = options["--touch"]; !touch.empty()) {
        if (!o.banner) return "--touch needs --banner";
        AdViewProbeOptions::Tap tap;
        char* end = nullptr;
        tap.x = std::strtod(touch.c_str(), &end);
        const bool comma = *end == ',';
        if (comma) tap.y = std::strtod(end + 1, &end);
        if (comma && *end == '@') tap.after = std::strtod(end + 1, &end);
        // Within the 320 x 50 view, at most ten minutes after the load; NaN fails every test.
        if (!comma || *end || !(tap.x >= 0 && tap.x <= 320) || !(tap.y >= 0 && tap.y <= 50) ||
            !(tap.after >= 0 && tap.after <= 600))
            return "--touch takes X,Y[@SECONDS] inside the 320 x 50 view, 0 to 600 seconds after the load";
        o.tap = tap;
    }
    return "";
}

int parseParams(const std::vector<std::string>& args, ParamsOptions& o) {
    o.request = DZRequest::request();
    std::vector<std::string> keywords, testDevices;
    static const std::set<std::string> kOptions = {"--resources",   "--slot",   "--location", "--requests",
                                                   "--keyword",     "--gender", "--birthday", "--content-url",
                                                   "--test-device", "--extras"};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!kOptions.count(arg)) return usage("unknown option " + arg);
        if (i + 1 >= args.size()) return usage("missing value for " + arg);
        const std::string& value = args[++i];
        if (arg == "--resources") {
            continue;  // taken by main before the component starts
        } else if (arg == "--slot") {
            o.slot = value;
        } else if (arg == "--location") {
            float lat = 0, lon = 0, acc = 0;
            if (std::sscanf(value.c_str(), "%f,%f,%f", &lat, &lon, &acc) != 3) return usage("bad --location");
            o.location = DZLocation::initWithLatitude(lat, lon, acc);
            if (!o.location) return usage("--location is not a precise location");
            o.request->setLocation(o.location);
        } else if (arg == "--requests") {
            o.requests = std::atoi(value.c_str());
            if (o.requests < 1 || o.requests > 1000) return usage("--requests must be 1 to 1000");
        } else if (arg == "--keyword") {
            keywords.push_back(value);
        } else if (arg == "--gender") {
            char* end = nullptr;
            const long gender = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end) return usage("--gender takes a number");
            o.request->setGender(gender);
        } else if (arg == "--birthday") {
            int y = 0, m = 0, d = 0;
            char rest = 0;
            if (std::sscanf(value.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &rest) != 3)
                return usage("bad --birthday");
            o.request->setBirthdayWithMonthDayYear(m, d, y);
            if (!o.request->birthday()) return usage("--birthday is no date");
        } else if (arg == "--content-url") {
            o.request->setContentURL(value);
        } else if (arg == "--test-device") {
            testDevices.push_back(value);
        } else {
            auto extras = dz_decodedJSONObject(value);
            if (!extras || !extras->is_object()) return usage("--extras takes a JSON object");
            auto e = std::make_shared<DZExtras>();
            e->setAdditionalParameters(*extras);
            o.request->registerAdNetworkExtras(e);
        }
    }
    if (!keywords.empty()) o.request->setKeywords(keywords);
    if (!testDevices.empty()) o.request->setTestDevices(testDevices);
    return 0;
}

nlohmann::json runParams(ParamsOptions& o, platform::ManualRunLoop& loop) {
    auto app = DZApplication::sharedInstance();
    nlohmann::json parameters;
    for (int i = 0; i < o.requests; ++i) {
        parameters = o.request->parameters();
        // Taken in the order a slot takes them: the process statistics when its load starts,
        // earlier ads' statistics as it builds the request.
        const nlohmann::json appStatistics = app->nextRequestStatisticsDictionaryForSlot(false);
        dz_addSlotSignals(parameters, appStatistics, app->pendingAdStatistics(),
                          o.request->privateMediationExtras(), o.slot);
        // The ad of this request is clicked: its statistics go with the next request.
        auto ad = DZStatisticDictionary::initWithDelegate(app);
        ad->incrementNumberForKey("pcc", true);
        ad->didFinishModifying();
        app->incrementTotalAdClickCount();
        loop.advance(1.0);
    }
    return parameters;
}

struct FetchDelegate : DZAdFetcherDelegate {
    bool done = false;
    nlohmann::json result;
    void adFetcherDidFetchAd(DZAdFetcher&, const std::shared_ptr<DZAd>& ad) override {
        const nlohmann::json shown = probeAdJSON(*ad);
        // The fetcher answers success only for a 2xx answer (or an ad that had its HTML).
        result = {{"ok", true}, {"responseCode", 200}, {"error", nullptr}, {"ad", shown}};
        done = true;
    }
    void adFetcherDidFailToFetchAd(DZAdFetcher&, const std::shared_ptr<DZAd>&, platform::ErrorRef error,
                                   long code) override {
        nlohmann::json e = nullptr;
        if (error) e = {{"code", error->code()}, {"message", error->localizedDescription()}};
        // The component calls no answer at all an invalid one: the probe says what happened.
        const auto underlying = error ? error->underlyingError() : nullptr;
        unreachable = underlying && underlying->domain() == kDZURLErrorDomain && underlying->code() == -1004;
        if (unreachable)
            e["message"] = "the server could not be reached: " + underlying->localizedDescription();
        result = {{"ok", false}, {"responseCode", code}, {"error", e}, {"ad", nullptr}};
        done = true;
    }
    bool unreachable = false;
};

// Sets unreachable when no connection to the server could be made.
nlohmann::json runFetch(const std::string& url, platform::ManualRunLoop& loop, bool& unreachable) {
    auto delegate = std::make_shared<FetchDelegate>();
    auto fetcher = DZAdFetcher::create();
    platform::ErrorRef error;
    if (!fetcher->fetchRequestURL(dz_requestForURL(url, std::nullopt, std::nullopt, std::nullopt), delegate,
                                  &error) &&
        !delegate->done) {
        delegate->adFetcherDidFailToFetchAd(*fetcher, nullptr, error, 0);
    }
    // The clock goes with real time, so that the fetcher's own deadline for the whole fetch (a
    // game's slot has the same) ends it; the probe waits a little longer only as a backstop.
    if (!turnUntil(
            loop, [&] { return delegate->done; }, DZAdFetcher::kDefaultFetchTimeoutSeconds + 5)) {
        fetcher->cancel();
        return {{"ok", false},
                {"responseCode", 0},
                {"error", {{"code", 5}, {"message", "no answer in time"}}},
                {"ad", nullptr}};
    }
    unreachable = delegate->unreachable;
    return delegate->result;
}

}  // namespace

int main(int argc, char** argv) {
    std::string resources = TIKOLEAP_RESOURCES_DIR;
    std::vector<std::string> args(argv + 1, argv + argc);
    std::size_t i = 0;
    for (; i < args.size() && (args[i].rfind("--", 0) == 0 || args[i] == "-h"); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg != "--home" && arg != "--resources" && arg != "--ad-server")
            return usage("unknown option " + arg);
        if (i + 1 >= args.size()) return usage("missing value for " + arg);
        const std::string& value = args[++i];
        if (arg == "--home") {
            platform::AppPaths::setHome(value);
        } else if (arg == "--resources") {
            resources = value;
        } else {
            if (!dz_adServerURLFromValue(value.c_str()))
                return usage("--ad-server takes an http or https URL");
            setenv("TIKOLEAP_AD_SERVER", value.c_str(), 1);  // before anything reads it
        }
    }
    if (i >= args.size()) return usage("no command");
    const std::string command = args[i++];
    const std::vector<std::string> rest(args.begin() + static_cast<long>(i), args.end());
    if (!rest.empty() && (rest.front() == "--help" || rest.front() == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }

    // tikoleap-adparams took --resources among its options: params still does.
    if (command == "params") {
        for (std::size_t r = 0; r + 1 < rest.size(); r += 2) {
            if (rest[r] == "--resources") resources = rest[r + 1];
        }
    }

    // signin's flags: its sign-in library and dispenser are set up before launching finishes.
    SignInProbeOptions signIn;
    std::vector<std::string> signInValued;
    if (command == "signin") {
        for (const auto& arg : rest) {
            if (arg == "--fake-sign-in")
                signIn.fakeSignIn = true;
            else if (arg == "--allow-tracking")
                signIn.allowTracking = true;
            else
                signInValued.push_back(arg);
        }
    }

    // Headless (set up first: a request starts the component on the main loop): a main loop turned by hand,
    // the bundle information of the build.
    auto loop = std::make_shared<platform::ManualRunLoop>();
    platform::RunLoop::setMain(loop);
    if (auto info = platform::readPlistDictionaryFile(resources + "/Info.plist"))
        platform::MainBundle::setInfoDictionary(*info);
    DZApplication::sharedInstance();
    // The formats these commands load register at start-up, as an app's first ad object would
    // have them; the purchase reporter is switched on by a start-up step, which must be in place
    // first.
    if (command == "purchase" || command == "native" || command == "reward") DZAdFormats::registerAll();
    if (command == "signin") prepareSignIn(signIn);
    // params and fetch show no page: the rich-media scripts a page would be given are not fetched
    // (and a server that is down is not reported for them).
    if (command == "params" || command == "fetch")
        DZApplication::setEarlyActivityHook(&DZEarlyActivityHooks::allowMRAIDInterceptor, {});
    platform::ui::Application::shared().finishLaunching();  // starts the component
    loop->runUntilIdle();

    PurchaseProbeOptions purchase;
    ParamsOptions params;
    AdViewProbeOptions adView;
    NativeProbeOptions native;
    std::string url;
    std::map<std::string, std::string> options;
    double limit = 0;
    int requests = 1;
    bool interstitial = false;
    bool customRendered = false;
    if (command == "params") {
        if (int bad = parseParams(rest, params)) return bad;
    } else if (command == "fetch") {
        if (rest.size() != 1) return usage("fetch takes one URL");
        url = rest[0].rfind("/", 0) == 0 ? DZAdServerURL(rest[0]) : rest[0];
        const auto parsed = platform::Url::parse(url);
        if (!parsed || !parsed->isWeb()) return usage("fetch takes an http or https URL");
    } else if (command == "core") {
        options = {{"--unit", ""}, {"--timeout", "15"}, {"--requests", "1"}};
        if (!readOptions(rest, options) || options["--unit"].empty()) return usage("core takes --unit UNIT");
        requests = std::atoi(options["--requests"].c_str());
        if (requests < 1 || requests > 1000) return usage("--requests takes 1 to 1000");
        auto timeout = seconds(options["--timeout"]);
        if (!timeout) return usage("--timeout takes 0.1 to 600 seconds");
        limit = *timeout;
    } else if (command == "purchase") {
        options = {{"--unit", ""}, {"--fake-store", ""}, {"--outcome", ""}, {"--timeout", "30"}};
        if (!readOptions(rest, options) || options["--unit"].empty())
            return usage(
                "purchase takes --unit UNIT [--fake-store SKU=PRICE:CURRENCY [--outcome "
                "purchased|cancelled|failed]] [--timeout S]");
        purchase.unit = options["--unit"];
        const std::string& outcome = options["--outcome"];
        if (!options["--fake-store"].empty()) {
            PurchaseProbeOptions::FakeStore store;
            if (auto problem = parseFakeStore(options["--fake-store"], store); !problem.empty())
                return usage(problem);
            if (!outcome.empty()) store.outcome = outcome;
            purchase.fakeStore = store;
        } else if (!outcome.empty()) {
            return usage("--outcome needs --fake-store");
        }
        if (!outcome.empty() && outcome != "purchased" && outcome != "cancelled" && outcome != "failed")
            return usage("--outcome takes purchased, cancelled or failed");
        auto timeout = seconds(options["--timeout"]);
        if (!timeout) return usage("--timeout takes 0.1 to 600 seconds");
        purchase.timeoutSeconds = *timeout;
    } else if (command == "slot") {
        options = {{"--unit", ""}, {"--timeout", "30"}};
        if (!readOptions(rest, options) || options["--unit"].empty()) return usage("slot takes --unit UNIT");
        auto timeout = seconds(options["--timeout"]);
        if (!timeout) return usage("--timeout takes 0.1 to 600 seconds");
        limit = *timeout;
    } else if (command == "banner") {
        options = {{"--unit", ""}, {"--seconds", ""}, {"--snapshot", ""}};
        std::vector<std::string> valued;
        for (const auto& arg : rest) {
            if (arg == "--custom-rendered")
                customRendered = true;
            else
                valued.push_back(arg);
        }
        if (!readOptions(valued, options) || options["--unit"].empty() || options["--seconds"].empty())
            return usage("banner takes --unit UNIT --seconds S [--snapshot FILE] [--custom-rendered]");
        auto shown = seconds(options["--seconds"]);
        if (!shown) return usage("--seconds takes 0.1 to 600 seconds");
        limit = *shown;
        if (auto problem = picturePathProblem(options, "--snapshot"); !problem.empty()) return usage(problem);
    } else if (command == "browser") {
        options = {{"--url", ""}, {"--referrer", ""}, {"--seconds", "5"}, {"--capture", ""}};
        const auto page = platform::Url::parse(readOptions(rest, options) ? options["--url"] : "");
        if (!page || !page->isWeb())
            return usage(
                "browser takes --url URL (http or https) [--referrer URL] [--seconds S] [--capture FILE]");
        auto shown = seconds(options["--seconds"]);
        if (!shown) return usage("--seconds takes 0.1 to 600 seconds");
        limit = *shown;
        if (auto problem = picturePathProblem(options, "--capture"); !problem.empty()) return usage(problem);
    } else if (command == "waterfall") {
        options = {{"--unit", ""}, {"--timeout", "30"}, {"--capture", ""}};
        std::vector<std::string> valued;
        for (const auto& arg : rest) {
            if (arg == "--interstitial")
                interstitial = true;
            else
                valued.push_back(arg);
        }
        if (!readOptions(valued, options) || options["--unit"].empty())
            return usage("waterfall takes --unit UNIT [--interstitial] [--timeout S] [--capture FILE]");
        auto timeout = seconds(options["--timeout"]);
        if (!timeout) return usage("--timeout takes 0.1 to 600 seconds");
        limit = *timeout;
        if (auto problem = picturePathProblem(options, "--capture"); !problem.empty()) return usage(problem);
    } else if (command == "reward") {
        options = {{"--unit", ""}, {"--user", ""}, {"--timeout", "30"}, {"--capture", ""}};
        if (!readOptions(rest, options) || options["--unit"].empty())
            return usage("reward takes --unit UNIT [--user ID] [--timeout S] [--capture FILE]");
        auto timeout = seconds(options["--timeout"]);
        if (!timeout) return usage("--timeout takes 0.1 to 600 seconds");
        limit = *timeout;
        if (auto problem = picturePathProblem(options, "--capture"); !problem.empty()) return usage(problem);
    } else if (command == "signin") {
        options = {{"--unit", ""}, {"--timeout", "30"}};
        if (!readOptions(signInValued, options) || options["--unit"].empty())
            return usage("signin takes --unit UNIT [--fake-sign-in] [--allow-tracking] [--timeout S]");
        auto timeout = seconds(options["--timeout"]);
        if (!timeout) return usage("--timeout takes 0.1 to 600 seconds");
        signIn.unit = options["--unit"];
        signIn.timeoutSeconds = *timeout;
    } else if (command == "adview") {
        if (auto problem = parseAdViewOptions(rest, adView); !problem.empty()) return usage(problem);
    } else if (command == "native") {
        if (auto problem = parseNativeOptions(rest, native); !problem.empty()) return usage(problem);
    } else {
        return usage("unknown command " + command);
    }

    // Without a display the engine never starts: the command would only make its results up.
    if (needsDisplay(command)) {
        if (auto problem = displayProblem(); !problem.empty()) {
            std::fprintf(stderr, "tikoleap-adprobe: %s needs a display (%s)\n", command.c_str(),
                         problem.c_str());
            return 1;
        }
    }
    // A server that is down is said so, not taken for one that had no ad.
    if (loadsFromAdServer(command)) {
        const std::string server = DZAdServerBaseURL();
        if (auto reason = adServerUnreachable(server, kServerConnectSeconds); !reason.empty()) {
            std::fprintf(stderr, "tikoleap-adprobe: %s: the ad server %s could not be reached: %s\n",
                         command.c_str(), server.c_str(), reason.c_str());
            return 1;
        }
    }
    nlohmann::json result;
    bool unreachable = false;
    if (command == "params") {
        result = runParams(params, *loop);
    } else if (command == "fetch") {
        result = runFetch(url, *loop, unreachable);
    } else if (command == "core") {
        result = runCoreRequest(options["--unit"], limit, requests, *loop);
    } else if (command == "purchase") {
        result = runPurchase(purchase, *loop);
    } else if (command == "slot") {
        result = runSlot(options["--unit"], limit, *loop);
    } else if (command == "banner") {
        result = runBanner(options["--unit"], limit, options["--snapshot"], *loop, customRendered);
    } else if (command == "browser") {
        result = runBrowser(options["--url"], options["--referrer"], limit, options["--capture"], *loop);
    } else if (command == "waterfall") {
        result = runWaterfall(options["--unit"], interstitial, limit, options["--capture"], *loop);
    } else if (command == "native") {
        result = runNative(native, *loop);
    } else if (command == "reward") {
        const std::string& user = options["--user"];
        result = runReward(options["--unit"], user.empty() ? std::nullopt : std::optional<std::string>(user),
                           limit, options["--capture"], *loop);
    } else if (command == "signin") {
        result = runSignIn(signIn, *loop);
    } else {
        result = runAdView(adView, *loop);
    }
    std::cout << jsonLine(result) << std::endl;
    platform::ui::Application::shared().terminate();
    loop->runUntilIdle();
    platform::RunLoop::setMain(nullptr);
    return unreachable ? 1 : 0;
}
