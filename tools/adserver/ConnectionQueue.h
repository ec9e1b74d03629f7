#pragma once
// The local ad server's connections from accept to answer. Until its request head is in, a
// connection waits with all the others on one thread of polls, so connections that say nothing, or
// drip their head, hold no worker; the workers only answer requests whose heads are in.
//
// It is the HTTP library's task queue too: the library hands each accepted connection over through
// enqueue(), which runs at once on the accepting thread, where the server passes the socket to add().
#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tikoleap::adserver {

class ConnectionQueue : public httplib::TaskQueue {
  public:
    using Clock = std::chrono::steady_clock;
    struct Limits {
        std::size_t workers = 32;
        // Connections waiting for their heads; past it, the one that has waited longest is closed.
        std::size_t maxWaiting = 512;
        // The request line and every header, with their line ends.
        std::size_t maxHeadBytes = 32u << 10;
        // From accept to the head's end; a connection still without its head then is closed.
        std::chrono::milliseconds headWait{5000};
    };
    struct Arrival {
        // The head and what came after it; "" when the head passed maxHeadBytes.
        std::string read;
        bool tooLarge = false;
        Clock::time_point accepted;
    };
    // Answers (or refuses) the connection and closes it; runs on a worker.
    using Serve = std::function<void(socket_t sock, Arrival arrival)>;

    ConnectionQueue(Limits limits, Serve serve);
    ~ConnectionQueue() override;
    ConnectionQueue(const ConnectionQueue&) = delete;
    ConnectionQueue& operator=(const ConnectionQueue&) = delete;

    void enqueue(std::function<void()> fn) override { fn(); }
    // Closes the connections still waiting, then lets the workers finish what they were given.
    void shutdown() override;

    // Takes an accepted connection in; any thread.
    void add(socket_t sock);

  private:
    struct Waiting {
        socket_t sock;
        Clock::time_point accepted;
        std::string read;
    };
    void run();
    // Reads what the connection has sent; true when it is done waiting (handed on or closed).
    bool readFrom(Waiting& waiting);

    const Limits limits_;
    const Serve serve_;
    httplib::ThreadPool workers_;
    int wake_[2] = {-1, -1};
    std::mutex mutex_;
    std::vector<Waiting> arrived_;  // mutex_
    bool stopping_ = false;         // mutex_
    std::deque<Waiting> waiting_;   // the polling thread's
    std::thread thread_;
};

}  // namespace tikoleap::adserver
