#pragma once
// A server connection's socket as the HTTP library reads and writes it: the bytes already read
// ahead come first, then the socket. Every read must end by the deadline, so a client dripping its
// body holds no worker for long.
#include <httplib.h>

#include <chrono>
#include <string>

namespace tikoleap::adserver {

class BufferedSocketStream : public httplib::Stream {
  public:
    BufferedSocketStream(socket_t sock, std::string readAhead, std::chrono::steady_clock::time_point deadline,
                         std::chrono::milliseconds waitEach);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, std::size_t size) override;
    ssize_t write(const char* ptr, std::size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return sock_; }

  private:
    // Whether the socket has the event within waitEach and before the deadline (reads only).
    bool ready(short event, bool bounded) const;

    socket_t sock_;
    std::string readAhead_;
    std::size_t taken_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::milliseconds waitEach_;
};

}  // namespace tikoleap::adserver
