#pragma once
// The HTTP server under the local ad server, bounded against what a page can send: a fixed pool
// of workers, one request per connection, a request head of at most kMaxHeadBytes that must have
// arrived within kHeadWait (a connection that says nothing, or drips, is closed), and a request
// read to its end by kReadDeadline. Connections wait for their heads without a worker
// (ConnectionQueue), at most kMaxWaiting at once. The port is its own alone: no second server
// shares it.
#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <string>

#include "tools/adserver/ConnectionQueue.h"

namespace tikoleap::adserver {

class LocalHttpServer : public httplib::Server {
  public:
    // More workers than answers may be held at once (AdServer::kMaxHolds), so that held answers
    // never keep a normal request waiting.
    static constexpr std::size_t kWorkers = 32;
    // The request line and every header, with their line ends.
    static constexpr std::size_t kMaxHeadBytes = 32u << 10;
    static constexpr std::chrono::milliseconds kHeadWait{5000};
    static constexpr std::chrono::milliseconds kReadDeadline{15000};
    // Connections waiting for their heads; past it, the one that has waited longest is closed.
    static constexpr std::size_t kMaxWaiting = 512;

    LocalHttpServer();

  private:
    // Hands the connection to the queue, which waits for its head off the workers.
    bool process_and_close_socket(socket_t sock) override;
    // On a worker: answers the request whose head is in (or refuses a head too large) and closes.
    void serve(socket_t sock, ConnectionQueue::Arrival arrival);

    // The queue of the accept loop that runs (made by it, on its thread, and deleted when it ends).
    ConnectionQueue* queue_ = nullptr;
};

}  // namespace tikoleap::adserver
