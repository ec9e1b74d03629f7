#include "support/LoopbackServer.h"

#include <stdexcept>

namespace tikoleap::test {

std::string Hit::header(const std::string& name) const {
    auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

std::string Hit::param(const std::string& name) const {
    auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

LoopbackServer::LoopbackServer(int port) {
    // One request per connection: a client's idle keep-alive connection would hold stop() up.
    server_.set_keep_alive_max_count(1);
    auto dispatch = [this](std::map<std::string, Handler>& routes) {
        return [this, &routes](const httplib::Request& req, httplib::Response& res) {
            Hit hit;
            hit.method = req.method;
            hit.path = req.path;
            hit.target = req.target;
            hit.headers = req.headers;
            hit.body = req.body;
            for (const auto& [k, v] : req.params) hit.params.emplace(k, v);
            Handler h;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                hits_.push_back(std::move(hit));
                auto it = routes.find(req.path);
                if (it != routes.end()) h = it->second;
            }
            changed_.notify_all();
            if (h) {
                h(req, res);
            } else {
                res.status = 404;
                res.set_content("not found", "text/plain");
            }
        };
    };
    server_.Get(".*", dispatch(getRoutes_));
    server_.Post(".*", dispatch(postRoutes_));
    if (port == 0) {
        port_ = server_.bind_to_any_port("127.0.0.1");
    } else {
        port_ = server_.bind_to_port("127.0.0.1", port) ? port : -1;
    }
    if (port_ <= 0) throw std::runtime_error("LoopbackServer: cannot bind 127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() only reaches a server whose accept loop runs, so wait for it.
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackServer::~LoopbackServer() {
    stop();
}

void LoopbackServer::stop() {
    server_.stop();
    if (thread_.joinable()) thread_.join();
}

std::string LoopbackServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackServer::get(const std::string& path, Handler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    getRoutes_[path] = std::move(handler);
}

void LoopbackServer::post(const std::string& path, Handler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    postRoutes_[path] = std::move(handler);
}

void LoopbackServer::reply(const std::string& path, int status, const std::string& body,
                           const httplib::Headers& headers) {
    Handler h = [status, body, headers](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        for (const auto& [k, v] : headers) res.set_header(k, v);
        if (!body.empty()) res.set_content(body, "text/plain");
    };
    get(path, h);
    post(path, h);
}

void LoopbackServer::redirect(const std::string& path, const std::string& location, int status) {
    get(path, [location, status](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        res.set_header("Location", location);
    });
}

std::string LoopbackServer::redirectChain(const std::string& name, int hops, int finalStatus) {
    for (int i = 1; i < hops; ++i) {
        redirect("/" + name + "/" + std::to_string(i), "/" + name + "/" + std::to_string(i + 1));
    }
    reply("/" + name + "/" + std::to_string(hops), finalStatus, "end of " + name);
    return url("/" + name + "/1");
}

void LoopbackServer::slow(const std::string& path, double seconds, int status, const std::string& body) {
    get(path, [seconds, status, body](const httplib::Request&, httplib::Response& res) {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        res.status = status;
        res.set_content(body, "text/plain");
    });
}

void LoopbackServer::shortBody(const std::string& path, std::size_t declaredLength, const std::string& body) {
    get(path, [declaredLength, body](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(declaredLength, "text/plain",
                                 [body](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (offset < body.size()) {
                                         sink.write(body.data() + offset, body.size() - offset);
                                         return true;
                                     }
                                     return false;  // closes the connection short of the length
                                 });
    });
}

std::vector<Hit> LoopbackServer::hits() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hits_;
}

std::vector<Hit> LoopbackServer::hits(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Hit> out;
    for (const auto& h : hits_) {
        if (h.path == path) out.push_back(h);
    }
    return out;
}

std::size_t LoopbackServer::count(const std::string& path) const {
    return hits(path).size();
}

void LoopbackServer::clearHits() {
    std::lock_guard<std::mutex> lock(mutex_);
    hits_.clear();
}

bool LoopbackServer::waitForHits(const std::string& path, std::size_t n,
                                 std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        std::size_t c = 0;
        for (const auto& h : hits_) c += h.path == path ? 1 : 0;
        return c >= n;
    });
}

}  // namespace tikoleap::test
