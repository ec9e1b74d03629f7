#include "ads/render/view/DZPrecacheAMSGHandler.h"

#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include "ads/foundation/DZLogCharge.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLRequestUtilities.h"
#include "ads/render/precache/DZPrecacheFolder.h"
#include "ads/render/view/DZAdView.h"
#include "platform/foundation/DiskAllowance.h"
#include "platform/http/HttpConnection.h"
#include "platform/http/HttpUrl.h"

namespace fs = std::filesystem;

static_assert(DZPrecacheAMSGHandler::kMaxBytes == DZAdView::kMaxDiskBytes,
              "a precache may take all the ad may keep on disk, and no more");
using platform::DispatchQueue;
using platform::HttpConnection;

struct DZPrecacheAMSGHandler::Events {
    // Main thread only.
    std::weak_ptr<DZAdView> adView;
    bool haveAdView = false;
    EventSink sink;

    void deliver(const nlohmann::json& userInfo) const {
        if (sink) {
            sink(userInfo);
        } else if (auto view = adView.lock()) {
            view->postJSNotification("onPrecacheEvent", userInfo);
        }
    }
};

// One download. Set up on the main thread; from its start on, touched only on the queue.
struct DZPrecacheAMSGHandler::Job {
    std::string src;
    std::shared_ptr<Events> events;
    platform::HttpRequest request;
    fs::path root;  // empty: the precache folder
    std::shared_ptr<platform::DiskAllowance> allowance;
    // What the lines of the download are charged to: the page that asked for it.
    DZLogChargeScope::Charge charge;

    std::shared_ptr<HttpConnection> connection;
    int fd = -1;
    fs::path folder;
    std::string cachedURL;
    std::int64_t bytes = 0;
    std::int64_t total = 0;
    std::int64_t charged = 0;  // taken from the allowance for the file, until it is deleted
    bool ended = false;        // finished, failed or cleaned up: no event after its last

    ~Job() { closeFile(); }

    void post(const char* event) const {
        nlohmann::json info{{"bytesLoaded", bytes},
                            {"totalBytes", total},
                            {"event", event},
                            {"src", src},
                            {"cachedSrc", cachedURL}};
        DispatchQueue::main()->async([events = events, info = std::move(info)] { events->deliver(info); });
    }
    void closeFile() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    void removeFiles() {
        closeFile();
        std::error_code ec;
        if (!folder.empty()) fs::remove_all(folder, ec);
        folder.clear();
        allowance->giveBack(std::exchange(charged, 0));
    }
    // Stops the download for good: the connection, the file (deleted when `remove`), one event.
    void stop(bool remove, const char* event) {
        if (connection) connection->cancel();
        connection.reset();
        if (remove) {
            removeFiles();
        } else {
            closeFile();
        }
        if (!ended && event) post(event);
        ended = true;
    }

    void didReceiveResponse(const platform::HttpResponse& response);
    void didReceiveData(const std::string& chunk);
    void didFinish();
    void didFail(const platform::HttpError& error);
};

namespace {

// The name the server suggests: Content-Disposition's filename, else the URL's last segment.
std::string suggestedName(const platform::HttpResponse& response) {
    if (auto disposition = response.headers.get("Content-Disposition")) {
        const auto at = disposition->find("filename=");
        if (at != std::string::npos) {
            std::string name = disposition->substr(at + 9);
            name = name.substr(0, name.find(';'));
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
                name = name.substr(1, name.size() - 2);
            return name;
        }
    }
    std::string path = response.url;
    path = path.substr(0, path.find_first_of("?#"));
    const auto scheme = path.find("://");
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || (scheme != std::string::npos && slash < scheme + 3)) return "";
    gchar* decoded = g_uri_unescape_string(path.c_str() + slash + 1, nullptr);
    std::string name = decoded ? decoded : "";  // nothing for an escaped NUL
    g_free(decoded);
    return name;
}

