// token() on the main thread while the one token request hangs on the in-process server's
// tikoleap-slow-2000: no call may wait for it. Counters: p99Ms of those calls (a call that waited
// would take 2 s), idleP99Ms with no request in flight, and tokenRequests (1): the requests the
// server took, since the dispenser counts one it asked for also when the connection was refused.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "ads/formats/signin/DZFakeSignIn.h"
#include "ads/formats/signin/DZTokenDispenser.h"
#include "benchmarks/BenchHome.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/keychain/KeychainStore.h"
#include "platform/runloop/ManualRunLoop.h"
#include "tools/adserver/AdServer.h"

namespace {

constexpr int kCalls = 1000;

// The component looks the sign-in library up once a process, at the first request of any slot: as
// in an app that links one, it is there from the start, so a benchmark that ran a slot before
// this one leaves it seen.
const auto kSignIn = DZFakeSignIn::registerShared();

// The 99th percentile of kCalls token() calls, in milliseconds.
double p99OfCalls(DZTokenDispenser& dispenser) {
    std::vector<double> ms;
    ms.reserve(kCalls);
    for (int i = 0; i < kCalls; ++i) {
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(dispenser.token());
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[static_cast<std::size_t>(kCalls * 0.99)];
}

void BM_SignedInTokenWhileRequestHangs(benchmark::State& state) {
    platform::AppPaths::setHome(tikoleap::bench::benchHome("signed-in-token"));
    platform::UserDefaults::resetStandard();
    platform::UserDefaults::standard()->setString(kDZEnableSignedInAdsKey, "1");
    auto loop = std::make_shared<platform::ManualRunLoop>();
    auto previousLoop = platform::RunLoop::setMain(loop);
    tikoleap::adserver::AdServer server;
    if (!server.start(0, "")) {
        state.SkipWithError("the ad server did not start");
        return;
    }
    const auto& signIn = kSignIn;
    signIn->setClientID("tikoleap-bench");
    double p99 = 0, idleP99 = 0;
    int requests = 0, round = 0;
    for (auto _ : state) {
        // A user of its own each round, with a cache of its own: the request is always needed.
        signIn->setUser(
            DZFakeSignIn::idTokenFor("https://accounts.tikoleap.test", "bench-" + std::to_string(++round)),
            "tikoleap-slow-2000");
        auto keychain = std::make_shared<platform::KeychainStore>(
            tikoleap::bench::benchHome("signed-in-token") / ("keychain-" + std::to_string(round)));
        auto dispenser = DZTokenDispenser::create(server.baseURL() + "oauth2/v3/token", nullptr, keychain,
                                                  [] { return false; });
        // The kept cache is read and the user known before the calls.
        const auto ready = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (dispenser->tokenRequests() == 0 && std::chrono::steady_clock::now() < ready) {
            loop->runUntilIdle();
            dispenser->token();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        p99 = p99OfCalls(*dispenser);
        if (dispenser->tokenRequests() != 1) {
            state.SkipWithError("the calls had no token request in flight");
            break;
        }
        // Once the answer is in, the calls read the cache.
        const auto answered = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!dispenser->token() && std::chrono::steady_clock::now() < answered)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!dispenser->token()) {
            state.SkipWithError("the token request was not answered");
            break;
        }
        idleP99 = p99OfCalls(*dispenser);
        const auto tokenHits = [&server] {
            std::size_t n = 0;
            for (const auto& hit : server.log())
                n += hit.value("kind", "") == "token" && !hit.contains("refused") ? 1 : 0;
            return n;
        };
        requests = static_cast<int>(tokenHits()) - (round - 1);
        if (requests != 1) {
            state.SkipWithError("the server did not take the round's one token request");
            break;
        }
    }
    state.counters["p99Ms"] = p99;
    state.counters["idleP99Ms"] = idleP99;
    state.counters["tokenRequests"] = requests;
    server.stop();
    platform::RunLoop::setMain(previousLoop);
    platform::UserDefaults::resetStandard();
}

}  // namespace

BENCHMARK(BM_SignedInTokenWhileRequestHangs)->Iterations(1)->Unit(benchmark::kMillisecond);
