// The local ad server, alone: `tikoleap-adserver [--port N] [--log FILE] [--rotate-banner]
// [--banner-unit UNIT] [--interstitial-unit UNIT] [--refresh-interval S]`.
// Prints its base URL as one line once it listens and serves until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/adserver/AdServer.h"

namespace {

const char* const kUsage =
    "usage: tikoleap-adserver [--port N] [--log FILE] [--rotate-banner] [--banner-unit UNIT]\n"
    "                         [--interstitial-unit UNIT] [--refresh-interval S]\n"
    "Serves the game's ads on 127.0.0.1:N (0 or none: a free port) until SIGINT or SIGTERM, and\n"
    "prints its base URL once it listens. A port another server holds is refused.\n";

int usage(const std::string& why) {
    std::fprintf(stderr, "tikoleap-adserver: %s\n%s", why.c_str(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int port = 0;
    std::string logPath;
    bool rotateBanner = false;
    std::string bannerUnit = tikoleap::adserver::AdServer::kRotatingUnit;
    std::string interstitialUnit = "tikoleap-interstitial";
    long refreshInterval = 60;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--rotate-banner") {
            rotateBanner = true;
            continue;
        }
        if (arg != "--port" && arg != "--refresh-interval" && arg != "--log" && arg != "--banner-unit" &&
            arg != "--interstitial-unit")
            return usage("unknown option " + arg);
        if (i + 1 >= argc) return usage("missing value for " + arg);
        const std::string value = argv[++i];
        if (arg == "--port") {
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || n < 0 || n > 65535) return usage("--port must be 0 to 65535");
            port = static_cast<int>(n);
        } else if (arg == "--refresh-interval") {
            using tikoleap::adserver::AdServer;
            char* end = nullptr;
            refreshInterval = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end || refreshInterval < AdServer::kMinRefreshInterval ||
                refreshInterval > AdServer::kMaxRefreshInterval)
                return usage("--refresh-interval must be a whole number of seconds from " +
                             std::to_string(AdServer::kMinRefreshInterval) + " to " +
                             std::to_string(AdServer::kMaxRefreshInterval));
        } else if (arg == "--log") {
            logPath = value;
        } else {
            if (!tikoleap::adserver::AdServer::isUnitName(value))
                return usage(arg + " takes lower-case letters, digits and '-', at most 64");
            (arg == "--banner-unit" ? bannerUnit : interstitialUnit) = value;
        }
    }

    // The signals are taken by sigwait below, never by a handler: the server's threads inherit
    // the blocked mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    tikoleap::adserver::AdServer server;
    server.setRotateBanner(rotateBanner);
    server.setAnnouncedUnits(bannerUnit, interstitialUnit);
    server.setRefreshInterval(static_cast<int>(refreshInterval));
    std::string error;
    if (!server.start(port, logPath, &error)) {
        std::fprintf(stderr, "tikoleap-adserver: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", server.baseURL().c_str());
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    server.stop();
    return 0;
}
