#include "platform/http/HostLookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/http/HttpUrl.h"

namespace platform {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<HostLookup>> lookups;
    std::map<std::string, std::string> overrides;
    std::atomic<bool> anyOverride{false};
};

// Never destroyed: a lookup's thread may still be running at exit.
Registry& registry() {
    static auto* shared = new Registry();
    return *shared;
}

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

std::optional<std::vector<std::string>> resolve(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int failed = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (failed == EAI_NONAME || failed == EAI_NODATA) return std::vector<std::string>();
    if (failed != 0) return std::nullopt;
    std::vector<std::string> addresses;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        char text[INET6_ADDRSTRLEN] = {};
        const void* address = nullptr;
        if (entry->ai_family == AF_INET) {
            address = &reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr;
        } else if (entry->ai_family == AF_INET6) {
            address = &reinterpret_cast<const sockaddr_in6*>(entry->ai_addr)->sin6_addr;
        }
        if (!address || !inet_ntop(entry->ai_family, address, text, sizeof text)) continue;
        if (std::find(addresses.begin(), addresses.end(), text) == addresses.end())
            addresses.emplace_back(text);
    }
    ::freeaddrinfo(found);
    return addresses;
}

}  // namespace

std::shared_ptr<HostLookup> HostLookup::of(const std::string& host) {
    const std::string name = lowered(host);
    auto lookup = std::make_shared<HostLookup>();
    if (auto address = overrideFor(name)) {
        lookup->finish(std::vector<std::string>{*address});
        return lookup;
    }
    if (isReservedInvalidHost(name)) {
        lookup->finish(std::vector<std::string>());
        return lookup;
    }
    auto& shared = registry();
    {
        std::lock_guard lock(shared.mutex);
        const auto now = std::chrono::steady_clock::now();
        // One still in flight stays, so that a name server that is not answering has one
        // thread waiting on it, not one more each time.
        std::erase_if(shared.lookups, [&](const auto& entry) {
            return entry.second->finished() &&
                   now - entry.second->started_ > std::chrono::duration<double>(kKeepSeconds);
        });
        if (const auto known = shared.lookups.find(name); known != shared.lookups.end()) return known->second;
        const auto inFlight = std::count_if(shared.lookups.begin(), shared.lookups.end(),
                                            [](const auto& entry) { return !entry.second->finished(); });
        if (static_cast<std::size_t>(inFlight) >= kMaxInFlight) {
            lookup->finish(std::nullopt);
            return lookup;
        }
        shared.lookups.emplace(name, lookup);
    }
    try {
        std::thread([lookup, name] { lookup->finish(resolve(name)); }).detach();
    } catch (const std::system_error&) {
        lookup->finish(std::nullopt);
    }
    return lookup;
}

void HostLookup::finish(std::optional<std::vector<std::string>> answer) {
    std::lock_guard lock(mutex_);
    answer_ = std::move(answer);
    finished_ = true;
    answered_.notify_all();
}

bool HostLookup::finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

std::optional<std::vector<std::string>> HostLookup::addresses(std::chrono::milliseconds wait) const {
    std::unique_lock lock(mutex_);
    if (!answered_.wait_until(lock, started_ + wait, [this] { return finished_; })) return std::nullopt;
    return answer_;
}

void HostLookup::overrideForTesting(const std::string& name, const std::string& address) {
    auto& shared = registry();
    std::lock_guard lock(shared.mutex);
    shared.overrides[lowered(name)] = address;
    shared.anyOverride = true;
}

void HostLookup::clearOverridesForTesting() {
    auto& shared = registry();
    std::lock_guard lock(shared.mutex);
    shared.overrides.clear();
    shared.anyOverride = false;
}

std::optional<std::string> HostLookup::overrideFor(const std::string& name) {
    auto& shared = registry();
    if (!shared.anyOverride) return std::nullopt;
    std::lock_guard lock(shared.mutex);
    const auto found = shared.overrides.find(lowered(name));
    if (found == shared.overrides.end()) return std::nullopt;
    return found->second;
}

}  // namespace platform
