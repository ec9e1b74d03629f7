// Prints, as one JSON object, the parameters of one ad request of a banner slot as far as the ad
// foundation provides them: the adapters present, the device part, the SDK version, the network
// type, an optional publisher location, and the quality signals (this request's process
// statistics, the slots' statistics, the statistics of earlier ads). The request layer adds its
// own keys (sizes, formats, targeting) to this.
//
//   tikoleap-adparams [--home DIR] [--resources DIR] [--slot AD_UNIT] [--location LAT,LONG,ACCURACY]
//                     [--requests N]
//
// --requests N makes N requests of the slot and prints the last one's parameters (so that the
// sequence number and the request count can be seen to move); an earlier ad's click is recorded
// between them, so its statistics travel with the next request.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZLocation.h"
#include "ads/foundation/DZNetwork.h"
#include "ads/foundation/DZSDKVersion.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/MainBundle.h"
#include "platform/plist/PlistFile.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Application.h"

namespace {

int usage(const char* why) {
    std::fprintf(
        stderr,
        "tikoleap-adparams: %s\nusage: tikoleap-adparams [--home DIR] [--resources DIR] [--slot AD_UNIT] "
        "[--location LAT,LONG,ACCURACY] [--requests N]\n",
        why);
    return 2;
}

// One request's parameters, in the order the request and the slot put them together.
nlohmann::json requestParameters(DZApplication& app, DZDevice& device, const std::string& slotID,
                                 const std::optional<DZLocation>& location) {
    nlohmann::json p = nlohmann::json::object();
    if (auto adapters = app.availableAdapterNames()) p["adapters"] = *adapters;
    p.update(device.parameters());
    p["js"] = kDZSDKVersion;
    if (auto net = device.network()->networkTypeString()) p["net"] = *net;
    if (auto last = device.network()->lastKnownNetworkTypeString()) p["net_last"] = *last;
    if (location) {
        if (auto uule = location->dictionaryRepresentation()) p["uule"] = *uule;
    }
    const nlohmann::json appStatistics = app.nextRequestStatisticsDictionaryForSlot(false);
    const auto pending = app.pendingAdStatistics();
    nlohmann::json signals = nlohmann::json::object();
    if (!appStatistics.empty()) signals["app"] = appStatistics;
    if (auto slots = app.slotStatisticsDictionary(); !slots.empty()) signals["slots"] = slots;
    nlohmann::json ads = nlohmann::json::array();
    for (const auto& ad : pending) ads.push_back(ad->dictionary());
    if (!ads.empty()) signals["ads"] = ads;
    if (!signals.empty()) p["quality_signals"] = signals;
    if (!slotID.empty()) p["slotname"] = slotID;
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    std::string resources = TIKOLEAP_RESOURCES_DIR;
    std::string slotID = "example-ad-unit";
    std::optional<DZLocation> location;
    int requests = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return usage(("missing value for " + arg).c_str());
        const std::string value = argv[++i];
        if (arg == "--home") {
            platform::AppPaths::setHome(value);
        } else if (arg == "--resources") {
            resources = value;
        } else if (arg == "--slot") {
            slotID = value;
        } else if (arg == "--location") {
            float lat = 0, lon = 0, acc = 0;
            if (std::sscanf(value.c_str(), "%f,%f,%f", &lat, &lon, &acc) != 3) return usage("bad --location");
            location = DZLocation::initWithLatitude(lat, lon, acc);
            if (!location) return usage("--location is not a precise location");
        } else if (arg == "--requests") {
            requests = std::atoi(value.c_str());
            if (requests < 1 || requests > 1000) return usage("--requests must be 1 to 1000");
        } else {
            return usage(("unknown option " + arg).c_str());
        }
    }

    // Headless: a virtual-clock main loop, the bundle information of the build.
    auto loop = std::make_shared<platform::ManualRunLoop>();
    platform::RunLoop::setMain(loop);
    if (auto info = platform::readPlistDictionaryFile(resources + "/Info.plist"))
        platform::MainBundle::setInfoDictionary(*info);

    auto app = DZApplication::sharedInstance();
    auto device = DZDevice::sharedInstance();
    platform::ui::Application::shared().finishLaunching();  // starts the component
    loop->runUntilIdle();

    nlohmann::json parameters;
    for (int i = 0; i < requests; ++i) {
        parameters = requestParameters(*app, *device, slotID, location);
        // The ad of this request is clicked: its statistics go with the next request.
        auto ad = DZStatisticDictionary::initWithDelegate(app);
        ad->incrementNumberForKey("pcc", true);
        ad->didFinishModifying();
        app->incrementTotalAdClickCount();
        loop->advance(1.0);
    }
    std::cout << parameters.dump(2) << std::endl;
    platform::ui::Application::shared().terminate();
    platform::RunLoop::setMain(nullptr);
    return 0;
}
