#include "platform/http/HttpConnection.h"

#include <mutex>
#include <set>
#include <string_view>
#include <utility>

#include "platform/http/HttpEngine.h"
#include "platform/http/HttpUrl.h"
#include "platform/runloop/RunLoop.h"

namespace platform {

struct HttpConnection::State {
    std::weak_ptr<HttpConnection> owner;  // main thread only
    bool ended = false;                   // cancelled or finished: later results are dropped
    std::uint64_t ticket = 0;
};

HttpConnection::Deliver HttpConnection::mainLoopDeliver() {
    // A transfer that ends after the main loop has gone (the process, or a test, is ending) has
    // nobody left to hear it: its result is dropped on the transfer's thread.
    return [](std::function<void()> fn) {
        if (auto loop = RunLoop::mainLoop()) loop->post(std::move(fn));
    };
}

HttpConnection::HttpConnection(Callbacks callbacks, Deliver deliver)
    : callbacks_(std::move(callbacks)), deliver_(std::move(deliver)) {}

std::shared_ptr<HttpConnection> HttpConnection::create(Callbacks callbacks, Deliver deliver) {
    return std::shared_ptr<HttpConnection>(new HttpConnection(std::move(callbacks), std::move(deliver)));
}

HttpConnection::~HttpConnection() {
    cancel();
}

std::optional<HttpError> HttpConnection::validate(const HttpRequest& request) const {
    if (request.method != "GET" && request.method != "POST") {
        return HttpError{HttpError::Code::InvalidRequest, "method " + request.method + " is not supported"};
    }
    for (const auto& [name, value] : request.headers.fields()) {
        // A line break would start a field of its own; a NUL would end the line where the C string
        // handed to the transfer library ends.
        auto hasBreak = [](const std::string& s) {
            return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
        };
        if (name.empty() || name.find(':') != std::string::npos || hasBreak(name) || hasBreak(value)) {
            return HttpError{HttpError::Code::InvalidRequest, "malformed header field " + name};
        }
    }
    auto parts = parseUrl(request.url);
    if (!parts) return HttpError{HttpError::Code::InvalidUrl, "not a URL: " + request.url};
    if (!isHttpScheme(parts->scheme)) {
        return HttpError{HttpError::Code::UnsupportedScheme,
                         "only http and https are loaded: " + request.url};
    }
    if (parts->host.empty()) return HttpError{HttpError::Code::InvalidUrl, "no host in " + request.url};
    if (isReservedInvalidHost(parts->host)) {
        // Names under .invalid never resolve: no lookup goes out for them.
        return HttpError{HttpError::Code::CannotConnect, "the host " + parts->host + " never resolves"};
    }
    return std::nullopt;
}

std::optional<HttpError> HttpConnection::start(HttpRequest request) {
    cancel();
    if (auto error = validate(request)) return error;
    request_ = std::move(request);
    currentUrl_ = request_.url;
    method_ = request_.method;
    body_ = method_ == "POST" ? request_.body : std::string();
    redirects_ = 0;
    lastResponse_.reset();
    loading_ = true;
    submitHop();
    return std::nullopt;
}

void HttpConnection::submitHop() {
    state_ = std::make_shared<State>();
    state_->owner = weak_from_this();
    headReported_ = false;
    auto state = state_;
    Deliver deliver = deliver_;
    HttpEngine::Stream stream;
    if (callbacks_.didReceiveData) {
        stream = [state, deliver](HttpStreamEvent&& event) {
            auto shared = std::make_shared<HttpStreamEvent>(std::move(event));
            deliver([state, shared] {
                if (state->ended) return;
                std::shared_ptr<HttpConnection> c = state->owner.lock();
                if (c) c->onStream(*shared);
            });
        };
    }
    state_->ticket = HttpEngine::shared().submit(
        request_, currentUrl_, method_, body_,
        [state, deliver](HttpHopResult&& result) {
            auto shared = std::make_shared<HttpHopResult>(std::move(result));
            deliver([state, shared] {
                if (state->ended) return;
                // Held for the whole call: the owner may let the connection go from a callback.
                std::shared_ptr<HttpConnection> c = state->owner.lock();
                if (c) c->onHop(*shared);
            });
        },
        std::move(stream));
}

void HttpConnection::cancel() {
    if (state_) {
        state_->ended = true;
        HttpEngine::shared().cancel(state_->ticket);
        state_.reset();
    }
    loading_ = false;
}

void HttpConnection::end() {
    if (state_) state_->ended = true;
    state_.reset();
    loading_ = false;
}

void HttpConnection::fail(const HttpError& error) {
    end();
    if (callbacks_.didFail) callbacks_.didFail(error);
}

void HttpConnection::onStream(HttpStreamEvent& event) {
    std::shared_ptr<State> hop = state_;
    if (event.head) {
        headReported_ = true;
        lastResponse_ = *event.head;
        if (callbacks_.didReceiveResponse) callbacks_.didReceiveResponse(*event.head);
        // An owner that cancelled, or let go, from the callback hears nothing more.
        if (!hop || state_ != hop || hop->ended || weak_from_this().use_count() <= 1) return;
    }
    if (!event.data.empty() && callbacks_.didReceiveData) callbacks_.didReceiveData(std::move(event.data));
}

void HttpConnection::onHop(HttpHopResult& result) {
    std::shared_ptr<State> hop = state_;
    // Goes on only while this hop is current and someone besides the caller still holds the
    // connection: an owner that let go from a callback has as good as cancelled.
    auto stillMine = [&] { return hop && state_ == hop && !hop->ended && weak_from_this().use_count() > 1; };

    const std::optional<std::string> location =
        result.haveResponse ? result.response.headers.get("Location") : std::nullopt;
    if (result.haveResponse && result.response.isRedirect() && location) {
        lastResponse_ = result.response;
        if (++redirects_ > request_.maxRedirects) {
            fail({HttpError::Code::TooManyRedirects,
                  "more than " + std::to_string(request_.maxRedirects) + " redirects from " + request_.url});
            return;
        }
        std::optional<std::string> target;
        auto scheme = urlScheme(*location);
        if (scheme && !isHttpScheme(*scheme)) {
            target = *location;  // another app's link: passed on as written
        } else {
            target = resolveUrl(currentUrl_, *location);
        }
        if (!target || target->empty()) {
            fail({HttpError::Code::BadResponse, "malformed Location: " + *location});
            return;
        }
        if (callbacks_.willRedirect && !callbacks_.willRedirect(result.response, *target)) {
            if (stillMine()) end();
            return;
        }
        if (!stillMine()) return;
        auto parts = parseUrl(*target);
        if (!parts || !isHttpScheme(parts->scheme) || parts->host.empty()) {
            fail({HttpError::Code::UnsupportedScheme,
                  "redirect to a URL that is not http or https: " + *target});
            return;
        }
        const int status = result.response.status;
        if (status == 303 || ((status == 301 || status == 302) && method_ == "POST")) {
            method_ = "GET";
            body_.clear();
        }
        currentUrl_ = *target;
        submitHop();
        return;
    }

    if (result.haveResponse && !headReported_) {
        lastResponse_ = result.response;
        if (callbacks_.didReceiveResponse) {
            callbacks_.didReceiveResponse(result.response);
            if (!stillMine()) return;
        }
    }
    if (result.error) {
        fail(*result.error);
        return;
    }
    end();
    if (callbacks_.didFinish) callbacks_.didFinish(std::move(result.body));
}

namespace {

// Fire-and-forget sends are held here until they end, not by themselves: one still running when
// the process exits stays reachable rather than becoming a lost cycle. Never destroyed, as a
// transfer may end during exit.
struct HeldSends {
    std::mutex lock;
    std::set<std::shared_ptr<HttpConnection>> connections;
};

HeldSends& heldSends() {
    static auto* held = new HeldSends();
    return *held;
}

void keep(const std::shared_ptr<HttpConnection>& connection) {
    auto& held = heldSends();
    std::lock_guard guard(held.lock);
    held.connections.insert(connection);
}

void letGo(const std::shared_ptr<HttpConnection>& connection) {
    std::shared_ptr<HttpConnection> last;
    auto& held = heldSends();
    std::lock_guard guard(held.lock);
    auto it = held.connections.find(connection);
    if (it == held.connections.end()) return;
    last = *it;  // released after the lock
    held.connections.erase(it);
}

}  // namespace

void HttpConnection::send(HttpRequest request, std::function<void(const Outcome&)> completion,
                          Deliver deliver) {
    auto outcome = std::make_shared<Outcome>();
    auto done = std::make_shared<std::function<void(const Outcome&)>>(std::move(completion));
    auto conn = create(Callbacks{}, deliver);
    std::weak_ptr<HttpConnection> weak = conn;
    auto finish = [outcome, done, weak] {
        if (auto c = weak.lock()) letGo(c);  // the caller of onHop still holds it
        if (*done) (*done)(*outcome);
    };
    conn->callbacks_.didReceiveResponse = [outcome](const HttpResponse& r) { outcome->response = r; };
    conn->callbacks_.didFinish = [outcome, finish](std::string body) {
        outcome->body = std::move(body);
        finish();
    };
    conn->callbacks_.didFail = [outcome, finish](const HttpError& e) {
        outcome->error = e;
        finish();
    };
    // Held before the start, so the thread that delivers never sees the connection without it.
    keep(conn);
    if (auto error = conn->start(std::move(request))) {
        letGo(conn);
        outcome->error = *error;
        deliver([outcome, done] {
            if (*done) (*done)(*outcome);
        });
    }
}

}  // namespace platform
