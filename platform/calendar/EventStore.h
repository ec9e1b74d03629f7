#pragma once
// The user's calendar as the app may reach it. The desktop gives an app no calendar of its own,
// so access is denied here; a test installs a store that answers otherwise. Main thread only.
#include <functional>
#include <memory>

#include "platform/calendar/Event.h"

namespace platform::calendar {

// The values the ad page protocol counts on: 0 not asked yet, 3 granted.
enum class AuthorizationStatus : int { NotDetermined = 0, Restricted = 1, Denied = 2, Authorized = 3 };

class EventStore {
  public:
    virtual ~EventStore() = default;
    // Whether events may be written to the user's calendar.
    virtual AuthorizationStatus eventAuthorizationStatus() const { return AuthorizationStatus::Denied; }
    // Asks the user; the answer may come on any thread, and comes once.
    virtual void requestAccessToEvents(std::function<void(bool granted)> completion) { completion(false); }
    // Forgets what it read before access was granted.
    virtual void reset() {}
    // False when the event could not be written.
    virtual bool saveEvent(const Event&) { return false; }

    // The process's store (the desktop's unless one was installed).
    static EventStore& shared();
    static std::shared_ptr<EventStore> sharedStore();
    // Installs another store (null: the desktop's again) and returns the one it replaces.
    static std::shared_ptr<EventStore> setShared(std::shared_ptr<EventStore> store);
};

}  // namespace platform::calendar
