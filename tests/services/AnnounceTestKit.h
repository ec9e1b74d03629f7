#pragma once
// An announcement manager on a private home, a manual clock and a loopback server standing in
// for the game's web server: lists and files are served from there, never from elsewhere.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/MyAppCore.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/FileIO.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/plist/PlistDict.h"
#include "platform/plist/PlistFile.h"
#include "services/AnnounceManager.h"
#include "support/LoopbackServer.h"
#include "support/MainLoopPump.h"
#include "support/TempDir.h"

namespace announcetest {

// One list item in the text property-list format: ("Fi", "key", ...).
inline std::string item(std::initializer_list<std::string> elements) {
    std::string out = "(";
    for (const std::string& e : elements) {
        if (out.size() > 1) out += ", ";
        out += "\"";
        for (char c : e) {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
        out += "\"";
    }
    return out + ")";
}

inline std::string list(std::initializer_list<std::string> items) {
    std::string out = "(";
    for (const std::string& i : items) {
        if (out.size() > 1) out += ",\n";
        out += i;
    }
    return out + ")";
}

// The CRC-32 as the list writes it: 8 lower-case hexadecimal digits, computed bit by bit here so
// the test does not lean on the code under test.
inline uint32_t referenceCrc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}
inline std::string crcText(const std::string& bytes) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", referenceCrc32(bytes));
    return text;
}

inline std::string readFile(const std::filesystem::path& path) {
    platform::FileReadResult read = platform::readWholeFile(path, 64u << 20);
    return std::string(read.bytes.begin(), read.bytes.end());
}

// File names of a folder, sorted.
inline std::vector<std::string> filesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct AnnounceTest : testing::Test {
    static constexpr double kStart = 1800000000;

    void SetUp() override {
        platform::AppPaths::setHome(home.path());
        previousOpener = platform::UrlOpener::setShared(opener);
        // The build's resources: the screens a level start may show load their interface files.
        core = std::make_unique<MyAppCore>(TIKOLEAP_RESOURCES_DIR, nullptr);
        core->init();
        core->setAppVersionString("1.2 beta");
        core->setIphoneWebUrl(server.url("/iphone/"));
        manager = AnnounceManager::create({home.path() / "tmp", [this] { return clock.load(); }});
        core->setAnnounceManager(manager);
        manager->setAppCore(core.get());
    }
    void TearDown() override {
        core.reset();
        manager.reset();
        platform::UrlOpener::setShared(previousOpener);
        platform::AppPaths::setHome({});
    }

    // Serves the list as the announcement answer.
    void serveList(const std::string& body) { server.reply("/iphone/cmd/announce", 200, body); }
    void serveFile(const std::string& name, const std::string& body) {
        server.reply("/iphone/cmd/" + name, 200, body);
    }
    // One check at the current clock, waited for.
    void check() {
        manager->startDownload();
        manager->waitForDownload();
    }
    size_t listHits() const { return server.count("/iphone/cmd/announce"); }
    std::filesystem::path cacheDir() const { return manager->cacheDirPath(); }
    platform::PlistDict status() const {
        return platform::readPlistDictionaryFile(cacheDir() / "status.plist").value_or(platform::PlistDict());
    }

    tikoleap::test::TempDir home;
    tikoleap::test::LoopbackServer server;
    tikoleap::test::MainLoopPump pump;
    std::shared_ptr<platform::RecordingUrlOpener> opener = std::make_shared<platform::RecordingUrlOpener>();
    std::shared_ptr<platform::UrlOpener> previousOpener;
    std::atomic<double> clock{kStart};
    std::unique_ptr<MyAppCore> core;
    std::shared_ptr<AnnounceManager> manager;
};

}  // namespace announcetest
