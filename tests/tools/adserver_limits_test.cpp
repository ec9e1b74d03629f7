// The local ad server against a page that attacks by volume or from another name: held answers,
// silent connections, big heads and bodies, a log that would grow without end, rebound names and
// requests that pages sent.
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/HitLog.h"

namespace {

using tikoleap::adserver::AdServer;
using tikoleap::adserver::HitLog;
using Clock = std::chrono::steady_clock;

class AdServerLimits : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.start(0, ""));
        http = std::make_unique<httplib::Client>("127.0.0.1", server.port());
        http->set_read_timeout(20, 0);
    }
    int connectSilently() const {
        const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(server.port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return sock;
    }
    // The status line of the answer to a request written by hand.
    std::string statusLine(const std::string& request) const {
        const int sock = connectSilently();
        EXPECT_EQ(::send(sock, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
        std::string answer(64, '\0');
        const ssize_t got = ::recv(sock, answer.data(), answer.size(), MSG_WAITALL);
        ::close(sock);
        answer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return answer.substr(0, answer.find("\r\n"));
    }
    std::string host(const std::string& name) const { return name + ":" + std::to_string(server.port()); }

    AdServer server;
    std::unique_ptr<httplib::Client> http;
};

TEST_F(AdServerLimits, HeldAnswersAreCappedAndKeepNoOtherRequestWaiting) {
    const auto start = Clock::now();
    std::atomic<int> held{0}, refused{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < AdServer::kMaxHolds + 4; ++i) {
        clients.emplace_back([&] {
            httplib::Client client("127.0.0.1", server.port());
            client.set_read_timeout(20, 0);
            auto res = client.Get("/zads/ad?slotname=tikoleap-slow&delay_ms=4000");
            if (res && res->status == 200) ++held;
            if (res && res->status == 503) ++refused;
        });
    }
    EXPECT_TRUE(server.waitForKind("ad_request", AdServer::kMaxHolds + 4, std::chrono::seconds(10)));
    auto normal = http->Get("/zads/ad?slotname=tikoleap-banner");
    ASSERT_TRUE(normal);
    EXPECT_EQ(normal->status, 200);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    for (auto& client : clients) client.join();
    EXPECT_EQ(held, AdServer::kMaxHolds);
    EXPECT_EQ(refused, 4);
    // Their places are given back.
    EXPECT_EQ(http->Get("/zads/ad?slotname=tikoleap-slow&delay_ms=1")->status, 200);
}

TEST_F(AdServerLimits, SilentConnectionsKeepNoRequestWaitingAndAreClosed) {
    std::vector<int> silent;
    for (int i = 0; i < 24; ++i) silent.push_back(connectSilently());
    const auto start = Clock::now();
    auto normal = http->Get("/zads/ad?slotname=tikoleap-banner");
    ASSERT_TRUE(normal);
    EXPECT_EQ(normal->status, 200);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    // Once the wait for a head is over, the server closes them.
    timeval wait{15, 0};
    char byte = 0;
    for (int sock : silent) {
        ::setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        EXPECT_EQ(::recv(sock, &byte, 1, 0), 0);
        ::close(sock);
    }
}

// Far more idle connections than workers, and some that drip their heads: none holds a worker.
TEST_F(AdServerLimits, HundredsOfIdleConnectionsHoldNoWorker) {
    std::vector<int> idle;
    for (int i = 0; i < 300; ++i) idle.push_back(connectSilently());
    for (int i = 0; i < 40; ++i) {
        idle.push_back(connectSilently());
        ASSERT_EQ(::send(idle.back(), "GET /beacon HTTP/1.1\r\n", 22, MSG_NOSIGNAL), 22);
    }
    const auto start = Clock::now();
    for (int i = 0; i < 3; ++i) {
        auto normal = http->Get("/zads/ad?slotname=tikoleap-banner");
        ASSERT_TRUE(normal);
        EXPECT_EQ(normal->status, 200);
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    for (int sock : idle) ::close(sock);
}

// A client that keeps its connection open after its answer, and one that says nothing: stopping
// waits for neither.
TEST_F(AdServerLimits, StopsAtOnceWhateverItsConnectionsDo) {
    const int answered = connectSilently();
    const std::string request = "GET /beacon HTTP/1.1\r\nHost: " + host("127.0.0.1") + "\r\n\r\n";
    ASSERT_EQ(::send(answered, request.data(), request.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(request.size()));
    std::string status(12, '\0');
    ASSERT_EQ(::recv(answered, status.data(), status.size(), MSG_WAITALL), 12);
    EXPECT_EQ(status, "HTTP/1.1 204");
    const int silent = connectSilently();
    const auto start = Clock::now();
    server.stop();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    ::close(answered);
    ::close(silent);
}

TEST_F(AdServerLimits, HeadsAndBodiesAreBoundedAndSoIsTheKeptLog) {
    httplib::Headers big;
    for (int i = 0; i < 40; ++i) big.emplace("X-Big-" + std::to_string(i), std::string(1000, 'h'));
    auto tooBig = http->Get("/adpage/imp?big=1", big);
    ASSERT_TRUE(tooBig);
    EXPECT_EQ(tooBig->status, 431);

    auto tooLong = http->Post("/adpage/imp?long=1", std::string((1 << 20) + 1, 'b'), "text/plain");
    ASSERT_TRUE(tooLong);
    EXPECT_EQ(tooLong->status, 413);
    auto chunked = http->Post(
        "/adpage/imp?chunked=1",
        [](std::size_t, httplib::DataSink& sink) {
            sink.write("unit", 4);
            sink.done();
            return true;
        },
        "text/plain");
    ASSERT_TRUE(chunked);
    EXPECT_EQ(chunked->status, 411);
    const auto refusals = server.log();
    ASSERT_EQ(refusals.size(), 2u);  // the head too big never became a hit
    EXPECT_EQ(refusals[0]["refused"], 413);
    EXPECT_EQ(refusals[0]["body_bytes"], 0);
    EXPECT_EQ(refusals[1]["refused"], 411);

    // Hits of 30 KB heads, past what the log keeps: the newest are kept, within its bound.
    httplib::Headers large;
    for (int i = 0; i < 30; ++i) large.emplace("X-Large-" + std::to_string(i), std::string(1000, 'l'));
    const std::size_t keptBytes = HitLog::Limits{}.maxKeptBytes;
    const std::size_t requests = keptBytes / 30000 + 100;
    for (std::size_t i = 0; i < requests; ++i) ASSERT_EQ(http->Get("/beacon", large)->status, 204) << i;
    const auto kept = server.log();
    std::size_t bytes = 0;
    for (const auto& hit : kept) bytes += hit.dump().size();
    EXPECT_LE(bytes, keptBytes);
    EXPECT_GT(kept.front()["seq"].get<std::size_t>(), 2u);
    EXPECT_EQ(kept.back()["seq"], requests + 2);
}

TEST(AdServerHitLog, KeepsTheNewestHitsAndStopsWritingItsFileAtItsBounds) {
    tikoleap::test::TempDir dir("tikoleap-hitlog");
    HitLog log({3, 1 << 20, 200});
    ASSERT_TRUE(log.open((dir.path() / "hits.jsonl").string(), nullptr));
    for (int i = 0; i < 5; ++i) log.add({{"kind", "beacon"}, {"n", std::string(40, 'n')}});
    const auto hits = log.hits();
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits.front()["seq"], 3);
    EXPECT_TRUE(log.waitForKind("beacon", 3, std::chrono::milliseconds(0)));
    std::ifstream file(dir.path() / "hits.jsonl");
    std::string line;
    int lines = 0;
    while (std::getline(file, line)) EXPECT_EQ(nlohmann::json::parse(line)["seq"], ++lines);
    EXPECT_EQ(lines, 2);  // a third line would pass 200 bytes
}

TEST_F(AdServerLimits, AnswersItsOwnNamesOnlyAndKeepsItsLogAndCommandsFromPages) {
    const std::string own = "http://" + host("127.0.0.1");
    for (const std::string& name : {host("localhost"), host("LocalHost"), host("127.0.0.1")})
        EXPECT_EQ(http->Get("/_log", {{"Host", name}})->status, 200) << name;
    for (const std::string& name :
         {host("rebound.example"), std::string("127.0.0.1"), "127.0.0.1:" + std::to_string(server.port() + 1),
          host("127.0.0.1.rebound.example")}) {
        EXPECT_EQ(http->Get("/_log", {{"Host", name}})->status, 403) << name;
        EXPECT_EQ(http->Get("/zads/ad?slotname=tikoleap-banner", {{"Host", name}})->status, 403) << name;
    }
    // HTTP/1.1 must name the host; HTTP/1.0 need not.
    EXPECT_EQ(statusLine("GET /_log HTTP/1.1\r\n\r\n"), "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(statusLine("GET /_log HTTP/1.0\r\n\r\n"), "HTTP/1.1 200 OK");
    for (const char* path : {"/_log", "/cmd/announce"}) {
        for (const std::string& origin : {own, std::string("null"), std::string("http://rebound.example")})
            EXPECT_EQ(http->Get(path, {{"Origin", origin}})->status, 403) << path << " " << origin;
    }
    EXPECT_EQ(http->Get("/cmd/announce")->status, 200);

    const std::string unit = R"({"hashCode":7})";
    EXPECT_EQ(
        http->Post("/zd/unit", {{"Origin", "http://rebound.example"}}, unit, "application/json")->status,
        403);
    EXPECT_EQ(http->Post("/zd/unit", {{"Origin", "null"}}, unit, "text/plain")->status, 403);
    EXPECT_EQ(http->Post("/zd/unit", {{"Origin", own}}, unit, "application/json")->status, 204);
    std::size_t units = 0;
    for (const auto& hit : server.log()) {
        if (hit["kind"] == "zd" && hit.contains("unit")) ++units;
        if (hit.contains("refused")) {
            EXPECT_EQ(hit["refused"], 403);
        }
    }
    EXPECT_EQ(units, 1u);
}

TEST(AdServerPort, APortInUseIsRefusedAndAStoppedServersPortCanBeTakenAgain) {
    AdServer first;
    ASSERT_TRUE(first.start(0, ""));
    const int port = first.port();
    AdServer second;
    std::string error;
    EXPECT_FALSE(second.start(port, "", &error));
    EXPECT_NE(error.find("cannot listen"), std::string::npos) << error;
    // A closed connection lingers on the port: a restart still takes it.
    httplib::Client client("127.0.0.1", port);
    ASSERT_TRUE(client.Get("/beacon"));
    first.stop();
    AdServer again;
    EXPECT_TRUE(again.start(port, ""));
}

}  // namespace
