#pragma once
// A calendar whose authorisation a test sets. A request for access is answered on a thread of
// its own, as the user's answer would be, granting or refusing as set.
#include <thread>
#include <vector>

#include "platform/calendar/EventStore.h"

namespace platform::calendar {

class FakeEventStore : public EventStore {
  public:
    explicit FakeEventStore(AuthorizationStatus status) : status_(status) {}
    AuthorizationStatus eventAuthorizationStatus() const override { return status_; }
    ~FakeEventStore() override {
        for (auto& answer : answers_) answer.join();
    }
    void setStatus(AuthorizationStatus status) { status_ = status; }
    void setGrantsAccess(bool grants) { grants_ = grants; }
    void requestAccessToEvents(std::function<void(bool granted)> completion) override {
        answers_.emplace_back(
            [completion = std::move(completion), granted = grants_] { completion(granted); });
    }
    void reset() override { ++resets; }
    bool saveEvent(const Event& event) override {
        saved.push_back(event);
        return true;
    }

    int resets = 0;
    std::vector<Event> saved;

  private:
    AuthorizationStatus status_;
    bool grants_ = false;
    std::vector<std::thread> answers_;
};

}  // namespace platform::calendar
