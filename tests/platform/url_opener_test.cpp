// URLs: strict parsing, and only clean http/https pages ever reach a browser.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/foundation/AppPaths.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/url/Url.h"
#include "support/TempDir.h"

using platform::RecordingUrlOpener;
using platform::Url;
using platform::UrlOpener;

TEST(Url, ReadsAbsoluteUrlsAsRfc3986Does) {
    auto app = Url::parse("tikoleap:///startTitle");
    ASSERT_TRUE(app);
    EXPECT_EQ(app->scheme(), "tikoleap");
    EXPECT_EQ(app->host(), "");
    EXPECT_EQ(app->path(), "/startTitle");

    auto withHost = Url::parse("TikoLeap://app/announceManager/show?id=3");
    ASSERT_TRUE(withHost);
    EXPECT_EQ(withHost->scheme(), "tikoleap");
    EXPECT_EQ(withHost->host(), "app");
    EXPECT_EQ(withHost->path(), "/announceManager/show");
    EXPECT_EQ(withHost->query(), "id=3");
    EXPECT_FALSE(withHost->isWeb());
    EXPECT_EQ(Url::parse("tikoleap://startTitle")->path(), "");  // a host, no path
    EXPECT_TRUE(Url::parse("HTTPS://example.org/a%20b")->isWeb());

    auto ported = Url::parse("http://h.com:8080/a?q=1#f#g");
    ASSERT_TRUE(ported);
    EXPECT_TRUE(ported->hasPort());
    EXPECT_EQ(ported->port(), "8080");
    EXPECT_EQ(ported->fragment(), "f#g");
    EXPECT_FALSE(Url::parse("http://h.com/a")->hasPort());
    EXPECT_EQ(Url::parse("http://h.com/a")->fragment(), "");
}

TEST(Url, RefusesWhatIsNotAWellFormedAbsoluteUrl) {
    const std::string tooLong = "http://example.org/" + std::string(Url::kMaxLength, 'a');
    for (const std::string& bad :
         {std::string(), std::string("relative/path"), std::string("http://exa mple.org/"),
          std::string("http://example.org/\n/x"), std::string("http://example.org/\x7f"),
          std::string("http://example.org/\xc3\xa9"), std::string("http://a/%zz"),
          std::string("http://a:99999/"), std::string("http://[::1/x"), tooLong}) {
        std::string why;
        EXPECT_FALSE(Url::parse(bad, &why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
}

TEST(UrlOpener, OnlyCleanWebPagesAreHandedOnInOrder) {
    RecordingUrlOpener opener;
    for (const char* refused :
         {"file:///etc/passwd", "javascript:alert(1)", "tikoleap:///startTitle", "http:///no-host",
          "http://example.org/a\tb", "http://example.org/\r\nX: y", "ftp://example.org/x"}) {
        std::string why;
        EXPECT_FALSE(opener.open(refused, &why)) << refused;
        EXPECT_FALSE(why.empty()) << refused;
    }
    EXPECT_TRUE(opener.opened().empty());
    EXPECT_TRUE(opener.open("https://example.org/b?x=1&y=%20"));
    EXPECT_TRUE(opener.open("http://127.0.0.1:8080/a"));
    EXPECT_EQ(opener.opened(),
              (std::vector<std::string>{"https://example.org/b?x=1&y=%20", "http://127.0.0.1:8080/a"}));
}

TEST(UrlOpener, APageNoBrowserCanReachFailsWhereABadUrlIsRefused) {
    platform::DesktopUrlOpener desktop;
    std::string why;
    // The built-in web base: nothing is launched, and the reason names the domain.
    EXPECT_EQ(desktop.openPage("https://www.rerive.invalid/iphone/page/privacy", &why),
              UrlOpener::Outcome::Failed);
    EXPECT_NE(why.find(".invalid"), std::string::npos) << why;
    EXPECT_EQ(desktop.openPage("http://INVALID./x"), UrlOpener::Outcome::Failed);
    EXPECT_EQ(desktop.openPage("file:///etc/passwd"), UrlOpener::Outcome::Refused);
    RecordingUrlOpener recorder;  // headless: recorded, whatever the host
    EXPECT_EQ(recorder.openPage("https://www.rerive.invalid/x"), UrlOpener::Outcome::Opened);
}

TEST(UrlOpener, SharedOpenerCanBeReplacedAndRestored) {
    auto recorder = std::make_shared<RecordingUrlOpener>();
    auto previous = UrlOpener::setShared(recorder);
    EXPECT_EQ(&UrlOpener::shared(), recorder.get());
    UrlOpener::shared().open("http://example.org/");
    EXPECT_EQ(recorder->opened().size(), 1u);
    UrlOpener::setShared(previous);
    EXPECT_NE(&UrlOpener::shared(), recorder.get());
}

// The desktop's default handler really receives the page: a handler of our own, declared in a
// desktop file, writes what it was given into a file, and the cache folders of the user's
// environment rather than those a --home points the game's libraries at.
TEST(UrlOpener, DesktopOpenerLaunchesTheDefaultHandlerWithoutAShell) {
    tikoleap::test::TempDir xdg;
    const std::filesystem::path received = xdg.file("received.txt");
    const std::filesystem::path handler = xdg.file("handler.sh");
    {
        std::ofstream(handler) << "#!/bin/sh\nprintf '%s %s %s' \"$1\" \"$XDG_CACHE_HOME\" "
                                  "\"${MESA_SHADER_CACHE_DIR-unset}\" > '"
                               << received.string() << ".tmp'\nmv '" << received.string() << ".tmp' '"
                               << received.string() << "'\n";
    }
    ::chmod(handler.c_str(), 0755);
    xdg.write("data/applications/test-browser.desktop",
              "[Desktop Entry]\nType=Application\nName=Test browser\nExec=" + handler.string() +
                  " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n");
    xdg.write("config/mimeapps.list",
              "[Default Applications]\nx-scheme-handler/http=test-browser.desktop\n"
              "x-scheme-handler/https=test-browser.desktop\n");
    setenv("XDG_DATA_HOME", (xdg.path() / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (xdg.path() / "config").c_str(), 1);
    setenv("XDG_DATA_DIRS", (xdg.path() / "none").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (xdg.path() / "none").c_str(), 1);

    setenv("XDG_CACHE_HOME", "/users/own/cache", 1);
    unsetenv("MESA_SHADER_CACHE_DIR");
    platform::AppPaths::setHome(xdg.file("home"));
    platform::AppPaths::keepLibraryCachesInHome();
    platform::AppPaths::setHome({});
    ASSERT_EQ(std::string(getenv("MESA_SHADER_CACHE_DIR")), (xdg.path() / "home" / "Caches").string());

    platform::DesktopUrlOpener opener;
    const std::string page = "http://127.0.0.1:9/cmd/jump?gid=1000&v=1.0+beta&ha=1;echo%20x";
    std::string error;
    ASSERT_TRUE(opener.open(page, &error)) << error;
    for (int i = 0; i < 500 && !std::filesystem::exists(received); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(std::filesystem::exists(received));
    const std::vector<uint8_t> got = xdg.read("received.txt");
    EXPECT_EQ(std::string(got.begin(), got.end()), page + " /users/own/cache unset");
}
