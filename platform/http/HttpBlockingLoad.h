#pragma once
// A load for a worker thread of our own (never the main one): the request goes out through
// HttpConnection like any other, redirects included, and the calling thread waits for the
// outcome, checking every few milliseconds whether it should give up.
#include <functional>

#include "platform/http/HttpConnection.h"

namespace platform {

// Sends the request and waits. shouldStop (may be empty) is asked while waiting; once it answers
// true the load is cancelled and the outcome carries a Cancelled error.
HttpConnection::Outcome loadAndWait(HttpRequest request, const std::function<bool()>& shouldStop = {});

}  // namespace platform
