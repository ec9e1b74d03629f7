#pragma once
// A store whose loads succeed or fail as the test says: at once (on the next main-loop turn), or
// when the test releases them.
#include <string>
#include <utility>
#include <vector>

#include "platform/dispatch/DispatchQueue.h"
#include "platform/store/StoreBackend.h"

namespace platform::store {

class FakeStoreBackend : public StoreBackend {
  public:
    void setSucceeds(bool succeeds) { succeeds_ = succeeds; }
    // While held, loads wait for finishPending().
    void setHolds(bool holds) { holds_ = holds; }

    void loadProduct(const std::string& itemIdentifier, Completion completion) override {
        requested_.push_back(itemIdentifier);
        if (holds_) {
            pending_.push_back(std::move(completion));
            return;
        }
        answer(std::move(completion));
    }
    // Answers every held load with the current outcome.
    void finishPending() {
        auto pending = std::move(pending_);
        pending_.clear();
        for (auto& completion : pending) answer(std::move(completion));
    }
    const std::vector<std::string>& requested() const { return requested_; }
    std::size_t pendingCount() const { return pending_.size(); }

  private:
    void answer(Completion completion) {
        const bool loaded = succeeds_;
        DispatchQueue::main()->async([completion = std::move(completion), loaded] {
            completion(loaded, loaded ? "" : "The fake store failed the load");
        });
    }

    bool succeeds_ = true;
    bool holds_ = false;
    std::vector<std::string> requested_;
    std::vector<Completion> pending_;
};

}  // namespace platform::store
