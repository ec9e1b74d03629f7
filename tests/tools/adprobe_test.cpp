#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/Command.h"
#include "support/RunOutput.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

namespace {

using tikoleap::test::runCommand;

using tikoleap::test::lastLine;

TEST(AdProbe, FetchesFromTheServerAndPrintsParameters) {
    tikoleap::test::TempDir home("tikoleap-adprobe");
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    const std::string probe = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adprobe --home " +
                              home.path().string() + " --ad-server " + server.baseURL() + " ";

    auto banner = runCommand(probe + "fetch '/zads/ad?slotname=tikoleap-banner' 2>/dev/null");
    ASSERT_EQ(banner.code, 0);
    auto result = lastLine(banner.out);
    EXPECT_EQ(result["ok"], true);
    EXPECT_EQ(result["ad"]["customAdSizeString"], "320x50");
    EXPECT_EQ(result["ad"]["responseType"], 1);

    auto nofill = lastLine(runCommand(probe + "fetch '/zads/ad?slotname=tikoleap-nofill' 2>/dev/null").out);
    EXPECT_EQ(nofill["ok"], false);
    EXPECT_EQ(nofill["error"]["code"], 1);
    EXPECT_TRUE(server.waitForKind("ad_request", 2, std::chrono::seconds(5)));

    auto params = runCommand(probe + "params --gender 1 --keyword jump --extras '{\"k\":\"v\"}' 2>/dev/null");
    ASSERT_EQ(params.code, 0);
    auto p = lastLine(params.out);
    EXPECT_EQ(p["cust_gender"], "1");
    EXPECT_EQ(p["kw"], nlohmann::json({"jump"}));
    EXPECT_EQ(p["extras"]["k"], "v");

    for (const char* bad : {"params --extras '[1]'", "params --birthday 2020-13-01",
                            "fetch file:///etc/passwd", "fetch", "nothing"})
        EXPECT_EQ(runCommand(probe + bad + " 2>/dev/null").code, 2) << bad;
    EXPECT_EQ(runCommand(std::string(TIKOLEAP_BINARY_DIR) +
                         "/tikoleap-adprobe --ad-server ftp://x params 2>/dev/null")
                  .code,
              2);
}

TEST(AdProbe, SaysWhatItCouldNotDoInsteadOfMakingResultsUp) {
    tikoleap::test::TempDir home("tikoleap-adprobe");
    int port = 0;
    {
        tikoleap::adserver::AdServer gone;
        ASSERT_TRUE(gone.start(0, ""));
        port = gone.port();
    }
    const std::string program = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adprobe";
    const std::string probe = program + " --home " + home.path().string() +
                              " --ad-server http://127.0.0.1:" + std::to_string(port) + "/ ";

    auto down = runCommand(probe + "fetch '/zads/ad?slotname=tikoleap-banner' 2>/dev/null");
    EXPECT_EQ(down.code, 1);
    const auto result = lastLine(down.out);
    EXPECT_EQ(result["ok"], false);
    EXPECT_EQ(result["error"].value("message", "").rfind("the server could not be reached", 0), 0u)
        << down.out;
    // It loads no page, so it fetches no page's scripts and says nothing of them.
    const auto said = runCommand(probe + "fetch '/zads/ad?slotname=tikoleap-banner' 2>&1 >/dev/null").out;
    EXPECT_EQ(said.find("MRAID"), std::string::npos) << said;

    for (const char* command : {"core --unit tikoleap-banner", "slot --unit tikoleap-banner",
                                "banner --unit tikoleap-banner --seconds 1",
                                "adview --url /creative/house-banner", "browser --url http://127.0.0.1:1/"}) {
        auto headless =
            runCommand("env -u DISPLAY -u WAYLAND_DISPLAY " + probe + command + " 2>&1 >/dev/null");
        EXPECT_EQ(headless.code, 1) << command;
        EXPECT_NE(headless.out.find("needs a display"), std::string::npos) << command << ": " << headless.out;
    }

    // A display that is named but not there is none either.
    auto absent = runCommand("env -u WAYLAND_DISPLAY DISPLAY=:4093 " + probe +
                             "browser --url http://127.0.0.1:1/ 2>&1 >/dev/null");
    EXPECT_EQ(absent.code, 1);
    EXPECT_NE(absent.out.find("needs a display"), std::string::npos) << absent.out;
    EXPECT_NE(absent.out.find("DISPLAY=:4093"), std::string::npos) << absent.out;
    // With a display, a page of the server that is down is said not to have loaded, and the web
    // processes say nothing of an accessibility bus nobody here uses.
    if (const char* display = std::getenv("DISPLAY"); display && *display) {
        // What the processes say goes apart from the result line (a sanitizer build adds its own).
        const std::string saidFile = home.file("said").string();
        auto down = runCommand(probe + "browser --seconds 1 --url http://127.0.0.1:" + std::to_string(port) +
                               "/landing 2>'" + saidFile + "'");
        EXPECT_EQ(down.code, 0);
        EXPECT_EQ(lastLine(down.out)["error"], "The page could not be loaded.") << down.out;
        std::ifstream in(saidFile);
        const std::string stderrText((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(stderrText.find("a11y"), std::string::npos) << stderrText;
    }

    for (const std::string help : {" --help", " fetch --help", " -h", " fetch -h"}) {
        auto usage = runCommand(program + help + " 2>/dev/null");
        EXPECT_EQ(usage.code, 0) << help;
        EXPECT_EQ(usage.out.rfind("usage: tikoleap-adprobe", 0), 0u) << usage.out;
    }
}

// A wrong argument is told for what it is, by the name the user gave, and nothing else is said.
TEST(ToolArguments, AreRefusedByTheNameTheUserGave) {
    const std::string bin = std::string(TIKOLEAP_BINARY_DIR) + "/";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"tikoleap-adserver --bogus", "tikoleap-adserver: unknown option --bogus\n"},
        {"tikoleap-adprobe --bogus", "tikoleap-adprobe: unknown option --bogus\n"},
        {"tikoleap-adprobe params --bogus", "tikoleap-adprobe: unknown option --bogus\n"},
        {"tikoleap-adprobe --ad-server notaurl params",
         "tikoleap-adprobe: --ad-server takes an http or https URL\n"},
    };
    for (const auto& [command, said] : cases) {
        const auto run = runCommand("env -u TIKOLEAP_AD_SERVER " + bin + command + " 2>&1 >/dev/null");
        EXPECT_EQ(run.code, 2) << command;
        EXPECT_EQ(run.out.rfind(said, 0), 0u) << command << ": " << run.out;
    }
}

// The docs' example of the server and the probe, run as written by bash (its files in a folder of
// the test's own rather than /tmp): the probe asks the server once it has said where it listens.
TEST(AdProbe, TheServerExampleOfTheDocsRunsAsWritten) {
    const std::string doc = tikoleap::test::readFile(std::string(TIKOLEAP_SOURCE_DIR) + "/docs/ad-server.md");
    const size_t server = doc.find("build/tikoleap-adserver --log");
    ASSERT_NE(server, std::string::npos);
    const size_t begin = doc.rfind("```sh\n", server);
    const size_t end = doc.find("```", server);
    ASSERT_NE(begin, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    std::string example = doc.substr(begin + 6, end - begin - 6);
    tikoleap::test::TempDir tmp("tikoleap-docs-example");
    for (size_t at = 0; (at = example.find("/tmp/", at)) != std::string::npos;) {
        example.replace(at, 5, tmp.path().string() + "/");
        at += tmp.path().string().size() + 1;
    }
    tmp.write("example.sh", example);
    std::filesystem::create_directory_symlink(TIKOLEAP_BINARY_DIR, tmp.path() / "build");
    const auto run = runCommand("cd '" + tmp.path().string() + "' && timeout 60 bash example.sh 2>&1");
    bool fetched = false;
    for (size_t from = 0; from < run.out.size();) {
        const size_t to = std::min(run.out.find('\n', from), run.out.size());
        const auto line = nlohmann::json::parse(run.out.substr(from, to - from), nullptr, false);
        fetched = fetched || (line.is_object() && line.value("ok", false) && line.contains("ad"));
        from = to + 1;
    }
    EXPECT_TRUE(fetched) << run.out;
    EXPECT_NE(run.out.find("tikoleap-banner"), std::string::npos) << "the server's log: " << run.out;
    EXPECT_TRUE(std::filesystem::is_directory(tmp.path() / "ads-home")) << "the probe's home";
}

}  // namespace
