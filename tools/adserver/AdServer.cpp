#include "tools/adserver/AdServer.h"

#include "tools/adserver/CorePage.h"
#include "tools/adserver/MRAIDCreatives.h"
#include "tools/adserver/MRAIDScript.h"
#include "tools/adserver/MediationConfigurations.h"
#include "tools/adserver/NativeAds.h"
#include "tools/adserver/PrecacheFile.h"
#include "tools/adserver/PurchaseBanner.h"
#include "tools/adserver/RequestGate.h"
#include "tools/adserver/SwipeBanner.h"
#include "tools/adserver/TokenEndpoint.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <iterator>

namespace tikoleap::adserver {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string firstParam(const httplib::Request& req, const std::string& name) {
    auto it = req.params.find(name);
    return it == req.params.end() ? std::string() : it->second;
}

// Where a house ad's impression and click go: this server's pings, with the ad's query.
void setHouseAdTrackers(httplib::Response& res, const std::string& baseURL, const std::string& query) {
    res.set_header("x-zazo-tracking-urls", baseURL + "adpage/imp?" + query);
    res.set_header("x-zazo-click-tracking-urls", baseURL + "adpage/click?" + query);
}

std::string escapedParam(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

}  // namespace

void AdServer::answerVideo(const std::string& name, httplib::Response& res) {
    std::ifstream file(std::string(kVideoFolder) + "/" + name, std::ios::binary);
    std::string body((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) body.clear();
    if (body.empty()) {
        res.status = 404;
        res.set_content("no such video (the build makes them with tikoleap-videogen)", "text/plain");
        return;
    }
    res.set_content(body, name.ends_with(".webm") ? "video/webm" : "video/ogg");
}

AdServer::~AdServer() {
    stop();
}

bool AdServer::start(int port, const std::string& logPath, std::string* error) {
    if (!logPath.empty() && !hits_.open(logPath, error)) return false;
    server_.set_pre_routing_handler(
        [this](const httplib::Request& req, httplib::Response& res) { return admit(req, res); });
    // No body passes the largest a route takes, even one the gate has not seen announced.
    server_.set_payload_max_length(std::max(kMaxReportBytes, RequestGate::kMaxBodyBytes));
    // Every route records its hit first, once the body has been read (so its size is known).
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
    auto recorded = [this](Handler handler) {
        return [this, handler](const httplib::Request& req, httplib::Response& res) {
            record(req);
            handler(req, res);
        };
    };
    auto notFound = [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("not found", "text/plain");
    };
    auto noContent = [](const httplib::Request&, httplib::Response& res) { res.status = 204; };
    server_.Get("/zads/ad", recorded([this](const httplib::Request& req, httplib::Response& res) {
                    answerAdRequest(req, res);
                    // Whether the user opted out of content sampling is the user's, not one answer's:
                    // a run showing the swipe banner (whose text is sampled) says so on every answer,
                    // or an interstitial's answer processed after the banner's would switch sampling
                    // off again. An answer that says something else on purpose keeps it.
                    if (announcedBanner_ == SwipeBanner::kUnit && (res.status == -1 || res.status == 200) &&
                        !res.has_header(SwipeBanner::kContentSamplingHeader))
                        res.set_header(SwipeBanner::kContentSamplingHeader, "false");
                }));
    server_.Get("/landing", recorded([](const httplib::Request&, httplib::Response& res) {
                    res.set_content(
                        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Tiko Leap</title></head>"
                        "<body style=\"background:#ffffff\"></body></html>",
                        "text/html");
                }));
    server_.Get(
        MRAIDCreatives::kStoreFallbackPath, recorded([](const httplib::Request&, httplib::Response& res) {
            res.set_content(
                "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Tiko Leap in the store</title>"
                "</head><body style=\"font:16px sans-serif\"><h1>Tiko Leap</h1>"
                "<p>Tilt, jump, climb higher. The store is not on this system.</p></body></html>",
                "text/html");
        }));
    server_.Get(kCorePagePath, recorded([this](const httplib::Request&, httplib::Response& res) {
                    res.set_content(CorePage::html(houseBannerAd().dump()), "text/html");
                }));
    server_.Get("/creative/bridge", recorded([](const httplib::Request&, httplib::Response& res) {
                    res.set_content(CorePage::bridgeHTML(), "text/html");
                }));
    // Creatives on their own, for the ad view and its click detection.
    server_.Get("/creative/house-banner", recorded([](const httplib::Request&, httplib::Response& res) {
                    res.set_content(houseBannerHTML(kCreativeLanding), "text/html");
                }));
    server_.Get("/creative/autoclick", recorded([](const httplib::Request&, httplib::Response& res) {
                    res.set_content(houseBannerHTML(kCreativeLanding, kAutoClickScript), "text/html");
                }));
    server_.Get("/creative/delay", recorded([this](const httplib::Request& req, httplib::Response& res) {
                    answerDelayCreative(req, res);
                }));
    server_.Get("/creative/delay/heard",
                recorded([this](const httplib::Request& req, httplib::Response& res) {
                    {
                        std::lock_guard lock(mutex_);
                        delaysHeard_.insert(firstParam(req, "id"));
                    }
                    changed_.notify_all();
                    res.status = 204;
                }));
    // A page that paints nothing, for the render check; the debug dialog's bad-ad report, whose
    // body must be the report object.
    server_.Get("/creative/blank", recorded([](const httplib::Request&, httplib::Response& res) {
                    res.set_content(
                        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>blank</title></head>"
                        "<body style=\"margin:0;background:transparent\"></body></html>",
                        "text/html");
                }));
    // Our rich-media script, its house creatives alone and what they use, and their beacons.
    for (const char* path :
         {MRAIDScript::kBannerPath, MRAIDScript::kInterstitialPath, MRAIDScript::kExpandedBannerPath}) {
        const std::string script = MRAIDScript::source(*MRAIDScript::variantOfPath(path));
        server_.Get(path, recorded([script](const httplib::Request&, httplib::Response& res) {
                        res.set_content(script, "application/javascript");
                    }));
    }
    server_.Get(std::string(MRAIDCreatives::kPathPrefix) + "([a-z-]+)",
                recorded([](const httplib::Request& req, httplib::Response& res) {
                    const std::string html = MRAIDCreatives::html(req.matches[1].str(), kCreativeLanding);
                    if (html.empty()) {
                        res.status = 404;
                        res.set_content("not found", "text/plain");
                        return;
                    }
                    res.set_content(html, "text/html");
                }));
    server_.Get(MRAIDCreatives::kSecondPagePath,
                recorded([](const httplib::Request&, httplib::Response& res) {
                    res.set_content(MRAIDCreatives::secondPageHTML(), "text/html");
                }));
    server_.Get(MRAIDCreatives::kPicturePath, recorded([](const httplib::Request&, httplib::Response& res) {
                    res.set_content(MRAIDCreatives::pictureBMP(), "image/bmp");
                }));
    server_.Get("/beacon", recorded(noContent));
    // The native ads' support page and pictures.
    server_.Get(NativeAds::kSupportPagePath, recorded([](const httplib::Request&, httplib::Response& res) {
                    res.set_content(NativeAds::supportPageHTML(), "text/html");
                }));
    server_.Get(std::string(NativeAds::kPicturePrefix) + "(.*)",
                recorded([](const httplib::Request& req, httplib::Response& res) {
                    NativeAds::answerPicture(req.matches[1].str(), res);
                }));
    // The test videos, as the build encodes them: 3 s of green with a tone, 320 x 240.
    server_.Get(R"(/video/(green)\.(ogv|webm))",
                recorded([](const httplib::Request& req, httplib::Response& res) {
                    answerVideo(req.matches[1].str() + "." + req.matches[2].str(), res);
                }));
    // The files creatives precache, with and without an announced length.
    server_.Get(PrecacheFile::kWithLengthPath, recorded([](const httplib::Request&, httplib::Response& res) {
                    PrecacheFile::answer(true, res);
                }));
    server_.Get(
        PrecacheFile::kWithoutLengthPath,
        recorded([](const httplib::Request&, httplib::Response& res) { PrecacheFile::answer(false, res); }));
    server_.Post("/adpage/badad", recorded([](const httplib::Request& req, httplib::Response& res) {
                     res.status = isBadAdReport(req.get_header_value("Content-Type"), req.body) ? 204 : 400;
                 }));
    for (const char* ping : {"/adpage/imp", "/adpage/click", "/adpage/gen_204", "/csi", "/adpage/track"}) {
        server_.Get(ping, recorded(noContent));
        server_.Post(ping, recorded(noContent));
    }
    // Purchase conversions the ad component reports.
    server_.Get("/adpage/conversion/", recorded(noContent));
    // The mediation reports: what the ad component's default templates name.
    for (const char* ping : {"/imp", "/clk", "/nofill"}) {
        server_.Get(ping, recorded(noContent));
        server_.Post(ping, recorded(noContent));
    }
    server_.Post("/zd/unit", recorded(noContent));
    // The sign-in service's token endpoint.
    server_.Post(TokenEndpoint::kPath, recorded([this](const httplib::Request& req, httplib::Response& res) {
                     const auto answer = TokenEndpoint::answer(TokenEndpoint::form(req.body), nextToken_++);
                     if (answer.delayMs > 0) {
                         const auto token = takeHold();
                         if (!token) {
                             res.status = 503;
                             res.set_content("too many answers are held back already", "text/plain");
                             return;
                         }
                         hold(answer.delayMs);
                     }
                     res.status = answer.status;
                     res.set_content(answer.body, "application/json");
                 }));
    // Standing in for the game's web server too, so one local server shows a player the banner.
    server_.Get("/cmd/announce", recorded([this](const httplib::Request&, httplib::Response& res) {
                    res.set_content(announceListXML(baseURL(), announcedBanner_, announcedInterstitial_,
                                                    refreshInterval_),
                                    "application/xml");
                }));
    server_.Get("/_log", recorded([this](const httplib::Request&, httplib::Response& res) {
                    res.set_content(
                        nlohmann::json(log()).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                        "application/json");
                }));
    server_.Get(".*", recorded(notFound));
    server_.Post(".*", recorded(notFound));
    server_.Put(".*", recorded(notFound));
    server_.Patch(".*", recorded(notFound));
    server_.Delete(".*", recorded(notFound));
    server_.Options(".*", recorded(notFound));

    started_ = std::chrono::steady_clock::now();
    port_ = port == 0 ? server_.bind_to_any_port("127.0.0.1")
                      : (server_.bind_to_port("127.0.0.1", port) ? port : -1);
    if (port_ <= 0) {
        if (error) *error = "cannot listen on 127.0.0.1:" + std::to_string(port);
        return false;
    }
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() reaches only a server whose accept loop runs.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_.is_running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            if (error) *error = "the server did not start";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void AdServer::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    server_.stop();
    if (thread_.joinable()) thread_.join();
}

std::string AdServer::baseURL() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

std::vector<nlohmann::json> AdServer::log() const {
    return hits_.hits();
}

bool AdServer::waitForKind(const std::string& kind, std::size_t n, std::chrono::milliseconds timeout) const {
    return hits_.waitForKind(kind, n, timeout);
}

httplib::Server::HandlerResponse AdServer::admit(const httplib::Request& req, httplib::Response& res) {
    const auto refusal = RequestGate::refusal(req, port_, kMaxReportBytes);
    if (!refusal) return httplib::Server::HandlerResponse::Unhandled;
    record(req, refusal->status);
    res.status = refusal->status;
    res.set_content(refusal->reason, "text/plain");
    return httplib::Server::HandlerResponse::Handled;
}

std::shared_ptr<void> AdServer::takeHold() {
    std::lock_guard lock(mutex_);
    if (holds_ >= kMaxHolds) return nullptr;
    ++holds_;
    // The token points at the server only to be non-null; it owns nothing.
    return std::shared_ptr<void>(this, [this](void*) {
        std::lock_guard lock(mutex_);
        --holds_;
    });
}

std::string AdServer::kindOfPath(const std::string& path) {
    if (path == "/zads/ad") return "ad_request";
    if (path == "/adpage/imp") return "impression";
    if (path == "/adpage/click") return "click";
    if (path == "/landing") return "landing";
    if (path == MRAIDCreatives::kStoreFallbackPath) return "store_fallback";
    if (path == "/cmd/announce") return "announce";
    if (path == "/zd/unit") return "zd";
    if (path == TokenEndpoint::kPath) return "token";
    if (path == "/adpage/gen_204" || path == "/csi" || path == "/adpage/badad") return "report";
    if (path == "/adpage/track") return "track";
    if (path == "/adpage/conversion/") return "conversion";
    if (path == "/imp") return "mediation_impression";
    if (path == "/clk") return "mediation_click";
    if (path == "/nofill") return "mediation_nofill";
    if (path == kCorePagePath) return "core_page";
    if (path == "/beacon") return "beacon";
    if (path == NativeAds::kSupportPagePath || NativeAds::isPicturePath(path)) return "native";
    if (MRAIDScript::variantOfPath(path)) return "script";
    if (path == MRAIDCreatives::kSecondPagePath || path == MRAIDCreatives::kPicturePath) return "creative";
    const std::string prefix = MRAIDCreatives::kPathPrefix;
    if (path.rfind(prefix, 0) == 0 && !MRAIDCreatives::html(path.substr(prefix.size()), "").empty())
        return "creative";
    if (path == "/video/green.ogv" || path == "/video/green.webm") return "video";
    if (path == "/creative/bridge" || path == "/creative/blank" || path == "/creative/house-banner" ||
        path == "/creative/autoclick" || path == "/creative/delay")
        return "creative";
    return "other";
}

bool AdServer::isBadAdReport(const std::string& contentType, const std::string& body) {
    if (lower(contentType).rfind("application/json", 0) != 0 || body.size() > kMaxReportBytes) return false;
    const auto report = nlohmann::json::parse(body, nullptr, false);
    if (!report.is_object() || report.size() != 1 || !report.contains("debugHeader")) return false;
    return report["debugHeader"].is_string() || report["debugHeader"].is_null();
}

void AdServer::record(const httplib::Request& req, int refused) {
    nlohmann::json hit = {
        {"method", req.method},
        {"path", req.path},
        {"ms",
         std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_)
             .count()},
        {"body_bytes", req.body.size()},
        {"kind", kindOfPath(req.path)},
    };
    nlohmann::json query = nlohmann::json::object();
    for (const auto& [name, value] : req.params) {
        if (!query.contains(name)) query[name] = value;
    }
    nlohmann::json headers = nlohmann::json::object();
    for (const auto& [name, value] : req.headers) {
        const std::string key = lower(name);
        // The server library files the connection's addresses among the headers: none was sent.
        if (key == "local_addr" || key == "local_port" || key == "remote_addr" || key == "remote_port")
            continue;
        if (!headers.contains(key)) headers[key] = value;
    }
    hit["query"] = std::move(query);
    hit["headers"] = std::move(headers);
    if (refused != 0) hit["refused"] = refused;
    // A measurement unit is kept whole, so the log shows what the page was told.
    if (hit["kind"] == "zd" && refused == 0 && req.body.size() <= kMaxUnitBytes) {
        auto unit = nlohmann::json::parse(req.body, nullptr, false);
        if (unit.is_object()) hit["unit"] = std::move(unit);
    }
    if (hit["kind"] == "token" && refused == 0) hit["form"] = TokenEndpoint::form(req.body);
    hits_.add(std::move(hit));
}

void AdServer::hold(long ms) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(std::clamp(ms, 0L, kMaxDelayMs)),
                      [&] { return stopping_; });
}

