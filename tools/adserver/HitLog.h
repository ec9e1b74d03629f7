#pragma once
// The hits a local ad server has had, kept within bounds: in memory the newest ones (at most
// maxHits, and maxKeptBytes as JSON text), and in the log file, when there is one, each hit as one
// JSON line until the file has had maxFileBytes in this run.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace tikoleap::adserver {

class HitLog {
  public:
    struct Limits {
        std::size_t maxHits = 50000;
        std::size_t maxKeptBytes = std::size_t{16} << 20;
        std::size_t maxFileBytes = std::size_t{256} << 20;
    };

    HitLog() = default;
    explicit HitLog(Limits limits) : limits_(limits) {}

    // Appends to the file at path; false, with the reason, when it cannot be opened.
    bool open(const std::string& path, std::string* error);
    // Numbers the hit ("seq", counting every hit, kept or not) and keeps it.
    void add(nlohmann::json hit);
    // The kept hits, oldest first.
    std::vector<nlohmann::json> hits() const;
    // Waits (real time) until at least n kept hits have the kind; false on time-out.
    bool waitForKind(const std::string& kind, std::size_t n, std::chrono::milliseconds timeout) const;

  private:
    struct Kept {
        nlohmann::json hit;
        std::size_t bytes;
    };

    Limits limits_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<Kept> kept_;
    std::size_t keptBytes_ = 0;
    std::size_t seq_ = 0;
    std::ofstream file_;
    std::size_t fileBytes_ = 0;
    bool fileFull_ = false;
};

}  // namespace tikoleap::adserver
