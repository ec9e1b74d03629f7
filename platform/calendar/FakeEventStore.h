#pragma once
// A calendar whose authorisation a test sets.
#include "platform/calendar/EventStore.h"

namespace platform::calendar {

class FakeEventStore : public EventStore {
  public:
    explicit FakeEventStore(AuthorizationStatus status) : status_(status) {}
    AuthorizationStatus eventAuthorizationStatus() const override { return status_; }
    void setStatus(AuthorizationStatus status) { status_ = status; }

  private:
    AuthorizationStatus status_;
};

}  // namespace platform::calendar
