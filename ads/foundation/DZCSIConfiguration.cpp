#include "ads/foundation/DZCSIConfiguration.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <random>

#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZServerOverride.h"
#include "platform/defaults/MainBundle.h"
#include "platform/foundation/SystemVersion.h"

DZCSIConfiguration::DZCSIConfiguration(std::string serviceName)
    : server_(defaultServer()), serviceName_(std::move(serviceName)) {}

std::shared_ptr<DZCSIConfiguration> DZCSIConfiguration::initWithServiceName(const std::string& serviceName) {
    return std::shared_ptr<DZCSIConfiguration>(new DZCSIConfiguration(serviceName));
}

std::string DZCSIConfiguration::defaultServer() {
    if (const char* url = std::getenv("TIKOLEAP_CSI_URL"); url && *url) return url;
    if (auto server = dz_adServerOverride()) {
        while (!server->empty() && server->back() == '/') server->pop_back();
        return *server + "/csi";
    }
    return "https://csi.rerive.invalid/csi";
}

void DZCSIConfiguration::setReportingProbability(float probability) {
    std::random_device device;
    const unsigned draw = std::uniform_int_distribution<unsigned>(0, 999)(device);
    const float scaled = probability * 1000.0f;
    const unsigned threshold = scaled > 0 ? static_cast<unsigned>(std::min(scaled, 1000.0f)) : 0;
    setReportingEnabled(draw < threshold);
}

std::string DZCSIConfiguration::deviceVersionStringForMachine(const std::string& machine) {
    if (machine.empty()) return "Unknown";
    std::string text = machine;
    std::replace(text.begin(), text.end(), ',', '.');
    auto digit = std::find_if(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
    if (digit != text.end()) text.insert(digit, '/');
    return text;
}

std::string DZCSIConfiguration::deviceVersionString() {
    if (DZDevice::isSimulator()) return "Simulator";
    return deviceVersionStringForMachine(DZDevice::deviceSubmodel());
}

std::string DZCSIConfiguration::userAgent() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!cachedUserAgentString_) {
        std::string version(platform::kSystemVersion);
        std::replace(version.begin(), version.end(), '.', '_');
        const std::string locale = DZDevice::locale().value_or("C");
        cachedUserAgentString_ = "ReriveCsi/1.0 (" + deviceVersionString() + "; U; CPU Linux " + version +
                                 "; " + locale + ") " +
                                 platform::MainBundle::stringForInfoKey("CFBundleName").value_or("") + "/" +
                                 platform::MainBundle::stringForInfoKey("CFBundleVersion").value_or("");
    }
    return *cachedUserAgentString_;
}

bool DZCSIConfiguration::reportingEnabled() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return reportingEnabled_;
}

void DZCSIConfiguration::setReportingEnabled(bool enabled) {
    std::lock_guard<std::mutex> lock(mutex_);
    reportingEnabled_ = enabled;
}

std::string DZCSIConfiguration::server() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return server_;
}

void DZCSIConfiguration::setServer(const std::string& server) {
    std::lock_guard<std::mutex> lock(mutex_);
    server_ = server;
}
