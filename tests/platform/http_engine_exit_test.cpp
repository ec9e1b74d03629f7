// An ending process does not wait for a host name lookup: a load given up while its host name is
// looked up (seconds with a slow name server) lets the process end at once. The lookup is made
// slow here by standing in for the C library's getaddrinfo for one host name.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <netdb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/http/HttpEngine.h"
#include "support/ChildProcess.h"

namespace {
constexpr const char* kSlowHostVariable = "TIKOLEAP_TEST_SLOW_HOST";
constexpr auto kLookupTime = std::chrono::seconds(4);
}  // namespace

extern "C" int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                           struct addrinfo** res) {
    using Real = int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getaddrinfo"));
    const char* slow = std::getenv(kSlowHostVariable);
    if (slow != nullptr && node != nullptr && std::strcmp(node, slow) == 0)
        std::this_thread::sleep_for(kLookupTime);
    return real(node, service, hints, res);
}

TEST(HttpEngineExit, DISABLED_ALoadGivenUpDuringItsLookup) {
    platform::HttpRequest request;
    const std::string url = std::string("http://") + std::getenv(kSlowHostVariable) + "/announce";
    auto& engine = platform::HttpEngine::shared();
    const auto ticket = engine.submit(request, url, "GET", "", [](platform::HttpHopResult&&) {});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the lookup is under way
    engine.cancel(ticket);
}

TEST(HttpEngineExit, TheProcessEndsWithoutWaitingForALookup) {
    const auto start = std::chrono::steady_clock::now();
    const auto child = tikoleap::test::runTestInChild("HttpEngineExit.DISABLED_ALoadGivenUpDuringItsLookup",
                                                      {{kSlowHostVariable, "slow-lookup.test"}});
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(child.exited);
    EXPECT_EQ(child.code, 0);
    EXPECT_LT(took, kLookupTime / 2) << "the ending process waited for the host name lookup";
}
