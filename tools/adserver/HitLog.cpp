#include "tools/adserver/HitLog.h"

#include <algorithm>
#include <cstdio>

namespace tikoleap::adserver {

bool HitLog::open(const std::string& path, std::string* error) {
    file_.open(path, std::ios::app);
    if (!file_) {
        if (error) *error = "cannot open the log file " + path;
        return false;
    }
    return true;
}

void HitLog::add(nlohmann::json hit) {
    {
        std::lock_guard lock(mutex_);
        hit["seq"] = ++seq_;
        // Bytes that are not UTF-8 (a hostile client's) are written replaced, never refused.
        const std::string line = hit.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
        if (file_.is_open() && !fileFull_) {
            if (fileBytes_ + line.size() > limits_.maxFileBytes) {
                fileFull_ = true;
                std::fprintf(
                    stderr, "tikoleap-adserver: the log file has had %zu bytes: later hits are not written\n",
                    fileBytes_);
            } else {
                file_ << line;
                file_.flush();
                fileBytes_ += line.size();
            }
        }
        kept_.push_back({std::move(hit), line.size()});
        keptBytes_ += line.size();
        while (kept_.size() > limits_.maxHits || (keptBytes_ > limits_.maxKeptBytes && kept_.size() > 1)) {
            keptBytes_ -= kept_.front().bytes;
            kept_.pop_front();
        }
    }
    changed_.notify_all();
}

std::vector<nlohmann::json> HitLog::hits() const {
    std::lock_guard lock(mutex_);
    std::vector<nlohmann::json> out;
    out.reserve(kept_.size());
    for (const auto& kept : kept_) out.push_back(kept.hit);
    return out;
}

bool HitLog::waitForKind(const std::string& kind, std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return static_cast<std::size_t>(std::count_if(kept_.begin(), kept_.end(), [&](const Kept& kept) {
                   return kept.hit.value("kind", std::string()) == kind;
               })) >= n;
    });
}

}  // namespace tikoleap::adserver