std::string newFolderName() {
    gchar* uuid = g_uuid_string_random();
    std::string name(uuid);
    g_free(uuid);
    return name;
}

}  // namespace

std::string DZPrecacheAMSGHandler::savedName(const std::string& suggested) {
    std::string_view name(suggested);
    const auto slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    const bool plain =
        !name.empty() && name.size() <= kMaxNameBytes && name.front() != '.' &&
        name.find('\0') == std::string_view::npos &&
        std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x20; });
    return plain ? std::string(name) : std::string("precache");
}

void DZPrecacheAMSGHandler::Job::didReceiveResponse(const platform::HttpResponse& response) {
    if (ended) return;
    const DZLogChargeScope scope(charge);
    if (response.status < 200 || response.status > 299) {
        DZLog("Precache of %s answered %d: cancelled", src.c_str(), response.status);
        stop(true, "precacheCanceled");
        return;
    }
    std::error_code ec;
    folder = (root.empty() ? DZPrecacheFolder::path(true) : root) / newFolderName();
    fs::path file = folder / savedName(suggestedName(response));
    if (fs::create_directories(folder, ec) && !ec) {
        fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    }
    if (fd < 0) {
        DZLog("Precache of %s has no file to go to: cancelled", src.c_str());
        cachedURL.clear();
        stop(true, "precacheCanceled");
        return;
    }
    gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
    cachedURL = uri ? uri : "";
    g_free(uri);
    const auto length = response.headers.get("Content-Length");
    total = -1;
    if (length && !length->empty() && length->find_first_not_of("0123456789") == std::string::npos &&
        length->size() < 19) {
        total = std::stoll(*length);
    }
    post("precacheProgress");
}

void DZPrecacheAMSGHandler::Job::didReceiveData(const std::string& chunk) {
    if (ended || fd < 0) return;
    const DZLogChargeScope scope(charge);
    if (!allowance->take(static_cast<std::int64_t>(chunk.size()))) {
        DZLog("Precache of %s passed what the ad may keep on disk: cancelled", src.c_str());
        stop(true, "precacheCanceled");
        return;
    }
    charged += static_cast<std::int64_t>(chunk.size());
    std::size_t done = 0;
    while (done < chunk.size()) {
        const ssize_t n = ::write(fd, chunk.data() + done, chunk.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            DZLog("Precache of %s could not be written: cancelled", src.c_str());
            stop(true, "precacheCanceled");
            return;
        }
        done += static_cast<std::size_t>(n);
    }
    bytes += static_cast<std::int64_t>(done);
    post("precacheProgress");
}

void DZPrecacheAMSGHandler::Job::didFinish() {
    if (ended) return;
    connection.reset();
    closeFile();
    ended = true;
    post("precacheComplete");
}

void DZPrecacheAMSGHandler::Job::didFail(const platform::HttpError& error) {
    if (ended) return;
    const DZLogChargeScope scope(charge);
    DZLog("Precache of %s failed: %s", src.c_str(), error.message.c_str());
    // A download cut short keeps its part until the next clean-up; one over the cap goes at once,
    // so a server cannot fill the disk.
    stop(error.code == platform::HttpError::Code::BodyTooLarge, "precacheCanceled");
}

DZPrecacheAMSGHandler::DZPrecacheAMSGHandler()
    : events_(std::make_shared<Events>()), queue_(DispatchQueue::createSerial("com.rerive.didaz.precache")) {}

DZPrecacheAMSGHandler::~DZPrecacheAMSGHandler() {
    // Events already on their way to the main thread go nowhere once their handler is gone.
    events_->sink = nullptr;
    events_->adView.reset();
    cleanUp(false);
}

const DZAMSGHandler::ActionTable& DZPrecacheAMSGHandler::actionBlockDictionary() const {
    static const ActionTable table{
        {"precache", [](DZAMSGHandler& handler, const DZAMSGArguments& arguments) {
             static_cast<DZPrecacheAMSGHandler&>(handler).didReceivePrecacheNotification(arguments);
         }}};
    return table;
}

