#include "platform/http/HttpEngine.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/http/HostLookup.h"
#include "platform/http/HttpUrl.h"

namespace platform {

namespace {

// More header lines than any sane server sends; beyond it the response counts as malformed.
constexpr int kMaxHeaderLines = 256;
// How long the ending process waits for the worker to let go.
constexpr auto kExitWait = std::chrono::milliseconds(200);

struct Transfer {
    std::uint64_t ticket = 0;
    std::string url;
    std::size_t maxBody = 0;
    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    curl_slist* connectTo = nullptr;  // a test's name for an address
    std::function<bool(const HttpConnectedHop&)> connectCheck;
    bool refused = false;  // the connect check said no
    char errorBuffer[CURL_ERROR_SIZE] = {};
    HttpHopResult result;
    int headerLines = 0;
    bool tooLarge = false;
    bool badHeaders = false;
    // Streamed jobs only.
    HttpEngine::Stream stream;
    std::size_t streamed = 0;  // body bytes of the final response, handed on or pending
    std::string pending;
    std::optional<HttpResponse> pendingHead;
    std::chrono::steady_clock::time_point lastFlush;
    std::function<void(Transfer&)> batchReady;  // hands a full batch on at once
    bool finalBody = false;                     // the head was the final response's (not a redirect's)

    ~Transfer() {
        if (easy) curl_easy_cleanup(easy);
        if (headerList) curl_slist_free_all(headerList);
        if (connectTo) curl_slist_free_all(connectTo);
    }
};

std::string trim(std::string_view s) {
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return std::string(s);
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    std::string_view line(data, n);
    if (line.starts_with("HTTP/")) {
        // A new status line: an interim (1xx) response's fields are dropped.
        t->result.response.headers = HttpHeaders();
        t->result.haveResponse = false;
        t->headerLines = 0;
        auto space = line.find(' ');
        int status = 0;
        if (space != std::string_view::npos) {
            for (size_t i = space + 1; i < line.size() && line[i] >= '0' && line[i] <= '9' && status < 1000;
                 ++i) {
                status = status * 10 + (line[i] - '0');
            }
        }
        if (status < 100 || status > 999) {
            t->badHeaders = true;
            return 0;
        }
        t->result.response.status = status;
        return n;
    }
    if (trim(line).empty()) {
        if (t->result.response.status >= 200) {
            t->result.haveResponse = true;
            if (t->stream &&
                !(t->result.response.isRedirect() && t->result.response.headers.get("Location"))) {
                t->finalBody = true;
                t->pendingHead = t->result.response;
            }
        }
        return n;
    }
    if (++t->headerLines > kMaxHeaderLines) {
        t->badHeaders = true;
        return 0;
    }
    auto& fields = t->result.response.headers;
    if ((line.front() == ' ' || line.front() == '\t') && !fields.empty()) {
        // An obsolete folded continuation of the previous field.
        HttpHeaders folded;
        for (size_t i = 0; i < fields.fields().size(); ++i) {
            const auto& [name, value] = fields.fields()[i];
            folded.add(name, i + 1 == fields.size() ? value + " " + trim(line) : value);
        }
        fields = std::move(folded);
        return n;
    }
    auto colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return n;  // not a field: skipped
    fields.add(trim(line.substr(0, colon)), trim(line.substr(colon + 1)));
    return n;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->stream) {
        if (!t->finalBody) return n;  // a redirect's body: nobody reads it
        if (t->streamed + n > t->maxBody) {
            t->tooLarge = true;
            return 0;
        }
        t->streamed += n;
        t->pending.append(data, n);
        // One perform may read many buffers on a fast link: each full batch leaves as it fills.
        if (t->pending.size() >= kStreamChunkBytes || t->pendingHead) t->batchReady(*t);
        return n;
    }
    if (t->result.body.size() + n > t->maxBody) {
        t->tooLarge = true;
        return 0;  // aborts the transfer
    }
    t->result.body.append(data, n);
    return n;
}

// Asked by libcurl once the hop's connection is there, before the request goes out on it.
int onConnected(void* user, char* primaryIp, char* /*localIp*/, int primaryPort, int /*localPort*/) {
    auto* t = static_cast<Transfer*>(user);
    if (t->connectCheck({t->url, primaryIp ? primaryIp : "", primaryPort})) return CURL_PREREQFUNC_OK;
    t->refused = true;
    return CURL_PREREQFUNC_ABORT;
}

// What a test named with HostLookup::overrideForTesting connects to, at the URL's own port.
curl_slist* testConnectTo(const std::string& url) {
    const auto parts = parseUrl(url);
    const auto address = parts ? HostLookup::overrideFor(parts->host) : std::nullopt;
    if (!address) return nullptr;
    const bool v6 = address->find(':') != std::string::npos;
    const std::string entry = parts->host + "::" + (v6 ? "[" + *address + "]" : *address) + ":";
    return curl_slist_append(nullptr, entry.c_str());
}

HttpError errorFor(const Transfer& t, CURLcode code) {
    using C = HttpError::Code;
    std::string detail =
        t.errorBuffer[0] ? std::string(t.errorBuffer) : std::string(curl_easy_strerror(code));
    if (t.tooLarge)
        return {C::BodyTooLarge, "response body larger than " + std::to_string(t.maxBody) + " bytes"};
    if (t.badHeaders) return {C::BadResponse, "malformed response head"};
    if (t.refused) return {C::Other, "the request's check refused the address it connected to"};
    switch (code) {
        case CURLE_URL_MALFORMAT:
            return {C::InvalidUrl, detail};
        case CURLE_FILESIZE_EXCEEDED:
            return {C::BodyTooLarge, detail};
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
            return {C::CannotConnect, detail};
        case CURLE_OPERATION_TIMEDOUT:
            return {C::TimedOut, detail};
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
            return {C::ConnectionLost, detail};
        case CURLE_UNSUPPORTED_PROTOCOL:  // only http and https are ever started: a reply in no known form
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_BAD_CONTENT_ENCODING:
        case CURLE_HTTP2:
            return {C::BadResponse, detail};
        default:
            return {C::Other, detail};
    }
}

}  // namespace

