#pragma once
// Where latency reports go and whether this process sends any: the service name and version
// they carry, the report server, and the sampling decision.
//
// The server defaults to the environment's TIKOLEAP_CSI_URL, else an address under the reserved
// ".invalid" domain, so that nothing reaches a real server by accident.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class DZCSIConfiguration {
  public:
    static std::shared_ptr<DZCSIConfiguration> initWithServiceName(const std::string& serviceName);
    static std::string defaultServer();

    // Reports with probability p: a random integer in 0..999 below p × 1000.
    void setReportingProbability(float probability);
    // "ReriveCsi/1.0 (<device>; U; CPU <system> <version with _>; <locale>) <bundle name>/<version>",
    // built once.
    std::string userAgent();
    // The machine name with "/" before its first digit and "," as "."; "Unknown" without one.
    static std::string deviceVersionString();
    static std::string deviceVersionStringForMachine(const std::string& machine);

    bool reportingEnabled() const;
    void setReportingEnabled(bool enabled);
    std::string server() const;
    void setServer(const std::string& server);
    const std::string& serviceName() const { return serviceName_; }
    int32_t version() const { return version_; }

  private:
    explicit DZCSIConfiguration(std::string serviceName);

    // Shared through the latency hub, which any thread may use (see DZCSI).
    mutable std::mutex mutex_;
    std::optional<std::string> cachedUserAgentString_;
    bool reportingEnabled_ = true;
    std::string server_;
    const std::string serviceName_;
    const int32_t version_ = 3;
};
