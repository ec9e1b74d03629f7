#pragma once
// The platform's notice centre: broadcast of named notifications to observers. Observers may be
// added and removed from any thread; a handler runs on the thread that posts (the application
// posts its life-cycle notices on the main thread). Handlers run without the centre's lock held,
// so they may add or remove observers (themselves included) and post again. An observer removed
// on another thread while a post is under way may still get that one notice.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace platform::ui {

struct Notification {
    std::string name;
    const void* object = nullptr;
};

// Names of the application's life-cycle notifications.
inline constexpr const char* kApplicationDidFinishLaunchingNotification =
    "ApplicationDidFinishLaunchingNotification";
inline constexpr const char* kApplicationWillResignActiveNotification =
    "ApplicationWillResignActiveNotification";
inline constexpr const char* kApplicationDidEnterBackgroundNotification =
    "ApplicationDidEnterBackgroundNotification";
inline constexpr const char* kApplicationWillEnterForegroundNotification =
    "ApplicationWillEnterForegroundNotification";
inline constexpr const char* kApplicationDidBecomeActiveNotification =
    "ApplicationDidBecomeActiveNotification";
inline constexpr const char* kApplicationWillTerminateNotification = "ApplicationWillTerminateNotification";
inline constexpr const char* kApplicationDidChangeStatusBarOrientationNotification =
    "ApplicationDidChangeStatusBarOrientationNotification";
inline constexpr const char* kApplicationDidReceiveMemoryWarningNotification =
    "ApplicationDidReceiveMemoryWarningNotification";

class NotificationCenter {
  public:
    using Handler = std::function<void(const Notification&)>;
    using Token = std::uint64_t;

    // `owner` groups observers for removeObserversOf (may be null).
    Token addObserver(const std::string& name, Handler handler, const void* owner = nullptr);
    void removeObserver(Token token);
    void removeObserversOf(const void* owner);
    std::size_t observerCount(const std::string& name) const;
    // Calls the observers of `name` in the order they were added, on the calling thread.
    void post(const std::string& name, const void* object = nullptr);

    static NotificationCenter& defaultCenter();

  private:
    struct Observer {
        Token token;
        std::string name;
        Handler handler;
        const void* owner;
    };
    // Observers come and go on any thread while another thread posts.
    mutable std::mutex mutex_;
    std::vector<Observer> observers_;
    Token next_ = 1;
};

}  // namespace platform::ui
