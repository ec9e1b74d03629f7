#include <gtest/gtest.h>

#include <string>

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

}  // namespace
