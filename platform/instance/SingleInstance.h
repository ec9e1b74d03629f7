#pragma once
// One running window per user session: the first process registers the application's id on the
// session bus (GApplication over D-Bus) and becomes the primary instance; a later process finds
// it there and hands its URLs over instead of opening a second window. Without a session bus
// every process is its own primary instance and handles its URLs itself.
//
// The primary instance receives handed-over URLs on the GLib main context, so the production run
// loop delivers them on the main thread.
#include <functional>
#include <memory>
#include <string>
#include <vector>

typedef struct _GApplication GApplication;

namespace platform {

class SingleInstance {
  public:
    // Registers `appId` (a D-Bus name such as "org.example.App"). Null, with the reason in
    // `error`, when the id is invalid or registration failed outright.
    static std::unique_ptr<SingleInstance> create(const std::string& appId, std::string* error = nullptr);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Another process is the primary instance: hand URLs to it and end.
    bool isRemote() const;
    // Whether the registration reached a session bus (false: this process stands alone).
    bool hasSessionBus() const;

    // Remote: delivers the URLs to the primary instance (or only asks it to come forward when
    // there are none); returns once the message has left. False with a reason on failure.
    bool handOver(const std::vector<std::string>& urls, std::string* error = nullptr);

    // Primary: what arrives from other processes. Each URL is given as it was sent; URLs that
    // came before a handler was set are given to it when it is set. `activate` hears a plain
    // second launch (no URL).
    void setOpenHandler(std::function<void(const std::string& url)> handler);
    void setActivateHandler(std::function<void()> handler) { activate_ = std::move(handler); }

  private:
    SingleInstance() = default;
    static void onOpen(GApplication* app, void* files, int count, const char* hint, void* self);
    static void onActivate(GApplication* app, void* self);

    GApplication* app_ = nullptr;
    std::function<void(const std::string&)> open_;
    std::function<void()> activate_;
    std::vector<std::string> early_;
};

}  // namespace platform
