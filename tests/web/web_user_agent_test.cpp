// The engine's own user agent, read without a view: the one every view sends unless told otherwise.
#include <gtest/gtest.h>

#include "WebTestKit.h"
#include "platform/web/WebKitUserAgent.h"

namespace {

class WebUserAgent : public webtest::ViewTest {
  protected:
    WebUserAgent() : ViewTest(320, 50) {}
};

}  // namespace

TEST_F(WebUserAgent, TheDefaultReadOnceIsTheOneViewsSend) {
    const auto agent = platform::web::webKitDefaultUserAgent();
    ASSERT_TRUE(agent);
    EXPECT_EQ(*agent, engine->userAgent());
    EXPECT_EQ(platform::web::webKitDefaultUserAgent(), agent);
}
