#pragma once
// The one worker thread that moves HTTP bytes for the whole process: libcurl's multi interface
// drives every transfer in flight. A job is one hop: no redirect is followed here (HttpConnection
// decides about each one on the main thread).
// A streamed job keeps no body: the final response's head, then its bytes in batches, are handed
// on while the transfer runs, and its result's body stays empty.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/http/HttpMessage.h"

namespace platform {

struct HttpHopResult {
    bool haveResponse = false;  // a whole status line and header block arrived
    HttpResponse response;
    std::string body;
    std::optional<HttpError> error;
};

// One hand-over of a streamed job: the final response's head comes alone, first; then batches of
// at least kStreamChunkBytes, or whatever arrived within kStreamFlushInterval, and the rest at the
// end. A redirect's head and body are not streamed.
struct HttpStreamEvent {
    std::optional<HttpResponse> head;
    std::string data;
};

inline constexpr std::size_t kStreamChunkBytes = 64u << 10;
inline constexpr double kStreamFlushIntervalSeconds = 0.1;

class HttpEngine {
  public:
    // Called on the engine's thread, exactly once unless the job was cancelled first. It must not
    // block: it hands the result on (posts it to a run loop).
    using Done = std::function<void(HttpHopResult&&)>;
    // Called on the engine's thread, before Done and never after a cancel() has returned; must not
    // block either. request.maxBodyBytes caps the bytes streamed.
    using Stream = std::function<void(HttpStreamEvent&&)>;

    static HttpEngine& shared();

    // Starts one hop of request towards url with method and body (the request's own url, method
    // and body are ignored, since a redirect changes them). Returns the job's ticket.
    std::uint64_t submit(const HttpRequest& request, const std::string& url, const std::string& method,
                         const std::string& body, Done done, Stream stream = {});
    // Stops the job; once this returns its Done is never called.
    void cancel(std::uint64_t ticket);

    // Jobs not yet finished or cancelled (for tests and shutdown).
    std::size_t activeCount() const;

    HttpEngine(const HttpEngine&) = delete;
    HttpEngine& operator=(const HttpEngine&) = delete;

  private:
    HttpEngine();
    ~HttpEngine();
    struct Impl;
    Impl* impl_;
};

}  // namespace platform
