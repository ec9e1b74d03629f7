#pragma once
// Native ads under test: ad views on the scripted web engine, a virtual-clock main loop, and a
// loopback server with the pictures (PNG, one slow, one cut short; two JPEGs, one turned by its
// EXIF, and a GIF), an impression
// URL and a support page that the stored default points at.
#include <gdk-pixbuf/gdk-pixbuf.h>

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
        server_.reply("/img/photo.jpg", 200, jpeg(), {{"Content-Type", "image/jpeg"}});
        server_.reply("/img/turned.jpg", 200, jpeg(6), {{"Content-Type", "image/jpeg"}});
        // One transparent pixel.
        server_.reply("/img/pixel.gif", 200,
                      std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
                                  "!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00"
                                  "\x02\x02\x44\x01\x00;",
                                  43),
                      {{"Content-Type", "image/gif"}});
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
    // An 8 x 6 photograph in one colour; with an EXIF orientation when `turn` is not 0 (6: the
    // camera was held a quarter turned, so it shows 6 x 8).
    static std::string jpeg(int turn = 0) {
        GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 8, 6);
        gdk_pixbuf_fill(pixbuf, 0x3366ccff);
        gchar* buffer = nullptr;
        gsize size = 0;
        gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "jpeg", nullptr, nullptr);
        std::string bytes(buffer ? buffer : "", size);
        g_free(buffer);
        g_object_unref(pixbuf);
        if (turn == 0) return bytes;
        // An APP1 segment: "Exif", then a little-endian TIFF header whose first directory holds
        // one entry, the orientation (tag 0x112, one SHORT).
        const std::string exif = std::string("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24) +
                                 static_cast<char>(turn) + std::string(7, '\0');
        const std::size_t length = exif.size() + 2;
        return bytes.substr(0, 2) + "\xff\xe1" + static_cast<char>(length >> 8) +
               static_cast<char>(length & 0xff) + exif + bytes.substr(2);
    }

    AdViewTestBed views_;
    LoopbackServer server_;
};

}  // namespace tikoleap::test
