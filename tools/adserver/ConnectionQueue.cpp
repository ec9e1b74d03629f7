#include "tools/adserver/ConnectionQueue.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace tikoleap::adserver {

ConnectionQueue::ConnectionQueue(Limits limits, Serve serve)
    : limits_(limits), serve_(std::move(serve)), workers_(limits.workers) {
    if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
    thread_ = std::thread([this] { run(); });
}

ConnectionQueue::~ConnectionQueue() {
    shutdown();
}

void ConnectionQueue::shutdown() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        stopping_ = true;
    }
    if (wake_[1] >= 0) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(wake_[1], &byte, 1);
    }
    if (thread_.joinable()) thread_.join();
    workers_.shutdown();
    for (int& fd : wake_)
        if (fd >= 0) ::close(std::exchange(fd, -1));
}

void ConnectionQueue::add(socket_t sock) {
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            arrived_.push_back(Waiting{sock, Clock::now(), {}});
            sock = INVALID_SOCKET;
        }
    }
    if (sock != INVALID_SOCKET) {
        ::close(sock);
        return;
    }
    if (wake_[1] >= 0) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(wake_[1], &byte, 1);
    }
}

bool ConnectionQueue::readFrom(Waiting& waiting) {
    char buffer[4096];
    const ssize_t got = ::recv(waiting.sock, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return false;
    if (got <= 0) {
        ::close(waiting.sock);
        return true;
    }
    // The end of the head can straddle two reads.
    const std::size_t from = waiting.read.size() < 3 ? 0 : waiting.read.size() - 3;
    waiting.read.append(buffer, static_cast<std::size_t>(got));
    const std::size_t end = waiting.read.find("\r\n\r\n", from);
    const bool complete = end != std::string::npos && end + 4 <= limits_.maxHeadBytes;
    const bool tooLarge =
        !complete && (end != std::string::npos || waiting.read.size() >= limits_.maxHeadBytes);
    if (!complete && !tooLarge) return false;
    Arrival arrival{tooLarge ? std::string() : std::move(waiting.read), tooLarge, waiting.accepted};
    workers_.enqueue([serve = serve_, sock = waiting.sock, arrival = std::move(arrival)]() mutable {
        serve(sock, std::move(arrival));
    });
    return true;
}

void ConnectionQueue::run() {
    std::vector<pollfd> fds;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) break;
            for (auto& waiting : arrived_) waiting_.push_back(std::move(waiting));
            arrived_.clear();
        }
        while (waiting_.size() > limits_.maxWaiting) {
            ::close(waiting_.front().sock);
            waiting_.pop_front();
        }
        const auto now = Clock::now();
        while (!waiting_.empty() && now - waiting_.front().accepted >= limits_.headWait) {
            ::close(waiting_.front().sock);
            waiting_.pop_front();
        }
        // Arrival order is deadline order: the front's is the next.
        int timeout = -1;
        if (!waiting_.empty()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(waiting_.front().accepted +
                                                                           limits_.headWait - now);
            timeout = static_cast<int>(std::max<long>(left.count(), 0));
        }
        // Without its wake-up pipe the thread looks at new connections every few milliseconds.
        if (wake_[0] < 0) timeout = timeout < 0 ? 20 : std::min(timeout, 20);
        fds.assign(1, pollfd{wake_[0], POLLIN, 0});
        for (const auto& waiting : waiting_) fds.push_back(pollfd{waiting.sock, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) {
            char drained[64];
            while (::read(wake_[0], drained, sizeof drained) > 0) {
            }
        }
        std::size_t index = 1;
        for (auto it = waiting_.begin(); it != waiting_.end(); ++index) {
            if (fds[index].revents != 0 && readFrom(*it)) {
                it = waiting_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& waiting : waiting_) ::close(waiting.sock);
    waiting_.clear();
    std::lock_guard lock(mutex_);
    for (const auto& waiting : arrived_) ::close(waiting.sock);
    arrived_.clear();
}

}  // namespace tikoleap::adserver