void AdServer::answerAdRequest(const httplib::Request& req, httplib::Response& res) {
    const std::string unit = firstParam(req, "slotname");
    const std::string mraidPrefix = kMRAIDUnitPrefix;
    if (unit.rfind(mraidPrefix, 0) == 0 && answerMRAID(req, res, unit.substr(mraidPrefix.size()), unit))
        return;
    if (unit == kRotatingUnit && rotateBanner_) {
        // The house banner first, then each rich-media banner, and round again.
        const auto& banners = MRAIDCreatives::bannerNames();
        const auto turn = static_cast<std::size_t>(nextRotation_++ % static_cast<long>(banners.size() + 1));
        if (turn == 0 || !answerMRAID(req, res, banners[turn - 1], unit)) answerHouseBanner(req, res, unit);
        return;
    }
    if (unit == "tikoleap-nofill") {
        res.status = 204;
    } else if (unit == "tikoleap-http400") {
        res.status = 400;
        res.set_content("bad ad unit", "text/plain");
    } else if (unit == "tikoleap-http500") {
        res.status = 500;
        res.set_content("server error", "text/plain");
    } else if (unit == "tikoleap-slow") {
        const auto token = takeHold();
        if (!token) {
            res.status = 503;
            res.set_content("too many answers are held back already", "text/plain");
            return;
        }
        hold(std::strtol(firstParam(req, "delay_ms").c_str(), nullptr, 10));
        answerHouseBanner(req, res, unit);
    } else if (unit == SwipeBanner::kUnit) {
        SwipeBanner::answer(res, answerHouseBanner(req, res, unit));
    } else if (unit == PurchaseBanner::kUnit) {
        // A tap on the offer in a slot without a purchase delegate would bill a click and show
        // nothing: such a slot gets the house banner.
        const std::string ad = answerHouseBanner(req, res, unit);
        if (firstParam(req, "iap_set") == "1") PurchaseBanner::answer(res, baseURL(), ad);
    } else if (unit == "tikoleap-interstitial") {
        answerHouseInterstitial(res, unit);
    } else if (unit == kActionsUnit) {
        answerMRAID(req, res, "actions", unit);
    } else if (unit == "tikoleap-mediation-html") {
        answerHouseBanner(req, res, unit);
        res.set_header("x-zazo-mediation", "true");
    } else if (unit == "tikoleap-hostile-headers") {
        answerHostile(req, res, unit);
    } else if (unit == "tikoleap-custom-render") {
        // For the app to draw itself; a banner that does not take it fails the load.
        answerHouseBanner(req, res, unit);
        res.set_header("x-zazo-custom-rendering-allowed", "1");
    } else if (unit == MediationConfigurations::kMissingIDUnit) {
        MediationConfigurations::answer(res, MediationConfigurations::missingIDConfiguration());
    } else if (unit.rfind(NativeAds::kUnitPrefix, 0) == 0) {
        const auto text = NativeAds::answerText(unit.substr(std::string(NativeAds::kUnitPrefix).size()),
                                                baseURL(), escapedParam(unit), std::to_string(nextAd_++));
        if (text) {
            NativeAds::answer(res, *text);
        } else {
            res.status = 204;
        }
    } else if (const auto configuration = mediationConfiguration(unit)) {
        MediationConfigurations::answer(res, *configuration);
    } else {
        answerHouseBanner(req, res, unit);
    }
}

