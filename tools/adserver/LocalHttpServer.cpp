#include "tools/adserver/LocalHttpServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>

#include "tools/adserver/BufferedSocketStream.h"

namespace tikoleap::adserver {

namespace {

// What a client may still be sending (a refused body) is read and dropped, up to this much for
// this long, until the client closes: closed with it unread, the socket would be reset and the
// answer lost with it. A server that stops waits no longer: it looks every kStopCheckMs.
constexpr std::size_t kMaxDrainBytes = std::size_t{16} << 20;
constexpr int kDrainMs = 1000;
constexpr int kStopCheckMs = 20;

void closeSocket(socket_t sock, const std::function<bool()>& stopping) {
    ::shutdown(sock, SHUT_WR);
    pollfd fd{sock, POLLIN, 0};
    char buffer[16384];
    std::size_t drained = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainMs);
    while (drained < kMaxDrainBytes && !stopping()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        const int ready = ::poll(&fd, 1, static_cast<int>(std::min<long>(left.count(), kStopCheckMs)));
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        const ssize_t got = ::recv(sock, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        drained += static_cast<std::size_t>(got);
    }
    ::close(sock);
}

}  // namespace

LocalHttpServer::LocalHttpServer() {
    new_task_queue = [this] {
        // Made as the accept loop starts: the listening socket's short accept queue is widened
        // too, so that a burst of connections is not made to retry its handshakes a second later.
        ::listen(svr_sock_, SOMAXCONN);
        queue_ = new ConnectionQueue(
            {kWorkers, kMaxWaiting, kMaxHeadBytes, kHeadWait},
            [this](socket_t sock, ConnectionQueue::Arrival arrival) { serve(sock, std::move(arrival)); });
        return queue_;
    };
    // SO_REUSEADDR alone: a restart may take the port over from connections that are closing,
    // but a port another server listens on stays refused (SO_REUSEPORT would share it).
    set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // An idle keep-alive connection would hold a worker and stop() up.
    set_keep_alive_max_count(1);
}

bool LocalHttpServer::process_and_close_socket(socket_t sock) {
    queue_->add(sock);
    return true;
}

void LocalHttpServer::serve(socket_t sock, ConnectionQueue::Arrival arrival) {
    if (arrival.tooLarge) {
        static const std::string refusal =
            "HTTP/1.1 431 Request Header Fields Too Large\r\nContent-Type: text/plain\r\n"
            "Content-Length: 35\r\nConnection: close\r\n\r\nthe request head passes 32768 bytes";
        static_assert(kMaxHeadBytes == 32768);
        ::send(sock, refusal.data(), refusal.size(), MSG_NOSIGNAL);
    }
    if (!arrival.read.empty()) {
        BufferedSocketStream stream(
            sock, std::move(arrival.read), arrival.accepted + kReadDeadline,
            std::chrono::milliseconds(read_timeout_sec_ * 1000 + read_timeout_usec_ / 1000));
        bool closed = false;
        process_request(stream, true, closed, nullptr);
    }
    closeSocket(sock, [this] { return svr_sock_ == INVALID_SOCKET; });
}

}  // namespace tikoleap::adserver