struct HttpEngine::Impl {
    // Callers submit and cancel on their threads (the main one mostly); the engine's worker takes
    // the jobs and answers under it.
    mutable std::mutex mutex;
    std::map<std::uint64_t, Done> jobs;  // live jobs: not finished, not cancelled
    std::vector<std::unique_ptr<Transfer>> incoming;
    std::vector<std::uint64_t> cancelled;
    std::uint64_t nextTicket = 1;
    bool stopping = false;

    CURLM* multi = nullptr;
    CURLSH* share = nullptr;
    std::map<CURL*, std::unique_ptr<Transfer>> active;  // the worker's own
    std::thread worker;
    std::condition_variable workerDone;
    bool workerFinished = false;  // under mutex

    void run();
    void finish(CURL* easy, CURLcode code);
    void deliver(Transfer& t);
    // Hands a streamed job's pending head and bytes on: always when `all`, else only once a batch
    // is big or old enough.
    void flush(Transfer& t, bool all);
};

HttpEngine& HttpEngine::shared() {
    // Never destroyed before exit handlers that may still send run; the worker is stopped and
    // joined by the destructor at static destruction.
    static HttpEngine engine;
    return engine;
}

HttpEngine::HttpEngine() : impl_(new Impl) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    impl_->multi = curl_multi_init();
    impl_->share = curl_share_init();
    // Only the worker thread touches the share, so it needs no lock callbacks.
    curl_share_setopt(impl_->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    impl_->worker = std::thread([impl = impl_] {
        impl->run();
        std::lock_guard<std::mutex> lock(impl->mutex);
        impl->workerFinished = true;
        impl->workerDone.notify_all();
    });
}