void DZPrecacheAMSGHandler::setEventSink(EventSink sink) {
    events_->sink = std::move(sink);
}

void DZPrecacheAMSGHandler::didReceivePrecacheNotification(const DZAMSGArguments& arguments) {
    if (!events_->haveAdView && arguments.adView) {
        events_->adView = arguments.adView;
        events_->haveAdView = true;
        if (!allowance_) allowance_ = arguments.adView->diskAllowance();
    }
    const auto src = arguments.note->parameter("src");
    if (src) {
        const auto parts = platform::parseUrl(*src);
        if (parts && platform::isHttpScheme(parts->scheme) && !parts->host.empty()) {
            sourceURL_ = *src;
        } else {
            DZLog("Ad page precache source of %zu bytes refused: only web URLs are downloaded", src->size());
        }
    }
    if (arguments.note->parameter("abort")) {
        abort();
    } else if (src) {
        preload();
    }
}

void DZPrecacheAMSGHandler::preload() {
    if (sourceURL_.empty() || job_) return;
    // An abort gives the disk back, so only a count of starts bounds what a page that aborts and
    // asks again makes the component download.
    const auto view = events_->adView.lock();
    const auto page = view ? view->pageAllowance() : viewlessAllowance_;
    if (!page->precacheStarts.take("Precache refused: the page has started " +
                                   std::to_string(DZPageAllowance::kMaxPrecacheStarts) + " downloads"))
        return;
    auto request = dz_requestForURL(sourceURL_, std::nullopt, std::nullopt, std::nullopt);
    if (!request) return;
    request->maxBodyBytes = static_cast<std::size_t>(kMaxBytes);
    // A big file on a slow line takes its time; a stalled one does not hold the host forever.
    request->timeoutSeconds = 600;
    auto job = std::make_shared<Job>();
    job->src = sourceURL_;
    job->events = events_;
    job->root = folder_;
    if (!allowance_) allowance_ = std::make_shared<platform::DiskAllowance>(kMaxBytes);
    job->allowance = allowance_;
    job->charge = DZLogChargeScope::current();
    job->request = std::move(*request);
    job_ = job;
    auto queue = queue_;
    queue_->async([job, queue] {
        std::weak_ptr<Job> weak = job;
        HttpConnection::Callbacks callbacks;
        callbacks.didReceiveResponse = [weak](const platform::HttpResponse& r) {
            if (auto j = weak.lock()) j->didReceiveResponse(r);
        };
        callbacks.didReceiveData = [weak](std::string chunk) {
            if (auto j = weak.lock()) j->didReceiveData(chunk);
        };
        callbacks.didFinish = [weak](std::string) {
            if (auto j = weak.lock()) j->didFinish();
        };
        callbacks.didFail = [weak](const platform::HttpError& error) {
            if (auto j = weak.lock()) j->didFail(error);
        };
        std::weak_ptr<DispatchQueue> weakQueue = queue;
        job->connection = HttpConnection::create(std::move(callbacks), [weakQueue](std::function<void()> fn) {
            if (auto q = weakQueue.lock()) q->async(std::move(fn));
        });
        if (auto error = job->connection->start(job->request)) job->didFail(*error);
    });
}

void DZPrecacheAMSGHandler::abort() {
    cleanUp(true);
}

void DZPrecacheAMSGHandler::cleanUp(bool announce) {
    std::shared_ptr<Job> job = std::move(job_);
    job_.reset();
    if (!job) {
        if (announce) {
            Job none;
            none.src = sourceURL_;
            none.events = events_;
            none.post("precacheCanceled");
        }
        return;
    }
    queue_->async([job, announce] {
        job->ended = false;  // an abort answers even after the download has ended
        job->stop(true, announce ? "precacheCanceled" : nullptr);
    });
}
