// Announcement checks against a local server: the signed request, the check intervals, the
// cache of the list and its files, and everything a server can do wrong.
#include <sys/stat.h>

#include <optional>
#include <thread>

#include "platform/foundation/ScopedLogSink.h"
#include "tests/services/AnnounceTestKit.h"

using namespace announcetest;

namespace {

// A debug line of the checks (read with the log's debug lines on) holding the text.
bool logged(const platform::ScopedLogSink& log, const std::string& text) {
    for (const std::string& line : log.lines())
        if (line.rfind("[] AnnounceManager\n", 0) == 0 && line.find(text) != std::string::npos) return true;
    return false;
}

// What follows the first debug line's prefix, or nothing.
std::optional<std::string> loggedAfter(const platform::ScopedLogSink& log, const std::string& prefix) {
    for (const std::string& line : log.lines()) {
        const size_t at = line.find("\n" + prefix);
        if (line.rfind("[] ", 0) == 0 && at != std::string::npos) return line.substr(at + 1 + prefix.size());
    }
    return std::nullopt;
}

bool warned(const platform::ScopedLogSink& log, const std::string& text) {
    for (const std::string& line : log.lines())
        if (line.rfind("[WARN]", 0) == 0 && line.find(text) != std::string::npos) return true;
    return false;
}

size_t warnings(const platform::ScopedLogSink& log) {
    size_t n = 0;
    for (const std::string& line : log.lines()) n += line.rfind("[WARN]", 0) == 0;
    return n;
}

const std::string kImageA = "first image bytes";
const std::string kImageB = "second image bytes";

std::string twoFileList(const std::string& success = "3600", const std::string& failure = "600") {
    return list({item({"HPVe", "Am1"}), item({"HCIt", success, failure}), item({"HVSi", "320", "50"}),
                 item({"Fi", "a", "a.png", crcText(kImageA)}), item({"Fi", "b", "b.png", crcText(kImageB)}),
                 item({"UI", "0", "0", "a"}), item({"SetP", "didazEnable", "1"})});
}

}  // namespace

TEST_F(AnnounceTest, TheRequestIsSignedWithTheGameIdentity) {
    serveList(list({}));
    check();
    ASSERT_EQ(listHits(), 1u);
    const tikoleap::test::Hit hit = server.hits("/iphone/cmd/announce").front();
    EXPECT_EQ(hit.param("gid"), "1000");
    EXPECT_EQ(hit.param("v"), "1.2 beta");
    EXPECT_NE(hit.target.find("v=1.2+beta&"), std::string::npos);
    EXPECT_EQ(hit.param("arid"), core->aridStr());
    EXPECT_EQ(hit.param("dt"), "1800000000");
    EXPECT_EQ(hit.param("fv"), "20");
    EXPECT_EQ(hit.param("tn"), core->tnParamStr());
    const std::string signing = "1000,1.2 beta,ar" + core->aridStr() + ",1800000000,Rw8%kD3!qZ6&bN1x";
    EXPECT_EQ(hit.param("ha"), std::to_string(referenceCrc32(signing)));
    // The order of the parameters is part of the format.
    EXPECT_EQ(hit.target.rfind("/iphone/cmd/announce?gid=1000&v=", 0), 0u);
    EXPECT_NE(hit.target.find("&dt=1800000000&ha="), std::string::npos);
}

TEST_F(AnnounceTest, AnnounceLinkMatchesAHandComputedSignature) {
    SignedLinks::Identity id{"http://h/",        1000, "1.0", "00112233445566778899aabbccddeeff",
                             "Rw8%kD3!qZ6&bN1x", "x;1"};
    SignedLinks::Link link = SignedLinks::announce(id, 1700000000);
    EXPECT_EQ(link.signingString, "1000,1.0,ar00112233445566778899aabbccddeeff,1700000000,Rw8%kD3!qZ6&bN1x");
    // zlib.crc32 of the signing string, worked out by hand once.
    EXPECT_EQ(link.ha, 0x986417e6u);
    EXPECT_EQ(link.url,
              "http://h/cmd/announce?gid=1000&v=1.0&arid=00112233445566778899aabbccddeeff&dt=1700000000&ha=" +
                  std::to_string(0x986417e6u) + "&tn=x%3B1&fv=20");
}

