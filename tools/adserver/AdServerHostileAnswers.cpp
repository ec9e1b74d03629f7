// The house creatives that stall or attack: a page whose load is held back on purpose, and a
// banner whose every header holds a bad value. Apart from the server's routes, so that the cases
// hostile input tests rely on stay together.
#include "tools/adserver/AdServer.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace tikoleap::adserver {

void AdServer::answerDelayCreative(const httplib::Request& req, httplib::Response& res) {
    const std::string text = req.get_param_value("ms");
    long ms = -1;
    if (!text.empty() && text.size() <= 6 &&
        std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        ms = std::strtol(text.c_str(), nullptr, 10);
    }
    if (ms < 0 || ms > kMaxDelayMs) {
        res.status = 400;
        res.set_content("ms must be a whole number of milliseconds from 0 to " + std::to_string(kMaxDelayMs),
                        "text/plain");
        return;
    }
    // Each message leaves through a frame of its own: a change of the page's own location
    // would stop the page. The start leaves with the head, and the rest of the page is held back
    // a moment, so the start is heard before the page can have finished.
    // The page tells the server once its start has left, and only then does the hold begin: on a
    // loaded machine the engine may reach the head long after it was sent.
    auto token = takeHold();
    if (!token) {
        res.status = 503;
        res.set_content("too many answers are held back already", "text/plain");
        return;
    }
    const std::string id = std::to_string(nextDelay_++);
    const std::string script =
        "function tlSend(query){var f=document.createElement('iframe');f.style.display='none';"
        "f.src='amsg://page/delayPageLoaded?'+query;document.documentElement.appendChild(f);}"
        "tlSend('start=1');new Image().src='/creative/delay/heard?id=" +
        id + "';setTimeout(function(){tlSend('stop=1');}," + std::to_string(ms) + ");";
    const std::string html = houseBannerHTML(kCreativeLanding);
    const std::size_t cut = html.find("<title>");
    // The padding gets the head past the engine's first buffering of a page, so its script runs
    // while the rest is held back.
    auto head = std::make_shared<std::string>(html.substr(0, cut) + "<script>" + script + "</script><!--" +
                                              std::string(4096, ' ') + "-->");
    auto rest = std::make_shared<std::string>(html.substr(cut));
    res.set_chunked_content_provider(
        "text/html", [this, head, rest, id, token](std::size_t, httplib::DataSink& sink) {
            sink.write(head->data(), head->size());
            {
                std::unique_lock lock(mutex_);
                changed_.wait_for(lock, std::chrono::milliseconds(kDelayHeardWaitMs),
                                  [&] { return stopping_ || delaysHeard_.count(id) > 0; });
            }
            hold(kDelayCreativeHoldMs);
            sink.write(rest->data(), rest->size());
            sink.done();
            return true;
        });
}

void AdServer::answerHostile(const httplib::Request& req, httplib::Response& res, const std::string& unit) {
    answerHouseBanner(req, res, unit);
    auto replace = [&res](const std::string& name, const std::string& value) {
        res.headers.erase(name);
        res.set_header(name, value);
    };
    std::string many;
    for (int i = 0; i < 2000; ++i) many += baseURL() + "adpage/imp?n=" + std::to_string(i) + " ";
    std::string deep(100, '[');
    deep += std::string(100, ']');
    replace("x-zazo-tracking-urls", many);
    replace("x-zazo-click-tracking-urls", "::: javascript:alert(1) %zz http://");
    replace("x-zazo-manual-tracking-urls", std::string(4000, ' '));
    replace("x-zazo-refresh-rate", "1e400");
    replace("x-zazo-ad-size", "1e40x5");
    replace("x-zazo-orientation", "sideways");
    replace("x-zazo-zadavaduru", "[1,2,3]");
    replace("x-zazo-swipe-to-view-controller", deep);
    replace("x-zazo-debug-dialog", std::string(16384, 'd'));
    replace("x-zazo-fluid", "tall");
    replace("x-zazo-use-https", "perhaps");
    replace("x-zazo-disable-activation-and-scroll", "nan");
    replace("x-zazo-content-url-opted-out", "perhaps");
    replace("x-zazo-oauth-token-status", "clear all");
    replace("x-zazo-zws-query-id", std::string(8192, 'q'));
    replace("x-zazo-mediation", "perhaps");
    replace("x-zazo-ad-format", "nativeish");
    replace("x-zazo-custom-rendering-allowed", "no");
}

}  // namespace tikoleap::adserver
