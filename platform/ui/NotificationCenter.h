#pragma once
// Broadcast of named notifications to observers on the main thread. Observers may add or
// remove observers (themselves included) while a notification is being delivered.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::ui {

struct Notification {
    std::string name;
    const void* object = nullptr;
};

// Names of the application's life-cycle notifications.
inline constexpr const char* kApplicationWillResignActiveNotification =
    "ApplicationWillResignActiveNotification";
inline constexpr const char* kApplicationDidEnterBackgroundNotification =
    "ApplicationDidEnterBackgroundNotification";
inline constexpr const char* kApplicationWillEnterForegroundNotification =
    "ApplicationWillEnterForegroundNotification";
inline constexpr const char* kApplicationDidBecomeActiveNotification =
    "ApplicationDidBecomeActiveNotification";

class NotificationCenter {
  public:
    using Handler = std::function<void(const Notification&)>;
    using Token = std::uint64_t;

    // `owner` groups observers for removeObserversOf (may be null).
    Token addObserver(const std::string& name, Handler handler, const void* owner = nullptr);
    void removeObserver(Token token);
    void removeObserversOf(const void* owner);
    std::size_t observerCount(const std::string& name) const;
    // Calls the observers of `name` in the order they were added.
    void post(const std::string& name, const void* object = nullptr);

    static NotificationCenter& defaultCenter();

  private:
    struct Observer {
        Token token;
        std::string name;
        Handler handler;
        const void* owner;
    };
    std::vector<Observer> observers_;
    Token next_ = 1;
};

}  // namespace platform::ui
