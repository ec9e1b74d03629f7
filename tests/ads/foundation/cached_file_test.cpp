// Cached files against a loopback server: where they live, conditional revalidation, failures
// and the redirect veto.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "ads/foundation/DZCachedFile.h"
#include "ads/foundation/DZDevice.h"
#include "platform/foundation/AppPaths.h"
#include "support/LoopbackServer.h"
#include "support/MainLoopPump.h"
#include "support/TempDir.h"

namespace {

using tikoleap::test::LoopbackServer;
using tikoleap::test::MainLoopPump;
using tikoleap::test::TempDir;

struct FileDelegate : DZCachedFileDelegate {
    int ended = 0;
    int failed = 0;
    platform::ErrorRef error;
    std::vector<std::string> redirects;
    std::string veto;

    platform::ErrorRef cachedFileShouldRedirectToURL(DZCachedFile&, const std::string& url) override {
        redirects.push_back(url);
        return url == veto ? std::make_shared<platform::Error>("test", 7) : nullptr;
    }
    void cachedFileDownloadDidEnd(DZCachedFile&) override { ++ended; }
    void cachedFileDownloadDidFail(DZCachedFile&, platform::ErrorRef e) override {
        ++failed;
        error = e;
    }
    int outcomes() const { return ended + failed; }
};

class DZCachedFileTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::AppPaths::setHome(home.path()); }
    void TearDown() override { platform::AppPaths::setHome({}); }

    std::shared_ptr<DZCachedFile> file(const std::string& path) {
        auto f = DZCachedFile::initWithURL(server.url(path));
        f->setDelegate(delegate);
        return f;
    }
    void fetch(const std::shared_ptr<DZCachedFile>& f) {
        const int before = delegate->outcomes();
        f->validate();
        ASSERT_TRUE(pump.until([&] { return delegate->outcomes() > before && !f->isFetching(); }));
    }

    TempDir home;
    MainLoopPump pump;
    LoopbackServer server;
    std::shared_ptr<FileDelegate> delegate = std::make_shared<FileDelegate>();
};

TEST_F(DZCachedFileTest, FilesStayInsideTheirHostFolderAndAreNamedByADigest) {
    const auto caches = platform::AppPaths::cachesDirectory();
    auto a = DZCachedFile::initWithURL("http://Example.com/a");
    auto b = DZCachedFile::initWithURL("http://example.com/b");
    EXPECT_EQ(a->filePath().parent_path(), caches / "example.com");
    EXPECT_EQ(a->filePath().filename().string().size(), 64u);
    EXPECT_NE(a->filePath(), b->filePath());
    EXPECT_EQ(DZCachedFile::initWithURL("file:///etc/passwd")->filePath().parent_path(), caches / "@local");
    EXPECT_EQ(DZCachedFile::initWithURL("http://.hidden/x")->filePath().parent_path(), caches / "_hidden");
    for (const char* hostile : {"http://../x", "http://%2e%2e/x", "http://a%2fb/x"}) {
        auto f = DZCachedFile::initWithURL(hostile);
        const auto folder = f->filePath().parent_path();
        EXPECT_EQ(folder.parent_path(), caches) << hostile;
        EXPECT_NE(folder.filename(), "..") << hostile;
    }
    EXPECT_FALSE(DZCachedFile::initWithURL(""));
}

