// An ad's offered purchase end to end on the real engine: the local ad server's purchase banner in
// the probe (its own process), tapped, through the component's own purchase flow on a fake store
// or the system's (which has none here). The probe ends only once its reports were answered, so
// the server's log holds them when it returns.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/Command.h"
#include "support/RunOutput.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

namespace {

class AdProbePurchase : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
        ASSERT_TRUE(server.start(0, ""));
    }
    nlohmann::json purchase(const std::string& more) {
        const auto run = tikoleap::test::runCommand(
            std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adprobe --home " + home.path().string() +
            " --ad-server " + server.baseURL() + " purchase --unit tikoleap-iap " + more + " 2>/dev/null");
        EXPECT_EQ(run.code, 0) << run.out;
        return tikoleap::test::lastLine(run.out);
    }
    std::vector<nlohmann::json> hits(const std::string& kind) const {
        std::vector<nlohmann::json> found;
        for (const auto& hit : server.log())
            if (hit["kind"] == kind) found.push_back(hit);
        return found;
    }
    // The one hit of the kind, whose query holds (at least) these values.
    void expectOne(const std::string& kind, const std::map<std::string, std::string>& wanted) const {
        const auto found = hits(kind);
        ASSERT_EQ(found.size(), 1u) << kind;
        for (const auto& [name, value] : wanted)
            EXPECT_EQ(found[0]["query"].value(name, ""), value) << kind << " " << name;
    }
    // The purchase banner's track ping with the outcome.
    void expectTracked(const std::string& status) const {
        expectOne("track", {{"c", "iap"}, {"sku", "tikoleap.coins"}, {"quantity", "2"}, {"status", status}});
    }

    tikoleap::test::TempDir home{"tikoleap-purchase"};
    tikoleap::adserver::AdServer server;
};

TEST_F(AdProbePurchase, APaidPurchaseIsFinishedTrackedAndReportedAsAConversion) {
    const auto result = purchase("--fake-store tikoleap.coins=0.99:EUR");
    EXPECT_EQ(result["purchase"],
              (nlohmann::json{{"productID", "tikoleap.coins"}, {"quantity", 2}, {"status", 1}}));
    EXPECT_EQ(result["alerts"], nlohmann::json::array());
    expectTracked("1");
    expectOne("conversion", {{"sku", "tikoleap.coins"},
                             {"quantity", "2"},
                             {"price", "0.99"},
                             {"currency_code", "EUR"},
                             {"iap_source", "auto"},
                             {"transaction_id", "fake-1"}});
}

TEST_F(AdProbePurchase, ACancelledOrUnavailablePurchaseIsTrackedButNotConverted) {
    const auto cancelled = purchase("--fake-store tikoleap.coins=0.99:EUR --outcome cancelled");
    EXPECT_EQ(cancelled["purchase"],
              (nlohmann::json{{"productID", "tikoleap.coins"}, {"quantity", 2}, {"status", 2}}));
    EXPECT_EQ(cancelled["alerts"], nlohmann::json::array());
    expectTracked("2");
    EXPECT_TRUE(hits("conversion").empty());
}

TEST_F(AdProbePurchase, TheSystemStoreKnowsNoProductSoTheUserIsToldAndTheAdHearsInvalidProduct) {
    const auto result = purchase("");
    EXPECT_EQ(result["purchase"],
              (nlohmann::json{{"productID", "tikoleap.coins"}, {"quantity", 2}, {"status", 3}}));
    EXPECT_EQ(result["alerts"], nlohmann::json::array({"Whoops!"}));
    expectTracked("3");
    EXPECT_TRUE(hits("conversion").empty());
}

TEST(AdProbePurchaseArguments, AFakeStoreMustBeWellFormedAndTheCommandNeedsADisplay) {
    tikoleap::test::TempDir home{"tikoleap-purchase-args"};
    const std::string probe = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adprobe --home " +
                              home.path().string() +
                              " --ad-server http://127.0.0.1:1/ purchase --unit tikoleap-iap ";
    for (const char* bad :
         {"--fake-store tikoleap.coins", "--fake-store tikoleap.coins=abc:EUR", "--fake-store =0.99:EUR",
          "--fake-store tikoleap.coins=0.99:", "--fake-store tikoleap.coins=0.99:EUR --outcome refunded",
          "--outcome cancelled", "--timeout 0"}) {
        EXPECT_EQ(tikoleap::test::runCommand(probe + bad + " >/dev/null 2>&1").code, 2) << bad;
    }
    const auto headless =
        tikoleap::test::runCommand("env -u DISPLAY -u WAYLAND_DISPLAY " + probe + "2>&1 >/dev/null");
    EXPECT_EQ(headless.code, 1);
    EXPECT_NE(headless.out.find("needs a display"), std::string::npos) << headless.out;
}

}  // namespace
