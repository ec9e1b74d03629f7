// The page's precache downloads against loopback servers: the exact bytes, the announced length
// or -1, abort and the cap (its own and the ad's disk allowance) deleting what was written, a
// file that cannot be made.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/foundation/DZLogger.h"
#include "ads/render/precache/DZPrecacheFolder.h"
#include "ads/render/view/DZPrecacheAMSGHandler.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/DiskAllowance.h"
#include "platform/foundation/ScopedLogSink.h"
#include "support/LoopbackServer.h"
#include "support/MainLoopPump.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/PrecacheFile.h"

namespace {

namespace fs = std::filesystem;
using tikoleap::adserver::PrecacheFile;
using tikoleap::test::LoopbackServer;
using tikoleap::test::MainLoopPump;
using tikoleap::test::TempDir;

fs::path localPath(const std::string& fileURL) {
    EXPECT_TRUE(fileURL.starts_with("file:///")) << fileURL;
    return fileURL.substr(std::string("file://").size());
}

class PrecacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A home of its own: another test process starting the ad device sweeps the shared
        // temporary folder the downloads would otherwise go to.
        platform::AppPaths::setHome(home_.path());
        handler_ = std::make_shared<DZPrecacheAMSGHandler>();
        handler_->setEventSink([this](const nlohmann::json& info) { events_.push_back(info); });
    }

    void send(DZNotification::Parameters parameters) {
        ASSERT_TRUE(
            handler_->handleNotification(DZNotification::create("precache", std::move(parameters)), nullptr));
    }
    bool ended() const { return !events_.empty() && events_.back()["event"] != "precacheProgress"; }
    // Turns the main loop until the download has ended (or been cancelled).
    void waitForEnd() {
        ASSERT_TRUE(pump_.until([&] { return ended(); }, std::chrono::seconds(30)));
    }

    void TearDown() override { platform::AppPaths::setHome({}); }

    tikoleap::test::TempDir home_;
    MainLoopPump pump_;
    std::shared_ptr<DZPrecacheAMSGHandler> handler_;
    std::vector<nlohmann::json> events_;
};

TEST(PrecacheNames, KeepsOnlyAPlainBaseName) {
    EXPECT_EQ(DZPrecacheAMSGHandler::savedName("clip.mp4"), "clip.mp4");
    EXPECT_EQ(DZPrecacheAMSGHandler::savedName("a/b/../clip.webm"), "clip.webm");
    EXPECT_EQ(DZPrecacheAMSGHandler::savedName("..\\..\\evil.sh"), "evil.sh");
    EXPECT_EQ(DZPrecacheAMSGHandler::savedName(std::string(100, 'x')), std::string(100, 'x'));
    const std::vector<std::string> bad{
        "",           "..", "/", "a/..", ".hidden", "dir/", std::string(101, 'x'), std::string("a\0b", 3),
        "line\nbreak"};
    for (const auto& name : bad) {
        EXPECT_EQ(DZPrecacheAMSGHandler::savedName(name), "precache") << name;
    }
}

TEST_F(PrecacheTest, DownloadsTheWholeFileWithOrWithoutALengthAndAbortDeletesIt) {
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    for (const bool withLength : {true, false}) {
        SCOPED_TRACE(withLength);
        events_.clear();
        const std::string src =
            server.baseURL() +
            ((withLength ? PrecacheFile::kWithLengthPath : PrecacheFile::kWithoutLengthPath) + 1);
        send({{"src", src}});
        send({{"src", src}});  // again while it runs: still one download
        waitForEnd();
        const auto& last = events_.back();
        ASSERT_EQ(last["event"], "precacheComplete");
        const std::int64_t total = withLength ? static_cast<std::int64_t>(PrecacheFile::kBytes) : -1;
        std::int64_t previous = -1;
        for (const auto& e : events_) {
            EXPECT_EQ(e["totalBytes"], total);
            EXPECT_EQ(e["src"], src);
            EXPECT_GE(e["bytesLoaded"].get<std::int64_t>(), previous);
            previous = e["bytesLoaded"];
        }
        EXPECT_EQ(events_.front()["bytesLoaded"], 0);
        EXPECT_EQ(last["bytesLoaded"], PrecacheFile::kBytes);
        // Its own folder in the precache folder, where the video player may take it from.
        const auto file = DZPrecacheFolder::fileInside(last["cachedSrc"]);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->filename(), withLength ? "media.bin" : "stream.bin");
        std::ifstream in(*file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_TRUE(bytes == PrecacheFile::content());

        events_.clear();
        send({{"abort", ""}});
        waitForEnd();
        EXPECT_EQ(events_.back()["event"], "precacheCanceled");
        EXPECT_EQ(events_.back()["bytesLoaded"], PrecacheFile::kBytes);
        EXPECT_TRUE(pump_.until([&] { return !fs::exists(file->parent_path()); }));
    }
    server.stop();
}