TEST_F(DZCachedFileTest, AHostsFolderGoesWithItsLastFileAndLeftoversAreSweptWithoutFollowingLinks) {
    namespace fs = std::filesystem;
    const auto caches = platform::AppPaths::cachesDirectory();
    const std::string digest(64, 'a');
    TempDir outside;
    outside.write(digest, "not ours");
    home.write("Caches/old.example/" + digest, "left by a crash");
    fs::create_directories(caches / "empty.example");
    home.write("Caches/kept.example/notes.txt", "not a digest");
    fs::create_directories(caches / "DiDaz");
    fs::create_directories(caches / "linked.example");
    fs::create_symlink(outside.file(digest), caches / "linked.example" / digest);
    fs::create_directory_symlink(outside.path(), caches / "folder.example");

    server.reply("/ping", 200, "ok");
    auto f = file("/ping");
    auto g = file("/other");
    server.reply("/other", 200, "ok");
    fetch(f);
    fetch(g);
    ASSERT_EQ(delegate->ended, 2);
    for (const char* gone : {"old.example", "empty.example", "linked.example"})
        EXPECT_FALSE(fs::exists(fs::symlink_status(caches / gone))) << gone;
    EXPECT_TRUE(fs::exists(caches / "kept.example" / "notes.txt"));
    EXPECT_TRUE(fs::is_directory(caches / "DiDaz"));
    EXPECT_TRUE(fs::is_symlink(caches / "folder.example"));
    EXPECT_TRUE(fs::exists(outside.file(digest)));

    const auto folder = f->filePath().parent_path();
    f->invalidate();
    EXPECT_TRUE(fs::is_directory(folder)) << "another file of the host is still there";
    g->invalidate();
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(DZCachedFileTest, RevalidationSendsTheServersDateBackAndKeepsTheFileOn304) {
    server.get("/res", [](const httplib::Request& req, httplib::Response& res) {
        if (req.has_header("If-Modified-Since")) {
            res.status = 304;
            return;
        }
        res.set_header("Last-Modified", "Sun, 06 Nov 1994 08:49:37 GMT");
        res.set_content("first body", "text/plain");
    });
    DZDevice::sharedInstance()->setUserAgentString("Engine/2.0 (cached files)");
    auto f = file("/res");
    fetch(f);
    ASSERT_EQ(delegate->ended, 1);
    EXPECT_EQ(f->contentAsString(), "first body");
    EXPECT_EQ(server.hits("/res").at(0).header("If-Modified-Since"), "");
    EXPECT_EQ(server.hits("/res").at(0).header("User-Agent"), "Engine/2.0 (cached files)");
    struct stat st {};
    ASSERT_EQ(::stat(f->filePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 784111777);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    fetch(f);
    EXPECT_EQ(delegate->ended, 2);
    EXPECT_EQ(f->HTTPStatusCode(), 304);
    EXPECT_EQ(server.hits("/res").at(1).header("If-Modified-Since"), "Sun, 06 Nov 1994 08:49:37");
    EXPECT_EQ(f->contentAsString(), "first body");
    ASSERT_EQ(::stat(f->filePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 784111777);

    f->invalidate();
    EXPECT_FALSE(f->fileExists());
}

TEST_F(DZCachedFileTest, OtherAnswersFailAndWriteNothing) {
    server.reply("/missing", 404, "no");
    auto f = file("/missing");
    fetch(f);
    EXPECT_EQ(delegate->failed, 1);
    EXPECT_FALSE(delegate->error);
    EXPECT_FALSE(f->fileExists());

    server.reply("/down", 503, "later", {{"Last-Modified", "Sun, 06 Nov 1994 08:49:37 GMT"}});
    auto g = file("/down");
    fetch(g);
    EXPECT_EQ(delegate->failed, 2);
    EXPECT_FALSE(g->fileExists());

    server.shortBody("/cut", 400, "partial");
    auto h = file("/cut");
    fetch(h);
    EXPECT_EQ(delegate->failed, 3);
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->domain(), "NSURLErrorDomain");
    EXPECT_FALSE(h->fileExists());
}

TEST_F(DZCachedFileTest, TheCacheBusterAddsWholeSecondsAndEveryLaterFetchReloads) {
    server.reply("/b", 200, "x");
    auto f = file("/b");
    f->validateWithCacheBuster();
    ASSERT_TRUE(pump.until([&] { return delegate->outcomes() == 1 && !f->isFetching(); }));
    const std::string unique = server.hits("/b").at(0).param("unique");
    ASSERT_FALSE(unique.empty());
    EXPECT_EQ(unique.find_first_not_of("0123456789"), std::string::npos) << unique;
    const double sinceReference =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count() -
        978307200.0;
    EXPECT_NEAR(std::stod(unique), sinceReference, 60);
    EXPECT_EQ(f->cachePolicy(), DZCachedFile::kReloadIgnoringLocalCacheData);
    // Saved without a Last-Modified: the file keeps the time of writing.
    struct stat st {};
    ASSERT_EQ(::stat(f->filePath().c_str(), &st), 0);
    EXPECT_NEAR(static_cast<double>(st.st_mtim.tv_sec), sinceReference + 978307200.0, 60);
}

TEST_F(DZCachedFileTest, TheDelegateSeesEveryRedirectAndMayStopThere) {
    server.redirectChain("hop", 3);
    delegate->veto = server.url("/hop/3");
    auto f = file("/hop/1");
    fetch(f);
    EXPECT_EQ(delegate->redirects, (std::vector<std::string>{server.url("/hop/2"), server.url("/hop/3")}));
    EXPECT_EQ(delegate->failed, 1);
    ASSERT_TRUE(delegate->error);
    EXPECT_EQ(delegate->error->code(), 7);
    EXPECT_EQ(f->HTTPDestinationURL(), server.url("/hop/3"));
    EXPECT_EQ(server.count("/hop/3"), 0u);
    EXPECT_FALSE(f->fileExists());
}

}  // namespace
