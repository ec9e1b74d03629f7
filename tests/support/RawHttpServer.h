#pragma once
// A bare TCP server on 127.0.0.1 that answers every connection with exactly the bytes it was given
// (or none at all), for answers no proper HTTP server sends: malformed heads, dropped connections.
// It records the request line of each connection.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tikoleap::test {

class RawHttpServer {
  public:
    // reply is written after the request head arrives, then the connection is closed; an empty
    // reply drops the connection without a byte.
    explicit RawHttpServer(std::string reply);
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    int port() const { return port_; }
    std::string url(const std::string& path = "/") const;
    std::vector<std::string> requestLines() const;

  private:
    void serve();

    std::string reply_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requestLines_;
};

}  // namespace tikoleap::test
