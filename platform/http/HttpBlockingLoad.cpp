#include "platform/http/HttpBlockingLoad.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace platform {

namespace {

// The callbacks of the load, handed over from the engine's thread to the waiting one.
struct Inbox {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::function<void()>> calls;
};

constexpr auto kStopPollInterval = std::chrono::milliseconds(20);

}  // namespace

HttpConnection::Outcome loadAndWait(HttpRequest request, const std::function<bool()>& shouldStop) {
    auto inbox = std::make_shared<Inbox>();
    HttpConnection::Deliver deliver = [inbox](std::function<void()> call) {
        {
            std::lock_guard<std::mutex> lock(inbox->mutex);
            inbox->calls.push_back(std::move(call));
        }
        inbox->ready.notify_one();
    };
    HttpConnection::Outcome outcome;
    bool done = false;
    HttpConnection::Callbacks callbacks;
    callbacks.didReceiveResponse = [&](const HttpResponse& response) { outcome.response = response; };
    callbacks.didFinish = [&](std::string body) {
        outcome.body = std::move(body);
        done = true;
    };
    callbacks.didFail = [&](const HttpError& error) {
        outcome.error = error;
        done = true;
    };
    std::shared_ptr<HttpConnection> connection = HttpConnection::create(std::move(callbacks), deliver);
    if (std::optional<HttpError> error = connection->start(std::move(request))) {
        outcome.error = *error;
        return outcome;
    }
    while (!done) {
        if (shouldStop && shouldStop()) {
            connection->cancel();
            outcome.error = HttpError{HttpError::Code::Cancelled, "the load was given up"};
            return outcome;
        }
        std::deque<std::function<void()>> calls;
        {
            std::unique_lock<std::mutex> lock(inbox->mutex);
            inbox->ready.wait_for(lock, kStopPollInterval, [&] { return !inbox->calls.empty(); });
            calls.swap(inbox->calls);
        }
        for (auto& call : calls) {
            if (!done) call();
        }
    }
    return outcome;
}

}  // namespace platform
