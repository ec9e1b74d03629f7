#pragma once
// A local HTTP server on 127.0.0.1 for tests (cpp-httplib), recording every request it gets,
// routed or not. Tests point every base URL of the system at it, so nothing leaves the machine.
// Canned routes cover what servers do to clients: redirect chains, conditional answers, errors,
// slow answers, bodies cut short.
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tikoleap::test {

struct Hit {
    std::string method;
    std::string path;    // without the query
    std::string target;  // path and query as sent
    httplib::Headers headers;
    std::string body;
    std::multimap<std::string, std::string> params;  // decoded query parameters

    std::string header(const std::string& name) const;  // "" when absent
    std::string param(const std::string& name) const;   // "" when absent
};

class LoopbackServer {
  public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    // Listens on port (0: any free one) and serves until destroyed or stopped.
    explicit LoopbackServer(int port = 0);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by path.
    std::string url(const std::string& path = "") const;
    // Stops listening; later connections are refused. Recorded hits stay.
    void stop();

    // Routes (exact paths, any query). A route added again replaces the earlier one.
    void get(const std::string& path, Handler handler);
    void post(const std::string& path, Handler handler);
    void reply(const std::string& path, int status, const std::string& body = "",
               const httplib::Headers& headers = {});
    void redirect(const std::string& path, const std::string& location, int status = 302);
    // /<name>/1 -> /<name>/2 -> ... -> /<name>/<hops> answering finalStatus; returns the first URL.
    std::string redirectChain(const std::string& name, int hops, int finalStatus = 200);
    // Answers status after holding the request for seconds.
    void slow(const std::string& path, double seconds, int status = 200, const std::string& body = "");
    // Announces declaredLength bytes and sends only body before closing.
    void shortBody(const std::string& path, std::size_t declaredLength, const std::string& body);

    std::vector<Hit> hits() const;
    std::vector<Hit> hits(const std::string& path) const;
    std::size_t count(const std::string& path) const;
    void clearHits();
    // Waits (real time) until path has had at least n hits; false on time-out.
    bool waitForHits(const std::string& path, std::size_t n,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

  private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Hit> hits_;
    std::map<std::string, Handler> getRoutes_;
    std::map<std::string, Handler> postRoutes_;
};

}  // namespace tikoleap::test
