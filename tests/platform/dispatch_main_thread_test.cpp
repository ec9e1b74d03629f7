// The main-thread check agrees with the installed main loop (whichever thread made it), falls
// back to the process's first thread without one, and reports a call from any other thread.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch/MainThread.h"
#include "platform/runloop/ManualRunLoop.h"

using platform::ManualRunLoop;
using platform::RunLoop;

namespace {

std::vector<std::string> violations;

void countViolation(const char* function) {
    violations.emplace_back(function);
}

bool onOtherThread(const std::function<bool()>& fn) {
    bool result = false;
    std::thread([&] { result = fn(); }).join();
    return result;
}

class MainThreadCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previousLoop_ = RunLoop::setMain(nullptr);
        previousHandler_ = platform::setThreadViolationHandler(&countViolation);
        violations.clear();
    }
    void TearDown() override {
        platform::setThreadViolationHandler(previousHandler_);
        RunLoop::setMain(previousLoop_);
    }

    std::shared_ptr<RunLoop> previousLoop_;
    platform::ThreadViolationHandler previousHandler_ = nullptr;
};

void touchFromMainOnly() {
    ASSERT_MAIN_THREAD();
}

}  // namespace

TEST_F(MainThreadCheckTest, FollowsTheInstalledLoopsThreadAndTheFirstThreadWithoutOne) {
    EXPECT_TRUE(platform::isMainThread());
    EXPECT_FALSE(onOtherThread([] { return platform::isMainThread(); }));

    // A loop made and installed on another thread makes that thread the main one.
    std::shared_ptr<ManualRunLoop> loop;
    std::thread([&] {
        loop = std::make_shared<ManualRunLoop>();
        RunLoop::setMain(loop);
    }).join();
    EXPECT_FALSE(platform::isMainThread());

    RunLoop::setMain(std::make_shared<ManualRunLoop>());
    EXPECT_TRUE(platform::isMainThread());
    EXPECT_FALSE(onOtherThread([] { return platform::isMainThread(); }));
}

TEST_F(MainThreadCheckTest, ReportsACallOffTheMainThreadByName) {
#if !TIKOLEAP_THREAD_CHECKS
    GTEST_SKIP() << "the check is compiled out of this build";
#endif
    auto loop = std::make_shared<ManualRunLoop>();
    RunLoop::setMain(loop);
    touchFromMainOnly();
    EXPECT_TRUE(violations.empty());
    onOtherThread([] {
        touchFromMainOnly();
        return true;
    });
    EXPECT_EQ(violations, std::vector<std::string>{"touchFromMainOnly"});
}
