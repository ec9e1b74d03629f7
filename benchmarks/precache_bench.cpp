// Precaching the local ad server's 32 MiB file: the throughput from the page's message to
// "precacheComplete", events included, against curl's download of the same file from the same
// server into a file, run in turn with it; and what the download costs the main thread (the
// message, and taking every event the page would get).
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

#include "ads/render/view/DZPrecacheAMSGHandler.h"
#include "benchmarks/BenchHome.h"
#include "platform/runloop/ManualRunLoop.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/PrecacheFile.h"

namespace {

using Clock = std::chrono::steady_clock;
using tikoleap::adserver::PrecacheFile;

// The calling thread's processor time: waiting for bytes costs the main thread nothing.
Clock::duration threadTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// Seconds curl takes for the file into `path`, as curl itself times the transfer (its own start-up
// left out); nothing when curl is missing or fails.
std::optional<double> curlSeconds(const std::string& url, const std::string& path) {
    const std::string command = "curl -sf -o '" + path + "' -w '%{time_total}' '" + url + "' 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (!out) return std::nullopt;
    double seconds = 0;
    const bool read = std::fscanf(out, "%lf", &seconds) == 1;
    const bool ok = pclose(out) == 0 && read && seconds > 0;
    std::remove(path.c_str());
    return ok ? std::optional<double>(seconds) : std::nullopt;
}

void BM_PrecacheFromLoopback(benchmark::State& state) {
    auto loop = std::make_shared<platform::ManualRunLoop>();
    auto previous = platform::RunLoop::setMain(loop);
    tikoleap::adserver::AdServer server;
    if (!server.start(0, "")) {
        platform::RunLoop::setMain(previous);
        return state.SkipWithError("no local ad server");
    }
    const std::string src = server.baseURL() + (PrecacheFile::kWithLengthPath + 1);
    PrecacheFile::content();  // made once, before the clock runs
    const std::string curlFile = (tikoleap::bench::benchHome("precache") / "curl.bin").string();
    Clock::duration mainTime{};
    double seconds = 0;
    double curlTotal = 0;
    bool curlRan = true;
    std::size_t events = 0;
    for (auto _ : state) {
        auto handler = std::make_shared<DZPrecacheAMSGHandler>();
        std::string last;
        std::size_t textBytes = 0;
        // The page's share: each event as the text it would be handed.
        handler->setEventSink([&](const nlohmann::json& info) {
            textBytes += info.dump().size();
            last = info["event"];
            ++events;
        });
        const auto start = Clock::now();
        const auto cpu = threadTime();
        handler->handleNotification(DZNotification::create("precache", {{"src", src}}), nullptr);
        const auto deadline = start + std::chrono::seconds(60);
        while (last != "precacheComplete" && last != "precacheCanceled" && Clock::now() < deadline) {
            loop->runUntilIdle();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        mainTime += threadTime() - cpu;
        const auto took = Clock::now() - start;
        if (last != "precacheComplete") {
            state.SkipWithError(("no precacheComplete: " + last).c_str());
            break;
        }
        seconds += std::chrono::duration<double>(took).count();
        state.SetIterationTime(std::chrono::duration<double>(took).count());
        benchmark::DoNotOptimize(textBytes);
        // The file goes again; its answer is awaited, since it would reach this iteration's sink.
        handler->abort();
        while (last != "precacheCanceled" && Clock::now() < deadline + std::chrono::seconds(10)) {
            loop->runUntilIdle();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const auto curl = curlSeconds(src, curlFile);
        curlRan = curlRan && curl;
        curlTotal += curl.value_or(0);
    }
    if (state.iterations() > 0 && seconds > 0) {
        const double n = static_cast<double>(state.iterations());
        const double bytes = static_cast<double>(PrecacheFile::kBytes) * n;
        state.counters["MB_per_s"] = bytes / seconds / 1e6;
        if (curlRan) {
            state.counters["curl_MB_per_s"] = bytes / curlTotal / 1e6;
            state.counters["ratio_to_curl"] = curlTotal / seconds;
        } else {
            state.SetLabel("no curl figure: curl is missing or failed");
        }
        state.counters["main_ms"] = std::chrono::duration<double, std::milli>(mainTime).count() / n;
        state.counters["events"] = static_cast<double>(events) / n;
    }
    server.stop();
    platform::RunLoop::setMain(previous);
}
BENCHMARK(BM_PrecacheFromLoopback)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
