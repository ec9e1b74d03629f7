#include "tools/adprobe/ServerReach.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

#include "platform/url/Url.h"

namespace {

// One attempt on one address; "" once connected.
std::string tryConnect(const addrinfo& address, std::chrono::steady_clock::time_point deadline) {
    const int fd =
        ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0) return std::strerror(errno);
    const std::unique_ptr<int, void (*)(int*)> closer(new int(fd), [](int* held) {
        ::close(*held);
        delete held;
    });
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0) return "";
    if (errno != EINPROGRESS) return std::strerror(errno);
    pollfd waiting{fd, POLLOUT, 0};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const int ready = ::poll(&waiting, 1, static_cast<int>(std::max<long long>(left.count(), 0)));
    if (ready == 0) return "no connection in time";
    if (ready < 0) return std::strerror(errno);
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return std::strerror(errno);
    return error == 0 ? "" : std::strerror(error);
}

}  // namespace

std::string adServerUnreachable(const std::string& baseURL, double seconds) {
    const auto url = platform::Url::parse(baseURL);
    if (!url || !url->isWeb() || url->host().empty()) return "not an http or https URL";
    std::string host = url->host();
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    const std::string port = url->hasPort() ? url->port() : (url->scheme() == "https" ? "443" : "80");
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int failed = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); failed != 0)
        return std::string("its host could not be resolved: ") + ::gai_strerror(failed);
    const std::unique_ptr<addrinfo, void (*)(addrinfo*)> held(found, ::freeaddrinfo);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                               std::chrono::duration<double>(seconds));
    std::string reason = "no address";
    for (const addrinfo* address = found; address; address = address->ai_next) {
        reason = tryConnect(*address, deadline);
        if (reason.empty()) return "";
    }
    return reason;
}