std::string AdServer::houseBannerHTML(const std::string& landingURL, const std::string& script) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=320,height=50\"><title>Tiko Leap</title><style>"
           "html,body{margin:0;padding:0;width:320px;height:50px;overflow:hidden;background:#e0007a}"
           "a{display:flex;align-items:center;justify-content:center;width:320px;height:50px;color:#ffffff;"
           "font:bold 16px sans-serif;text-decoration:none;white-space:nowrap}"
           "</style></head><body><a href=\"" +
           landingURL + "\">Tiko Leap: tilt, jump, climb higher!</a>" +
           (script.empty() ? "" : "<script>" + script + "</script>") + "</body></html>";
}

std::string AdServer::houseInterstitialHTML(const std::string& landingURL) {
    // Plain HTML (no MRAID): the ad's own controller draws the close button.
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width\"><title>Tiko Leap</title><style>"
           "html,body{margin:0;padding:0;width:100%;height:100%;overflow:hidden;background:rgb(32,160,96)}"
           "a{position:absolute;left:0;top:160px;width:100%;height:160px;display:flex;align-items:center;"
           "justify-content:center;color:#ffffff;font:bold 20px sans-serif;text-decoration:none}"
           "</style></head><body><a href=\"" +
           landingURL + "\">Tiko Leap: jump higher!</a></body></html>";
}