TEST_F(AnnounceTest, AListAndItsFilesAreCachedPrivatelyWithTheStatus) {
    const std::string body = twoFileList();
    serveList(body);
    serveFile("a.png", kImageA);
    serveFile("b.png", kImageB);
    check();
    struct stat st {};
    ASSERT_EQ(::lstat(cacheDir().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(cacheDir().filename(), "corvane_announce_cache_1000");
    EXPECT_EQ(filesIn(cacheDir()), (std::vector<std::string>{"a.png." + crcText(kImageA), "announce.plist",
                                                             "b.png." + crcText(kImageB), "status.plist"}));
    EXPECT_EQ(readFile(cacheDir() / "announce.plist"), body);
    EXPECT_EQ(readFile(cacheDir() / ("a.png." + crcText(kImageA))), kImageA);
    platform::PlistDict saved = status();
    EXPECT_EQ(saved.getReal("nextCheckAfter"), kStart + 3600);
    EXPECT_EQ(saved.getReal("previousCheckAt"), kStart);
    EXPECT_EQ(saved.getInt("popupAdDoneSerial"), 0);
    ASSERT_TRUE(saved.getDict("amProperties"));
    EXPECT_EQ(saved.getDict("amProperties")->getString("didazEnable"), "1");
    EXPECT_TRUE(manager->bannerIsDirty());
    EXPECT_EQ(manager->amPropertyAsIntForKey("didazEnable", 0), 1);
    EXPECT_EQ(manager->amPropertyAsStringForKey("didazBannerAdPublisherId", "none"), "none");
}

TEST_F(AnnounceTest, ChecksWaitForTheServersIntervalsWhichAreCappedAt30Days) {
    serveList(twoFileList("3600", "600"));
    serveFile("a.png", kImageA);
    serveFile("b.png", kImageB);
    check();
    clock = kStart + 3599;
    check();
    EXPECT_EQ(listHits(), 1u);  // inside the window: skipped
    clock = kStart + 3600;
    check();
    EXPECT_EQ(listHits(), 2u);

    // A restart reads the window back from the status file.
    auto restarted = AnnounceManager::create({home.path() / "tmp", [this] { return clock.load(); }});
    restarted->setAppCore(core.get());
    clock = kStart + 3700;
    restarted->startDownload();
    restarted->waitForDownload();
    EXPECT_EQ(listHits(), 2u);
    // A clock set back before the last check forces one.
    clock = kStart - 10;
    restarted->startDownload();
    restarted->waitForDownload();
    EXPECT_EQ(listHits(), 3u);

    serveList(twoFileList("99999999", "99999999"));
    clock = kStart + 10000;
    check();
    EXPECT_EQ(manager->nextCheckAfter(), kStart + 10000 + 2592000);
}

TEST_F(AnnounceTest, TheCacheIsTheAnsweringServersAndAnotherOneStartsAfresh) {
    serveList(twoFileList("3600", "600"));
    serveFile("a.png", kImageA);
    serveFile("b.png", kImageB);
    check();
    ASSERT_EQ(status().getString("webBaseUrl"), server.url("/iphone/"));
    // Within the hour, a restart pointed at another server asks that one at once and keeps nothing
    // of the first one's: no files, no settings, no window.
    server.reply("/other/cmd/announce", 200,
                 list({item({"HCIt", "3600", "600"}), item({"SetP", "didazEnable", "0"})}));
    clock = kStart + 60;
    core->setIphoneWebUrl(server.url("/other/"));
    auto restarted = AnnounceManager::create({home.path() / "tmp", [this] { return clock.load(); }});
    restarted->setAppCore(core.get());
    restarted->startDownload();
    restarted->waitForDownload();
    EXPECT_EQ(server.count("/other/cmd/announce"), 1u);
    EXPECT_EQ(filesIn(cacheDir()), (std::vector<std::string>{"announce.plist", "status.plist"}));
    EXPECT_EQ(restarted->amPropertyAsIntForKey("didazEnable", 1), 0);
    EXPECT_EQ(status().getString("webBaseUrl"), server.url("/other/"));
    // Back at the first server: afresh again, and then its own window holds.
    core->setIphoneWebUrl(server.url("/iphone/"));
    clock = kStart + 120;
    check();
    clock = kStart + 180;
    check();
    EXPECT_EQ(listHits(), 2u);
    EXPECT_EQ(manager->amPropertyAsIntForKey("didazEnable", 0), 1);
    // A status that names no server is of none in particular: dropped as well.
    platform::PlistDict unnamed = status();
    unnamed.remove("webBaseUrl");
    platform::writePlistDictionaryFile(cacheDir() / "status.plist", unnamed);
    check();
    EXPECT_EQ(listHits(), 3u);
}

TEST_F(AnnounceTest, AFailedCheckIsTriedAgainAfterAMinute) {
    server.reply("/iphone/cmd/announce", 404, "gone");
    platform::ScopedLogSink log(true);
    check();
    EXPECT_TRUE(logged(log, "AM:download:invalid status code:404"));
    EXPECT_EQ(manager->nextCheckAfter(), kStart + 60);
    EXPECT_EQ(status().getReal("nextCheckAfter"), kStart + 60);
    clock = kStart + 59;
    check();
    EXPECT_EQ(listHits(), 1u);
    clock = kStart + 60;
    check();
    EXPECT_EQ(listHits(), 2u);
    // A list that parses but whose files fail waits for the list's failure interval.
    serveList(twoFileList("3600", "600"));
    clock = kStart + 200;
    check();
    EXPECT_EQ(manager->nextCheckAfter(), kStart + 200 + 600);
    EXPECT_FALSE(std::filesystem::exists(cacheDir() / "announce.plist"));
}

TEST_F(AnnounceTest, AChangedListReplacesTheFilesAndAFailingOneKeepsTheOldCacheWhole) {
    serveList(twoFileList());
    serveFile("a.png", kImageA);
    serveFile("b.png", kImageB);
    check();
    // Files the clean-up must leave alone: hidden ones and anything not a regular file.
    platform::writeFileAtomically(cacheDir() / ".keep", "k", 1, 0600);
    std::filesystem::create_directory(cacheDir() / "folder");

    const std::string newA = "first image, second version";
    const std::string changed =
        list({item({"HCIt", "3600", "600"}), item({"Fi", "a", "a.png", crcText(newA)}),
              item({"UI", "0", "0", "a"})});
    serveList(changed);
    serveFile("a.png", newA);
    clock = kStart + 4000;
    check();
    EXPECT_EQ(filesIn(cacheDir()), (std::vector<std::string>{".keep", "a.png." + crcText(newA),
                                                             "announce.plist", "folder", "status.plist"}));
    EXPECT_EQ(readFile(cacheDir() / "announce.plist"), changed);

    // The next list's second file has the wrong checksum: nothing of the cache in use changes.
    const std::string broken = list({item({"Fi", "a", "a.png", crcText(newA)}),
                                     item({"Fi", "c", "c.png", "00000000"}), item({"UI", "0", "0", "c"})});
    serveList(broken);
    serveFile("c.png", "not what the list says");
    manager->showBannerOn(nullptr, nullptr, {0, 0}, 0, 0);  // takes the new list in
    ASSERT_FALSE(manager->bannerIsDirty());
    platform::ScopedLogSink log(true);
    clock = kStart + 8000;
    check();
    EXPECT_TRUE(logged(log, "AM:checksum mismatch c.png " + crcText("not what the list says")));
    EXPECT_EQ(readFile(cacheDir() / "announce.plist"), changed);
    EXPECT_TRUE(std::filesystem::exists(cacheDir() / ("a.png." + crcText(newA))));
    EXPECT_FALSE(manager->bannerIsDirty());
    // The list parsed, so its own failure interval (none given: 0) decides the next check.
    EXPECT_EQ(manager->nextCheckAfter(), kStart + 8000);
}

TEST_F(AnnounceTest, ServerFaultsEndTheCheckAndKeepThePreviousCache) {
    serveList(twoFileList());
    serveFile("a.png", kImageA);
    serveFile("b.png", kImageB);
    check();
    const std::string good = readFile(cacheDir() / "announce.plist");
    struct Case {
        const char* what;
        std::function<void()> serve;
        const char* line;
    };
    const std::vector<Case> cases = {
        {"garbage", [&] { serveList("\x01\x02 not a list at all {"); }, "AM:announce load err"},
        {"not an array", [&] { serveList("{ a = b; }"); }, "AM:announce load err:the list is not an array"},
        {"truncated", [&] { serveList("((\"HPVe\", \"Am1\"), (\"Fi\", \"a\""); }, "AM:announce load err"},
        {"wrong version",
         [&] {
             serveList(list({item({"HPVe", "Am2"})}));
         },
         "AM:announce parse failure"},
        {"item not an array", [&] { serveList("(\"Fi\")"); }, "AM:announce parse failure"},
        {"short body", [&] { server.shortBody("/iphone/cmd/announce", 500, "(("); }, "AM:download:err"},
        {"huge list", [&] { serveList("(" + std::string(AnnounceManager::kMaxListBytes, ' ') + ")"); },
         "AM:download:err"},
        {"file 404",
         [&] {
             serveList(list({item({"Fi", "z", "z.png", "12345678"}), item({"UI", "0", "0", "z"})}));
         },
         "AM:can't download"},
    };
    double t = kStart + 4000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.serve();
        platform::ScopedLogSink log(true);
        clock = t;
        check();
        t += 100;
        EXPECT_TRUE(logged(log, c.line));
        EXPECT_EQ(warnings(log), 0u) << "a server's trouble is a debug line";
        EXPECT_EQ(readFile(cacheDir() / "announce.plist"), good);
        EXPECT_TRUE(std::filesystem::exists(cacheDir() / ("a.png." + crcText(kImageA))));
    }
    // Thousands of files: refused whole before any download.
    std::string many = "(";
    for (int i = 0; i < 3000; ++i)
        many += item({"Fi", "k" + std::to_string(i), "f" + std::to_string(i), "0"}) + ",";
    many += ")";
    serveList(many);
    server.clearHits();
    platform::ScopedLogSink log(true);
    clock = t;
    check();
    EXPECT_TRUE(logged(log, "AM:announce parse failure"));
    EXPECT_EQ(server.hits().size(), 1u);
    EXPECT_EQ(readFile(cacheDir() / "announce.plist"), good);
}

TEST_F(AnnounceTest, RedirectsAndSlowAnswersAreFollowedAndFilesResolveAgainstTheFinalUrl) {
    server.redirect("/iphone/cmd/announce", "/moved/lists/current.plist");
    server.slow("/moved/lists/current.plist", 0.3, 200,
                list({item({"HFUr", "../files/"}), item({"Fi", "a", "a.png", crcText(kImageA)}),
                      item({"UI", "0", "0", "a"})}));
    server.reply("/moved/files/a.png", 200, kImageA);
    check();
    EXPECT_EQ(server.count("/moved/files/a.png"), 1u);
    EXPECT_TRUE(std::filesystem::exists(cacheDir() / ("a.png." + crcText(kImageA))));
}

TEST_F(AnnounceTest, FileNamesThatWouldLeaveTheCacheAreRefusedAndTheRestOfTheListCounts) {
    const std::string hostile =
        list({item({"Fi", "up", "../escaped", "00000000"}), item({"Fi", "abs", "/etc/escaped", "00000000"}),
              item({"Fi", "hidden", ".status", "00000000"}), item({"Fi", "deep", "x/../../y", "00000000"}),
              item({"Fi", "a", "a.png", crcText(kImageA)}), item({"UI", "0", "0", "a"})});
    serveList(hostile);
    serveFile("a.png", kImageA);
    platform::ScopedLogSink log;
    check();
    size_t refused = 0;
    for (const std::string& line : log.lines())
        refused += line.find("Unsafe file name refused") != std::string::npos;
    EXPECT_EQ(refused, 4u);
    EXPECT_EQ(readFile(cacheDir() / "announce.plist"), hostile);
    EXPECT_EQ(filesIn(cacheDir()),
              (std::vector<std::string>{"a.png." + crcText(kImageA), "announce.plist", "status.plist"}));
    EXPECT_FALSE(std::filesystem::exists(cacheDir().parent_path() / "escaped.00000000"));
    EXPECT_EQ(server.hits().size(), 2u);  // the list and a.png only
}

TEST_F(AnnounceTest, AListWithANulByteInAFileNameIsRefusedNotCutShort) {
    auto xmlItem = [](std::initializer_list<std::string> strings) {
        std::string out = "<array>";
        for (const std::string& text : strings) out += "<string>" + text + "</string>";
        return out + "</array>";
    };
    const std::string nul(1, '\0');
    const std::string body = "<?xml version=\"1.0\"?><plist version=\"1.0\"><array>" +
                             xmlItem({"Fi", "bad", "ok" + nul + "/../..", crcText("ok")}) +
                             xmlItem({"Fi", "a", "a.png", crcText(kImageA)}) + "</array></plist>";
    serveList(body);
    serveFile("ok", "ok");
    serveFile("a.png", kImageA);
    platform::ScopedLogSink log(true);
    check();
    EXPECT_TRUE(logged(log, "AM:announce load err:a string in the property list holds a NUL byte"));
    EXPECT_EQ(server.hits().size(), 1u);  // the list alone: neither "ok" nor anything after it
    EXPECT_EQ(filesIn(cacheDir()), std::vector<std::string>{"status.plist"});
}

TEST_F(AnnounceTest, CacheFilesAreNeverWrittenThroughALinkThatLeavesTheGamesFolders) {
    // Files of someone else's, outside the home.
    tikoleap::test::TempDir outside;
    outside.write("precious", std::string_view("keep me"));
    outside.write("list", std::string_view("keep me too"));
    ASSERT_TRUE(manager->prepareCacheDir());
    const std::filesystem::path cachedA = cacheDir() / ("a.png." + crcText(kImageA));
    std::filesystem::create_symlink(outside.path() / "precious", cachedA);
    serveList(twoFileList());
    serveFile("a.png", kImageA);
    serveFile("b.png", kImageB);
    platform::ScopedLogSink log;
    check();
    EXPECT_TRUE(warned(log, cachedA.string() + ": it leads to " + (outside.path() / "precious").string()));
    EXPECT_EQ(readFile(outside.path() / "precious"), "keep me");
    EXPECT_TRUE(std::filesystem::is_symlink(cachedA));

    // The list itself, once its files are in, and the status file: one warning each.
    std::filesystem::remove(cachedA);
    std::filesystem::create_symlink(outside.path() / "list", cacheDir() / "announce.plist");
    std::filesystem::remove(cacheDir() / "status.plist");
    std::filesystem::create_symlink(outside.path() / "status", cacheDir() / "status.plist");
    log.clear();
    clock = kStart + 1000;
    check();
    EXPECT_EQ(warnings(log), 2u);
    EXPECT_TRUE(warned(log, (outside.path() / "list").string()));
    EXPECT_TRUE(warned(log, (outside.path() / "status").string()));
    EXPECT_EQ(readFile(outside.path() / "list"), "keep me too");
    EXPECT_EQ(filesIn(outside.path()), (std::vector<std::string>{"list", "precious"}));
}

TEST_F(AnnounceTest, ACachedFileIsTrustedOnlyWhileItMatchesItsChecksum) {
    serveList(twoFileList());
    serveFile("a.png", kImageA);
    serveFile("b.png", kImageB);
    check();
    const std::filesystem::path cached = cacheDir() / ("a.png." + crcText(kImageA));
    platform::writeFileAtomically(cached, "tampered", 8, 0600);
    clock = kStart + 4000;
    check();
    EXPECT_EQ(server.count("/iphone/cmd/a.png"), 2u);
    EXPECT_EQ(server.count("/iphone/cmd/b.png"), 1u);  // a cache hit
    EXPECT_EQ(readFile(cached), kImageA);
}

TEST_F(AnnounceTest, ShutdownDuringADownloadLeavesTheCacheAsItWas) {
    serveList(twoFileList());
    serveFile("a.png", kImageA);
    serveFile("b.png", kImageB);
    check();
    const std::string before = readFile(cacheDir() / "announce.plist");
    const std::string statusBefore = readFile(cacheDir() / "status.plist");
    server.slow("/iphone/cmd/announce", 2, 200, list({item({"HCIt", "1", "1"})}));
    clock = kStart + 4000;
    manager->startDownload();
    ASSERT_TRUE(server.waitForHits("/iphone/cmd/announce", 2));
    manager->shutdown();
    manager->waitForDownload();
    EXPECT_FALSE(manager->isDownloading());
    EXPECT_EQ(readFile(cacheDir() / "announce.plist"), before);
    EXPECT_EQ(readFile(cacheDir() / "status.plist"), statusBefore);
}

TEST_F(AnnounceTest, NeverTwoDownloadThreads) {
    server.slow("/iphone/cmd/announce", 1, 200, list({}));
    manager->startDownload();
    ASSERT_TRUE(server.waitForHits("/iphone/cmd/announce", 1));
    clock = kStart + 1000;
    manager->startDownload();  // still running, not shut down: skipped
    EXPECT_TRUE(manager->isDownloading());
    // Background and back at once: the old thread gives up and is waited for; one new check runs.
    manager->shutdown();
    manager->startDownload();
    manager->waitForDownload();
    EXPECT_EQ(listHits(), 2u);
}

TEST_F(AnnounceTest, DeleteCacheFilesUrlEmptiesTheCacheButKeepsTheCheckTimes) {
    serveList(twoFileList());
    serveFile("a.png", kImageA);
    serveFile("b.png", kImageB);
    check();
    const double next = manager->nextCheckAfter();
    EXPECT_TRUE(core->applicationHandleOpenURL("tikoleap:///announceManager/deleteCacheFiles"));
    EXPECT_TRUE(filesIn(cacheDir()).empty());
    EXPECT_EQ(manager->nextCheckAfter(), next);
    // Once shut down, nothing is deleted.
    check();
    clock = kStart + 5000;
    check();
    manager->shutdown();
    manager->processAmUrl("tikoleap:///announceManager/deleteCacheFiles");
    EXPECT_FALSE(filesIn(cacheDir()).empty());
}

TEST_F(AnnounceTest, OnlyAPrivateFolderOfThisUsersHoldsTheCache) {
    std::filesystem::create_directories(home.path() / "tmp" / "elsewhere");
    std::filesystem::create_directory_symlink(home.path() / "tmp" / "elsewhere", cacheDir());
    serveList(twoFileList());
    platform::ScopedLogSink log;
    check();
    EXPECT_FALSE(manager->prepareCacheDir());
    EXPECT_TRUE(filesIn(home.path() / "tmp" / "elsewhere").empty());
    std::filesystem::remove(cacheDir());
    std::filesystem::create_directory(cacheDir());
    std::filesystem::permissions(cacheDir(), std::filesystem::perms::all);
    ASSERT_TRUE(manager->prepareCacheDir());
    struct stat st {};
    ::lstat(cacheDir().c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(AnnounceTest, AnUnreadableStatusFileIsKeptAsideAndTheWrongTypesAreIgnored) {
    std::filesystem::create_directories(cacheDir());
    platform::writeFileAtomically(cacheDir() / "status.plist", "garbage", 7, 0600);
    serveList(list({}));
    {
        platform::ScopedLogSink log(true);
        check();
        EXPECT_TRUE(loggedAfter(log, "AM:state load err:"));
        EXPECT_FALSE(loggedAfter(log, "AM:state save err:"));
    }
    EXPECT_TRUE(std::filesystem::exists(cacheDir() / "status.plist.corrupt"));
    EXPECT_EQ(status().getReal("previousCheckAt"), kStart);

    platform::PlistDict wrong;
    wrong.setString("nextCheckAfter", "soon");
    wrong.setInt("previousCheckAt", 5);
    wrong.setString("amProperties", "none");
    platform::writePlistDictionaryFile(cacheDir() / "status.plist", wrong);
    auto fresh = AnnounceManager::create({home.path() / "tmp", [this] { return clock.load(); }});
    fresh->loadState();
    EXPECT_EQ(fresh->nextCheckAfter(), 0);
    EXPECT_EQ(fresh->previousCheckAt(), 0);
    EXPECT_FALSE(fresh->amProperties());
}

TEST_F(AnnounceTest, TheBuiltInBaseUrlNamesNoServerSoNothingIsAsked) {
    core->setIphoneWebUrl("http://tikoleap.invalid/iphone/");
    manager->startDownload();
    EXPECT_FALSE(manager->isDownloading());
    manager->waitForDownload();
    EXPECT_TRUE(server.hits().empty());
}

TEST_F(AnnounceTest, TheStatusFilesErrorsAreDebugLinesWithTheirReasons) {
    ASSERT_TRUE(manager->prepareCacheDir());
    const std::filesystem::path statusFile = cacheDir() / "status.plist";
    std::filesystem::create_directory(statusFile);
    serveList(list({}));
    platform::ScopedLogSink log(true);
    check();
    const std::optional<std::string> load = loggedAfter(log, "AM:state load err:");
    const std::optional<std::string> save = loggedAfter(log, "AM:state save err:");
    ASSERT_TRUE(load && save);
    EXPECT_FALSE(load->empty());
    EXPECT_FALSE(save->empty());
    EXPECT_NE(*save, statusFile.string()) << "the reason, not only the path";
}

TEST_F(AnnounceTest, AShutdownJustBeforeTheListIsStoredStillAsksForTheInterstitial) {
    serveList(list({item({"SetP", "didazInterstitialAdPublisherId", "unit"})}));
    const std::thread::id mainThread = std::this_thread::get_id();
    std::shared_ptr<AnnounceManager> leaving;
    // The download thread reads the clock once more after the list has parsed, just before it
    // stores it: the app goes to the background there.
    leaving = AnnounceManager::create({home.path() / "tmp", [&] {
                                           if (std::this_thread::get_id() != mainThread && listHits() > 0)
                                               leaving->shutdown();
                                           return clock.load();
                                       }});
    leaving->setAppCore(core.get());
    // No ad core answers here: a real interstitial would wait for one until the process ends.
    std::string unitAsked;
    leaving->setInterstitialFactory([&](const std::string& unit) {
        unitAsked = unit;
        return std::shared_ptr<DZInterstitial>();
    });
    platform::ScopedLogSink log(true);
    leaving->startDownload();
    leaving->waitForDownload();
    EXPECT_FALSE(std::filesystem::exists(cacheDir() / "announce.plist"));
    EXPECT_TRUE(pump.until([&] { return unitAsked == "unit"; }));
    EXPECT_EQ(leaving->amPropertyAsStringForKey("didazInterstitialAdPublisherId", ""), "unit");
}