HttpEngine::~HttpEngine() {
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->stopping = true;
        impl_->jobs.clear();
    }
    curl_multi_wakeup(impl_->multi);
    // Taking away a transfer whose host name is being looked up waits until the lookup ends
    // (libcurl waits for its resolver thread): seconds with a slow name server. The process is
    // ending and does not wait for that: a worker still busy after kExitWait, and transfers
    // still in flight, are left to the exit (reachable from here, so no leak checker minds).
    {
        std::unique_lock<std::mutex> lock(impl_->mutex);
        if (!impl_->workerDone.wait_for(lock, kExitWait, [this] { return impl_->workerFinished; })) {
            lock.unlock();
            impl_->worker.detach();
            return;
        }
    }
    impl_->worker.join();
    if (!impl_->active.empty()) return;
    impl_->active.clear();
    impl_->incoming.clear();
    curl_multi_cleanup(impl_->multi);
    curl_share_cleanup(impl_->share);
    delete impl_;
}

std::uint64_t HttpEngine::submit(const HttpRequest& request, const std::string& url,
                                 const std::string& method, const std::string& body, Done done,
                                 Stream stream) {
    auto t = std::make_unique<Transfer>();
    t->stream = std::move(stream);
    t->batchReady = [impl = impl_](Transfer& transfer) { impl->flush(transfer, false); };
    t->lastFlush = std::chrono::steady_clock::now();
    t->url = url;
    t->maxBody = request.maxBodyBytes;
    t->result.response.url = url;
    CURL* e = curl_easy_init();
    t->easy = e;
    if (e) {
        curl_easy_setopt(e, CURLOPT_URL, url.c_str());
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        // Loopback never goes through a proxy from the environment.
        curl_easy_setopt(e, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
        const double timeout = request.timeoutSeconds > 0 ? request.timeoutSeconds : 60.0;
        const long ms = static_cast<long>(std::min(timeout, 3600.0) * 1000.0);
        curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, std::max(ms, 1L));
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, std::max(std::min(ms, 30000L), 1L));
        curl_easy_setopt(e, CURLOPT_USERAGENT,
                         request.userAgent.empty() ? kDefaultUserAgent : request.userAgent.c_str());
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, t.get());
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, t.get());
        curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t->errorBuffer);
        curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBodyBytes));
        if (request.cookies) {
            curl_easy_setopt(e, CURLOPT_SHARE, impl_->share);
            curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
        }
        if (t->stream) {
            // Fewer, bigger writes for a streamed file.
            curl_easy_setopt(e, CURLOPT_BUFFERSIZE, static_cast<long>(kStreamChunkBytes));
        }
        if (method == "POST") {
            curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
            curl_easy_setopt(e, CURLOPT_COPYPOSTFIELDS, body.c_str());
            t->headerList = curl_slist_append(t->headerList, "Expect:");
        }
        for (const auto& [name, value] : request.headers.fields()) {
            std::string line = value.empty() ? name + ";" : name + ": " + value;
            t->headerList = curl_slist_append(t->headerList, line.c_str());
        }
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, t->headerList);
        if (request.connectCheck) {
            t->connectCheck = request.connectCheck;
            curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, onConnected);
            curl_easy_setopt(e, CURLOPT_PREREQDATA, t.get());
        }
        if ((t->connectTo = testConnectTo(url))) curl_easy_setopt(e, CURLOPT_CONNECT_TO, t->connectTo);
        curl_easy_setopt(e, CURLOPT_PRIVATE, t.get());
    }

    std::lock_guard<std::mutex> lock(impl_->mutex);
    const std::uint64_t ticket = impl_->nextTicket++;
    t->ticket = ticket;
    if (impl_->stopping) return ticket;  // the process is ending: nothing will be reported
    impl_->jobs.emplace(ticket, std::move(done));
    impl_->incoming.push_back(std::move(t));
    curl_multi_wakeup(impl_->multi);
    return ticket;
}

void HttpEngine::cancel(std::uint64_t ticket) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->jobs.erase(ticket) > 0) {
        impl_->cancelled.push_back(ticket);
        curl_multi_wakeup(impl_->multi);
    }
}

std::size_t HttpEngine::activeCount() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->jobs.size();
}

