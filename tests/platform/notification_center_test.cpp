// The notice centre from several threads, and the application's launch, memory-warning and
// termination notices.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/Application.h"
#include "platform/ui/MemoryWarningMonitor.h"
#include "platform/ui/NotificationCenter.h"

using namespace platform::ui;

TEST(NotificationCenterThreads, ObserversComeAndGoOnOtherThreadsWhilePostsRun) {
    NotificationCenter center;
    std::atomic<int> calls{0};
    center.addObserver("n", [&](const Notification&) { ++calls; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                auto token = center.addObserver("n", [&](const Notification&) { ++calls; });
                center.removeObserver(token);
            }
            center.addObserver("n", [&](const Notification&) { ++calls; });
        });
    }
    for (int i = 0; i < 200; ++i) center.post("n");
    for (auto& t : threads) t.join();
    EXPECT_GE(calls.load(), 200);
    EXPECT_EQ(center.observerCount("n"), 5u);
    calls = 0;
    center.post("n");
    EXPECT_EQ(calls.load(), 5);
}

TEST(ApplicationNotices, LaunchMemoryWarningAndTerminationArePostedOnce) {
    NotificationCenter center;
    Application app(center);
    std::vector<std::string> posted;
    for (const char* name :
         {kApplicationDidFinishLaunchingNotification, kApplicationDidBecomeActiveNotification,
          kApplicationDidReceiveMemoryWarningNotification, kApplicationWillTerminateNotification}) {
        center.addObserver(name, [&](const Notification& n) { posted.push_back(n.name); });
    }
    app.finishLaunching();
    app.finishLaunching();
    app.receiveMemoryWarning();
    EXPECT_FALSE(app.isTerminating());
    app.terminate();
    app.terminate();
    EXPECT_TRUE(app.isTerminating());
    EXPECT_EQ(posted,
              (std::vector<std::string>{
                  kApplicationDidFinishLaunchingNotification, kApplicationDidBecomeActiveNotification,
                  kApplicationDidReceiveMemoryWarningNotification, kApplicationWillTerminateNotification}));
}

TEST(ApplicationNotices, TheMemoryMonitorComesAndGoesWhetherOrNotTheSystemHasOne) {
    NotificationCenter center;
    Application app(center);
    int warnings = 0;
    center.addObserver(kApplicationDidReceiveMemoryWarningNotification,
                       [&](const Notification&) { ++warnings; });
    {
        MemoryWarningMonitor monitor(app);
        (void)monitor.available();
    }
    EXPECT_EQ(warnings, 0);  // no warning is made up
}