bool AdServer::isUnitName(const std::string& name) {
    return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    });
}

bool AdServer::setAnnouncedUnits(const std::string& banner, const std::string& interstitial) {
    if (!isUnitName(banner) || !isUnitName(interstitial)) return false;
    announcedBanner_ = banner;
    announcedInterstitial_ = interstitial;
    return true;
}

bool AdServer::setRefreshInterval(int seconds) {
    if (seconds < kMinRefreshInterval || seconds > kMaxRefreshInterval) return false;
    refreshInterval_ = seconds;
    return true;
}

std::string AdServer::announceListXML(const std::string& baseURL, const std::string& bannerUnit,
                                      const std::string& interstitialUnit, int refreshInterval) {
    // The base is ours ("http://127.0.0.1:PORT/"): nothing in it needs escaping for XML. This
    // list changes whenever the server is started with other options, which the game cannot know
    // without asking: it is to ask again at once (at its next launch or return), never keeping
    // an earlier run's list for the usual hour.
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<plist version=\"1.0\">\n<array>\n"
           "  <array><string>HPVe</string><string>Am1</string></array>\n"
           "  <array><string>HCIt</string><string>0</string><string>60</string></array>\n"
           "  <array><string>SetP</string><string>didazEnable</string><string>1</string></array>\n"
           "  <array><string>SetP</string><string>didazBannerAdPublisherId</string>"
           "<string>" +
           bannerUnit +
           "</string></array>\n"
           "  <array><string>SetP</string><string>didazRefreshInterval</string><string>" +
           std::to_string(refreshInterval) +
           "</string></array>\n"
           "  <array><string>SetP</string><string>didazInterstitialAdPublisherId</string>"
           "<string>" +
           interstitialUnit +
           "</string></array>\n"
           "  "
           "<array><string>SetP</string><string>didazInterstitialAdContextFlag</string><string>1</string></"
           "array>\n"
           "  <array><string>PUAd</string><string></string><string>" +
           std::to_string(kPopupSerial) +
           "</string><string>0</string>"
           "<string>Tiko Leap</string><string>Thanks for playing! New levels are on their way.</string>"
           "<array><array><string>" +
           kPopupButton + "</string><string>" + baseURL + kPopupLanding +
           "</string></array></array></array>\n"
           "</array>\n</plist>\n";
}