void HttpEngine::Impl::finish(CURL* easy, CURLcode code) {
    auto it = active.find(easy);
    if (it == active.end()) return;
    std::unique_ptr<Transfer> t = std::move(it->second);
    active.erase(it);
    curl_multi_remove_handle(multi, easy);
    if (t->stream) flush(*t, true);
    if (code != CURLE_OK) {
        t->result.error = errorFor(*t, code);
    } else if (!t->result.haveResponse) {
        t->result.error = HttpError{HttpError::Code::BadResponse, "no complete response head"};
    }
    deliver(*t);
}

void HttpEngine::Impl::deliver(Transfer& t) {
    std::lock_guard<std::mutex> lock(mutex);
    auto job = jobs.find(t.ticket);
    if (job == jobs.end()) return;  // cancelled meanwhile
    Done done = std::move(job->second);
    jobs.erase(job);
    // Called under the lock so that a cancel() racing with completion either wins outright or
    // returns only after the result has been handed on.
    done(std::move(t.result));
}

void HttpEngine::Impl::flush(Transfer& t, bool all) {
    const auto now = std::chrono::steady_clock::now();
    const bool due = all || t.pending.size() >= kStreamChunkBytes ||
                     now - t.lastFlush >= std::chrono::duration<double>(kStreamFlushIntervalSeconds);
    if (!t.pendingHead && (t.pending.empty() || !due)) return;
    HttpStreamEvent head;
    head.head = std::move(t.pendingHead);
    t.pendingHead.reset();
    HttpStreamEvent data;
    if (due) {
        data.data.swap(t.pending);
        t.lastFlush = now;
    }
    std::lock_guard<std::mutex> lock(mutex);
    if (jobs.find(t.ticket) == jobs.end()) return;  // cancelled: the bytes go nowhere
    if (head.head) t.stream(std::move(head));
    if (!data.data.empty()) t.stream(std::move(data));
}

void HttpEngine::Impl::run() {
    for (;;) {
        std::vector<std::unique_ptr<Transfer>> fresh;
        std::vector<std::uint64_t> dropped;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping) return;
            fresh.swap(incoming);
            dropped.swap(cancelled);
        }
        for (auto& t : fresh) {
            if (std::find(dropped.begin(), dropped.end(), t->ticket) != dropped.end()) continue;
            if (!t->easy) {
                t->result.error =
                    HttpError{HttpError::Code::Other, "the HTTP engine could not start a transfer"};
                deliver(*t);
                continue;
            }
            curl_multi_add_handle(multi, t->easy);
            active.emplace(t->easy, std::move(t));
        }
        for (std::uint64_t ticket : dropped) {
            for (auto it = active.begin(); it != active.end(); ++it) {
                if (it->second->ticket == ticket) {
                    curl_multi_remove_handle(multi, it->first);
                    active.erase(it);
                    break;
                }
            }
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
            if (msg->msg == CURLMSG_DONE) finish(msg->easy_handle, msg->data.result);
        }
        bool streaming = false;
        for (auto& [easy, t] : active) {
            if (!t->stream) continue;
            streaming = true;
            flush(*t, false);
        }
        // A slow stream's bytes are handed on within the interval even when no more come.
        const int waitMs = streaming ? static_cast<int>(kStreamFlushIntervalSeconds * 1000 / 2) : 1000;
        curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
    }
}

const char* httpErrorCodeName(HttpError::Code code) {
    switch (code) {
        case HttpError::Code::InvalidUrl:
            return "invalid URL";
        case HttpError::Code::InvalidRequest:
            return "invalid request";
        case HttpError::Code::UnsupportedScheme:
            return "unsupported scheme";
        case HttpError::Code::CannotConnect:
            return "cannot connect";
        case HttpError::Code::TimedOut:
            return "timed out";
        case HttpError::Code::ConnectionLost:
            return "connection lost";
        case HttpError::Code::BodyTooLarge:
            return "body too large";
        case HttpError::Code::TooManyRedirects:
            return "too many redirects";
        case HttpError::Code::BadResponse:
            return "bad response";
        case HttpError::Code::Cancelled:
            return "cancelled";
        case HttpError::Code::Other:
            return "other";
    }
    return "other";
}

}  // namespace platform
