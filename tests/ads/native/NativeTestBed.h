#pragma once
// Native ads under test: ad views on the scripted web engine, a virtual-clock main loop, and a
// loopback server with the pictures (PNG; one slow, one cut short), an impression URL and a support
// page that the stored default points at.
#include <chrono>
#include <string>
#include <thread>

#include "ads/formats/native/DZNativeAd.h"
#include "ads/render/AdViewTestBed.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/image/PngCodec.h"
#include "support/LoopbackServer.h"

namespace tikoleap::test {

class NativeTestBed {
  public:
    NativeTestBed() {
        std::vector<std::uint8_t> rgba(4 * 4 * 4, 200);
        const auto png = platform::PngCodec::encode(rgba.data(), 4, 4);
        const std::string bytes(png.begin(), png.end());
        for (const char* path : {"/img/icon.png", "/img/a.png", "/img/b.png"})
            server_.reply(path, 200, bytes, {{"Content-Type", "image/png"}});
        server_.get("/img/slow.png", [bytes](const httplib::Request&, httplib::Response& response) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            response.set_content(bytes, "image/png");
        });
        server_.reply("/img/truncated.png", 200, bytes.substr(0, bytes.size() / 2),
                      {{"Content-Type", "image/png"}});
        server_.reply("/imp", 200);
        server_.reply("/support.html", 200, "<html><body>support</body></html>",
                      {{"Content-Type", "text/html"}});
        platform::UserDefaults::standard()->setString(DZNativeAd::kSupportURLDefaultsKey,
                                                      server_.url("/support.html"));
    }

    LoopbackServer& server() { return server_; }
    AdViewTestBed& views() { return views_; }
    bool until(const std::function<bool()>& done) { return views_.home().pump().until(done); }
    void runFor(std::chrono::milliseconds span) { views_.home().pump().runFor(span); }
    void advance(double seconds) { views_.home().loop().advance(seconds); }
    int hitsOf(const std::string& path) const { return static_cast<int>(server_.count(path)); }

  private:
    AdViewTestBed views_;
    LoopbackServer server_;
};

}  // namespace tikoleap::test
