#pragma once
// The local ad server of the whole real-engine test process. It is never stopped: the engine
// keeps connections open ahead of requests, and a stop would wait for each of them to time out.
#include <gtest/gtest.h>

#include "tools/adserver/AdServer.h"

namespace webtest {

inline tikoleap::adserver::AdServer& adServer() {
    static auto* server = [] {
        auto* s = new tikoleap::adserver::AdServer;
        EXPECT_TRUE(s->start(0, ""));
        return s;
    }();
    return *server;
}

}  // namespace webtest
