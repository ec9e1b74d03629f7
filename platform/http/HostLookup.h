#pragma once
// A host name's addresses as the system's resolver gives them, looked up on a thread of its own:
// whoever asks waits only as long as they choose, and a name server that never answers holds no
// one. A lookup serves every asker of the same name until it has been answered kKeepSeconds
// after it started, and at most kMaxInFlight names are looked up at once. Any thread.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class HostLookup {
  public:
    static constexpr std::size_t kMaxInFlight = 8;
    static constexpr double kKeepSeconds = 60;

    // The lookup of `host` (a name as the URL parser gives it, case aside): the one still in
    // flight or started within kKeepSeconds, or a new one. With kMaxInFlight names in flight
    // already, one that never answers. A name under .invalid has no address, and nobody is asked.
    static std::shared_ptr<HostLookup> of(const std::string& host);

    // The addresses in their written form ("127.0.0.1", "::1"; none when the name has none), or
    // nullopt when no answer came within `wait` of the lookup's start (or the resolver failed):
    // askers after that do not wait again for a name server that is not answering.
    std::optional<std::vector<std::string>> addresses(std::chrono::milliseconds wait) const;

    // Tests only: `name` has `address` alone, with no name server asked, for these lookups and
    // for every transfer of the HTTP engine alike (so a test has a second name for the loopback
    // server). The overrides stay until cleared.
    static void overrideForTesting(const std::string& name, const std::string& address);
    static void clearOverridesForTesting();
    // The address a test gave `name`; nullopt for every other name, and always outside tests.
    static std::optional<std::string> overrideFor(const std::string& name);

    HostLookup() = default;
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

  private:
    void finish(std::optional<std::vector<std::string>> answer);
    bool finished() const;

    mutable std::mutex mutex_;
    mutable std::condition_variable answered_;
    bool finished_ = false;
    std::optional<std::vector<std::string>> answer_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace platform
