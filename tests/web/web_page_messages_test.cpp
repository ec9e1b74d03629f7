// The message queue of our own pages on the real engine, in the actions interstitial that sends
// page messages beside the rich-media API: messages and links followed leave in the order given,
// and a parameter without a value stays out of its message instead of arriving as "undefined".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WebAdServer.h"
#include "WebTestKit.h"
#include "tools/adserver/MRAIDCreatives.h"

using tikoleap::adserver::MRAIDCreatives;

namespace {

class WebPageMessages : public webtest::ViewTest {
  protected:
    WebPageMessages() : ViewTest(320, 480) {}
    std::vector<std::string> sent() const {
        std::vector<std::string> out;
        for (const auto& n : recorder.navigations)
            if (n.url.rfind("amsg:", 0) == 0 || n.url.rfind("sms:", 0) == 0) out.push_back(n.url);
        return out;
    }
};

}  // namespace

TEST_F(WebPageMessages, TheActionsInterstitialSendsInTurnAndLeavesOutParametersWithoutValue) {
    const std::string base = webtest::adServer().baseURL();
    load(MRAIDCreatives::html("actions", base + "landing"), base);
    recorder.allow = false;  // as the ad view, which takes the page's messages itself
    ASSERT_TRUE(webtest::evaluate(*engine,
                                  "tlSend('video', {action: 'src', src: undefined, w: null, x: 0});"
                                  "tlFollow('sms:+15550100'); tlSend('precache', {}); 1")
                    .ok);
    ASSERT_TRUE(webtest::runUntil([&] { return sent().size() >= 3; }));
    webtest::runFor(0.2);
    EXPECT_EQ(sent(), (std::vector<std::string>{"amsg://page/video?action=src&x=0", "sms:+15550100",
                                                "amsg://page/precache"}));
}
