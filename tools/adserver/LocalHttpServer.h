#pragma once
// The HTTP server under the local ad server, bounded against what a page can send: a fixed pool
// of workers, one request per connection, a request head of at most kMaxHeadBytes that must have
// arrived within kHeadWait (a connection that says nothing, or drips, is closed), and a request
// read to its end by kReadDeadline. The port is its own alone: no second server shares it.
#include <httplib.h>

#include <chrono>
#include <cstddef>

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

    LocalHttpServer();

  private:
    bool process_and_close_socket(socket_t sock) override;
    // The head and what came after it, or "" when the client went, said too little in time, or
    // the server stops; sets tooLarge when the head passed kMaxHeadBytes.
    std::string readHead(socket_t sock, std::chrono::steady_clock::time_point deadline, bool& tooLarge) const;
};

}  // namespace tikoleap::adserver
