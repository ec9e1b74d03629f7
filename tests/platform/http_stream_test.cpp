// Streamed loads: the body in batches on the owner's serial queue, never kept, and capped.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/DispatchQueue.h"
#include "platform/http/HttpConnection.h"
#include "platform/http/HttpEngine.h"
#include "support/LoopbackServer.h"

namespace {

using platform::DispatchQueue;
using platform::HttpConnection;
using platform::HttpError;
using platform::HttpResponse;
using tikoleap::test::LoopbackServer;

// Everything one streamed load reports, written on the queue and read by the test's thread.
struct StreamRecord {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<int> status;
    std::vector<std::size_t> chunkSizes;
    std::string data;
    bool dataBeforeHead = false;
    bool offQueue = false;
    std::optional<std::string> finishedBody;
    std::optional<HttpError> error;

    bool waitForEnd() {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] { return finishedBody || error; });
    }
};

std::shared_ptr<HttpConnection> streamOn(const std::shared_ptr<DispatchQueue>& queue, StreamRecord& rec) {
    auto onQueue = [queue, &rec] {
        if (!queue->isCurrent()) rec.offQueue = true;
    };
    HttpConnection::Callbacks cb;
    cb.didReceiveResponse = [&rec, onQueue](const HttpResponse& r) {
        std::lock_guard lock(rec.mutex);
        onQueue();
        rec.status = r.status;
    };
    cb.didReceiveData = [&rec, onQueue](std::string chunk) {
        std::lock_guard lock(rec.mutex);
        onQueue();
        if (!rec.status) rec.dataBeforeHead = true;
        rec.chunkSizes.push_back(chunk.size());
        rec.data += chunk;
    };
    cb.didFinish = [&rec, onQueue](std::string body) {
        std::lock_guard lock(rec.mutex);
        onQueue();
        rec.finishedBody = std::move(body);
        rec.changed.notify_all();
    };
    cb.didFail = [&rec, onQueue](const HttpError& e) {
        std::lock_guard lock(rec.mutex);
        onQueue();
        rec.error = e;
        rec.changed.notify_all();
    };
    return HttpConnection::create(std::move(cb),
                                  [queue](std::function<void()> fn) { queue->async(std::move(fn)); });
}

std::string pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
    return s;
}

TEST(HttpStream, HandsTheFinalBodyToTheQueueInBatchesWithoutKeepingIt) {
    LoopbackServer server;
    const std::string body = pattern((3u << 20) + 123);
    server.get("/big", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, "application/octet-stream");
    });
    server.redirect("/moved", "/big");
    auto queue = DispatchQueue::createSerial("test.stream");
    StreamRecord rec;
    std::shared_ptr<HttpConnection> conn;
    queue->sync([&] {
        conn = streamOn(queue, rec);
        platform::HttpRequest request;
        request.url = server.url("/moved");
        request.timeoutSeconds = 20;
        ASSERT_FALSE(conn->start(request));
    });
    ASSERT_TRUE(rec.waitForEnd());
    std::lock_guard lock(rec.mutex);
    ASSERT_FALSE(rec.error) << rec.error->message;
    EXPECT_EQ(rec.status, 200);
    EXPECT_TRUE(rec.data == body);  // the redirect's own body is not part of it
    EXPECT_EQ(*rec.finishedBody, "");
    EXPECT_FALSE(rec.dataBeforeHead);
    EXPECT_FALSE(rec.offQueue);
    ASSERT_GE(rec.chunkSizes.size(), 2u);
    // Small pieces come only when the stream pauses (or at its end).
    std::size_t small = 0;
    for (std::size_t i = 0; i + 1 < rec.chunkSizes.size(); ++i)
        small += rec.chunkSizes[i] < platform::kStreamChunkBytes;
    EXPECT_LE(small, rec.chunkSizes.size() / 4);
    queue->sync([&] { conn.reset(); });
}

TEST(HttpStream, StopsAtTheCapWithOrWithoutALength) {
    LoopbackServer server;
    const std::string body = pattern(2u << 20);
    server.get("/sized", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, "application/octet-stream");
    });
    server.get("/chunked", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("application/octet-stream", [&](std::size_t offset,
                                                                         httplib::DataSink& sink) {
            if (offset >= body.size()) {
                sink.done();
                return true;
            }
            return sink.write(body.data() + offset, std::min<std::size_t>(64 << 10, body.size() - offset));
        });
    });
    auto queue = DispatchQueue::createSerial("test.stream.cap");
    for (const char* path : {"/sized", "/chunked"}) {
        SCOPED_TRACE(path);
        StreamRecord rec;
        std::shared_ptr<HttpConnection> conn;
        queue->sync([&] {
            conn = streamOn(queue, rec);
            platform::HttpRequest request;
            request.url = server.url(path);
            request.maxBodyBytes = 1u << 20;
            ASSERT_FALSE(conn->start(request));
        });
        ASSERT_TRUE(rec.waitForEnd());
        std::lock_guard lock(rec.mutex);
        ASSERT_TRUE(rec.error);
        EXPECT_EQ(rec.error->code, HttpError::Code::BodyTooLarge);
        EXPECT_LE(rec.data.size(), 1u << 20);
        queue->sync([&] { conn.reset(); });
    }
}

}  // namespace
