#include "tools/adserver/BufferedSocketStream.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tikoleap::adserver {

namespace {

void describe(const sockaddr_storage& address, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& in = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
        port = ntohs(in.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
        port = ntohs(in6.sin6_port);
    }
    ip = text;
}

}  // namespace

BufferedSocketStream::BufferedSocketStream(socket_t sock, std::string readAhead,
                                           std::chrono::steady_clock::time_point deadline,
                                           std::chrono::milliseconds waitEach)
    : sock_(sock), readAhead_(std::move(readAhead)), deadline_(deadline), waitEach_(waitEach) {}

bool BufferedSocketStream::ready(short event, bool bounded) const {
    auto wait = waitEach_;
    if (bounded) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline_ - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        wait = std::min(wait, left);
    }
    pollfd fd{sock_, event, 0};
    int n = 0;
    do {
        n = ::poll(&fd, 1, static_cast<int>(wait.count()));
    } while (n < 0 && errno == EINTR);
    return n == 1 && (fd.revents & event) != 0;
}

bool BufferedSocketStream::is_readable() const {
    return taken_ < readAhead_.size() || ready(POLLIN, true);
}

bool BufferedSocketStream::is_writable() const {
    pollfd fd{sock_, POLLOUT, 0};
    // A client that has gone makes further writes pointless.
    return ready(POLLOUT, false) && ::poll(&fd, 1, 0) == 1 && (fd.revents & (POLLERR | POLLHUP)) == 0;
}

ssize_t BufferedSocketStream::read(char* ptr, std::size_t size) {
    if (taken_ < readAhead_.size()) {
        const std::size_t n = std::min(size, readAhead_.size() - taken_);
        std::memcpy(ptr, readAhead_.data() + taken_, n);
        taken_ += n;
        return static_cast<ssize_t>(n);
    }
    if (!ready(POLLIN, true)) return -1;
    ssize_t n = 0;
    do {
        n = ::recv(sock_, ptr, size, 0);
    } while (n < 0 && errno == EINTR);
    return n;
}

ssize_t BufferedSocketStream::write(const char* ptr, std::size_t size) {
    if (!ready(POLLOUT, false)) return -1;
    ssize_t n = 0;
    do {
        n = ::send(sock_, ptr, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n;
}

void BufferedSocketStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        describe(address, ip, port);
}

void BufferedSocketStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(sock_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        describe(address, ip, port);
}

}  // namespace tikoleap::adserver
