#pragma once
// One HTTP load as the app's classes see it: started on the main thread, moved by the HTTP
// engine's worker thread, and reported back through callbacks hopped to the main run loop.
// Redirects are followed here, one hop at a time, so the owner sees each target and may stop
// there; only http and https are ever requested.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/http/HttpMessage.h"

namespace platform {

struct HttpHopResult;
struct HttpStreamEvent;

class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
  public:
    // Hands a callback to the thread (or serial queue) that owns the connection; must not block.
    // The connection is started and cancelled there too.
    using Deliver = std::function<void(std::function<void()>)>;

    struct Callbacks {
        // A redirect to target (resolved; any scheme) arrived. True follows it; false ends the
        // load quietly, with no further callback. Unset: follow.
        std::function<bool(const HttpResponse& redirect, const std::string& target)> willRedirect;
        // The final response's head, before its body.
        std::function<void(const HttpResponse& response)> didReceiveResponse;
        // Set: the load streams. The body is not kept: it comes here in batches of at least
        // kStreamChunkBytes (or what came within kStreamFlushIntervalSeconds), on the delivering
        // thread, and didFinish gets an empty body. The request's maxBodyBytes caps the whole.
        std::function<void(std::string chunk)> didReceiveData;
        std::function<void(std::string body)> didFinish;
        // The load failed; a response head may have come before (see lastResponse()).
        std::function<void(const HttpError& error)> didFail;
    };

    // What a fire-and-forget send reports: the final response (when one came), its body, and the
    // error (when the exchange failed).
    struct Outcome {
        std::optional<HttpResponse> response;
        std::string body;
        std::optional<HttpError> error;
        bool succeeded() const {
            return !error && response && response->status >= 200 && response->status <= 299;
        }
    };

    // Posts onto the process's main run loop.
    static Deliver mainLoopDeliver();

    // Always shared: a callback may drop its owner's last reference, and the connection then stays
    // alive until the callback has returned.
    static std::shared_ptr<HttpConnection> create(Callbacks callbacks, Deliver deliver = mainLoopDeliver());
    // Cancels: no callback runs after the connection is gone.
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // Starts the load. A request that cannot be sent at all (not a URL, not http or https, bad
    // method or header) returns its error at once and nothing is called back. Starting while a
    // load runs cancels that load first.
    std::optional<HttpError> start(HttpRequest request);
    // Stops the load; no callback of it runs afterwards. Safe from inside a callback.
    void cancel();

    bool isLoading() const { return loading_; }
    // The URL of the hop in flight, or of the last one.
    const std::string& currentUrl() const { return currentUrl_; }
    int redirectCount() const { return redirects_; }
    const std::optional<HttpResponse>& lastResponse() const { return lastResponse_; }

    // Sends the request, follows every http/https redirect, and calls completion once on the
    // delivering thread. The connection keeps itself alive until then. The request errors of
    // start() are reported the same way, never inline.
    static void send(HttpRequest request, std::function<void(const Outcome&)> completion,
                     Deliver deliver = mainLoopDeliver());

  private:
    struct State;

    HttpConnection(Callbacks callbacks, Deliver deliver);

    std::optional<HttpError> validate(const HttpRequest& request) const;
    void submitHop();
    void onHop(HttpHopResult& result);
    void onStream(HttpStreamEvent& event);
    void fail(const HttpError& error);
    void end();

    Callbacks callbacks_;
    Deliver deliver_;
    HttpRequest request_;
    std::string currentUrl_;
    std::string method_;
    std::string body_;
    int redirects_ = 0;
    bool loading_ = false;
    bool headReported_ = false;  // a streamed hop's head went out before its end
    std::optional<HttpResponse> lastResponse_;
    std::shared_ptr<State> state_;
};

}  // namespace platform