TEST_F(PrecacheTest, APageThatAbortsAndAsksAgainStartsAFewDownloadsInAll) {
    TempDir tmp;
    handler_->setFolder(tmp.path());
    LoopbackServer server;
    std::atomic<int> asked{0};
    server.get("/file", [&](const httplib::Request&, httplib::Response& res) {
        ++asked;
        res.set_content("bytes", "application/octet-stream");
    });
    platform::ScopedLogSink sink;
    for (int i = 0; i < DZPageAllowance::kMaxPrecacheStarts + 4; ++i) {
        events_.clear();
        send({{"src", server.url("/file")}});
        if (handler_->hasStartedPreloading()) waitForEnd();
        events_.clear();
        send({{"abort", "1"}});
        waitForEnd();  // its "precacheCanceled", before the next round's events
    }
    EXPECT_EQ(asked.load(), DZPageAllowance::kMaxPrecacheStarts);
    DZLoggingQueue()->sync([] {});
    EXPECT_THAT(sink.lines(), testing::Contains(testing::HasSubstr("started 8 downloads")));
    EXPECT_EQ(std::count_if(sink.lines().begin(), sink.lines().end(),
                            [](const std::string& line) { return line.find("Precache refused") == 0; }),
              1);
}

TEST_F(PrecacheTest, AbortAndTheCapDeleteWhatWasWritten) {
    TempDir tmp;
    handler_->setFolder(tmp.path());
    LoopbackServer server;
    // Endless bytes, slowly: an abort comes while it runs.
    server.get("/slow", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("application/octet-stream",
                                         [](std::size_t, httplib::DataSink& sink) {
                                             std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                             return sink.write(std::string(64 << 10, 's').data(), 64 << 10);
                                         });
    });
    // Endless bytes, fast, with no length: only the cap stops it.
    server.get("/endless", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("application/octet-stream",
                                         [](std::size_t, httplib::DataSink& sink) {
                                             static const std::string piece(1 << 20, 'e');
                                             return sink.write(piece.data(), piece.size());
                                         });
    });
    // Announces more than the cap.
    server.get("/huge", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(static_cast<std::size_t>(DZPrecacheAMSGHandler::kMaxBytes) + 1, "video/mp4",
                                 [](std::size_t, std::size_t length, httplib::DataSink& sink) {
                                     static const std::string piece(1 << 20, 'h');
                                     return sink.write(piece.data(), std::min(length, piece.size()));
                                 });
    });

    send({{"src", server.url("/slow")}});
    ASSERT_TRUE(pump_.until([&] { return !events_.empty() && events_.back()["bytesLoaded"] > 0; }));
    const fs::path partial = localPath(events_.back()["cachedSrc"]);
    EXPECT_TRUE(fs::exists(partial));
    send({{"abort", "1"}});
    waitForEnd();
    EXPECT_EQ(events_.back()["event"], "precacheCanceled");
    EXPECT_GT(events_.back()["bytesLoaded"], 0);
    EXPECT_TRUE(pump_.until([&] { return !fs::exists(partial.parent_path()); }));

    for (const char* path : {"/endless", "/huge"}) {
        SCOPED_TRACE(path);
        events_.clear();
        send({{"src", server.url(path)}});
        waitForEnd();
        EXPECT_EQ(events_.back()["event"], "precacheCanceled");
        EXPECT_LE(events_.back()["bytesLoaded"], DZPrecacheAMSGHandler::kMaxBytes);
        events_.clear();
        send({{"abort", "1"}});  // clean-up: a later source downloads again
        waitForEnd();
    }
    EXPECT_TRUE(pump_.until([&] { return fs::is_empty(tmp.path()); }));

    // What else the ad keeps on disk (its video's download) counts: 1 MiB left stops it there.
    const std::int64_t left = 1 << 20;
    auto allowance = std::make_shared<platform::DiskAllowance>(DZPrecacheAMSGHandler::kMaxBytes);
    ASSERT_TRUE(allowance->take(DZPrecacheAMSGHandler::kMaxBytes - left));
    handler_->setDiskAllowance(allowance);
    events_.clear();
    send({{"src", server.url("/endless")}});
    waitForEnd();
    EXPECT_EQ(events_.back()["event"], "precacheCanceled");
    EXPECT_LE(events_.back()["bytesLoaded"], left);
    EXPECT_TRUE(fs::is_empty(tmp.path()));
    EXPECT_EQ(allowance->used(), DZPrecacheAMSGHandler::kMaxBytes - left);
}

TEST_F(PrecacheTest, AFileThatCannotBeMadeCancelsOnceAndOtherSourcesAreRefused) {
    TempDir tmp;
    std::ofstream(tmp.file("plain")) << "not a folder";
    handler_->setFolder(tmp.path() / "plain" / "below");
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    send({{"src", server.baseURL() + (PrecacheFile::kWithLengthPath + 1)}});
    waitForEnd();
    pump_.runFor(std::chrono::milliseconds(300));  // nothing follows: the download was stopped
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0]["event"], "precacheCanceled");
    EXPECT_EQ(events_[0]["bytesLoaded"], 0);
    EXPECT_EQ(events_[0]["cachedSrc"], "");
    server.stop();

    // Only web URLs are fetched; an abort with nothing running still answers.
    handler_ = std::make_shared<DZPrecacheAMSGHandler>();
    handler_->setEventSink([this](const nlohmann::json& info) { events_.push_back(info); });
    events_.clear();
    for (const char* src : {"file:///etc/passwd", "javascript:alert(1)", "ftp://127.0.0.1/x"}) {
        send({{"src", src}});
    }
    EXPECT_FALSE(handler_->hasStartedPreloading());
    send({{"abort", "1"}});
    ASSERT_TRUE(pump_.until([&] { return !events_.empty(); }));
    EXPECT_EQ(events_.back()["event"], "precacheCanceled");
    EXPECT_EQ(events_.back()["bytesLoaded"], 0);
    EXPECT_EQ(events_.back()["src"], "");
}

}  // namespace
