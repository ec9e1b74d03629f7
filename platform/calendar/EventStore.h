#pragma once
// The user's calendar as the app may reach it. The desktop gives an app no calendar of its own,
// so access is denied here; a test installs a store that answers otherwise. Main thread only.
#include <memory>

namespace platform::calendar {

// The values the ad page protocol counts on: 0 not asked yet, 3 granted.
enum class AuthorizationStatus : int { NotDetermined = 0, Restricted = 1, Denied = 2, Authorized = 3 };

class EventStore {
  public:
    virtual ~EventStore() = default;
    // Whether events may be written to the user's calendar.
    virtual AuthorizationStatus eventAuthorizationStatus() const { return AuthorizationStatus::Denied; }

    // The process's store (the desktop's unless one was installed).
    static EventStore& shared();
    // Installs another store (null: the desktop's again) and returns the one it replaces.
    static std::shared_ptr<EventStore> setShared(std::shared_ptr<EventStore> store);
};

}  // namespace platform::calendar