std::string AdServer::answerHouseBanner(const httplib::Request&, httplib::Response& res,
                                        const std::string& unit) {
    const std::string ad = std::to_string(nextAd_++);
    const std::string query = "slot=" + escapedParam(unit) + "&ad=" + ad;
    res.set_content(houseBannerHTML("/landing?" + query), "text/html");
    setHouseAdTrackers(res, baseURL(), query);
    res.set_header("x-zazo-refresh-rate", "60");
    res.set_header("x-zazo-ad-size", "320x50");
    // Measured: our core page counts the ad as seen while half of it shows.
    res.set_header("x-zazo-zadavaduru", kZadavaDuruConfiguration);
    return ad;
}

void AdServer::answerHouseInterstitial(httplib::Response& res, const std::string& unit) {
    const std::string ad = std::to_string(nextAd_++);
    const std::string query = "slot=" + escapedParam(unit) + "&ad=" + ad;
    res.set_content(houseInterstitialHTML("/landing?" + query), "text/html");
    setHouseAdTrackers(res, baseURL(), query);
}

nlohmann::json AdServer::houseBannerAd() {
    const std::string ad = std::to_string(nextAd_++);
    const std::string query = "slot=tikoleap-core-ad&ad=" + ad;
    const std::string base = baseURL();
    return {{"ad_html", houseBannerHTML("/landing?" + query)},
            {"ad_base_url", base},
            {"impression_urls", {base + "adpage/imp?" + query}},
            {"click_urls", {base + "adpage/click?" + query}},
            {"zadava_duru", nlohmann::json::parse(kZadavaDuruConfiguration)}};
}

bool AdServer::answerMRAID(const httplib::Request& req, httplib::Response& res, const std::string& name,
                           const std::string& unit) {
    const std::string ad = std::to_string(nextAd_.load());
    const std::string html = MRAIDCreatives::html(name, "/landing?slot=" + escapedParam(unit) + "&ad=" + ad);
    if (html.empty()) return false;
    // The pings and sizes of our own banner or interstitial; what makes the slot treat the ad as
    // rich media is the page's own "mraidLoaded".
    if (MRAIDCreatives::isInterstitial(name)) {
        answerHouseInterstitial(res, unit);
    } else {
        answerHouseBanner(req, res, unit);
    }
    res.set_content(html, "text/html");
    return true;
}

std::optional<std::string> AdServer::mediationConfiguration(const std::string& unit) const {
    const std::string prefix = MediationConfigurations::kUnitPrefix;
    if (unit.rfind(prefix, 0) != 0) return std::nullopt;
    return MediationConfigurations::configuration(unit.substr(prefix.size()), baseURL());
}

}  // namespace tikoleap::adserver
