#include "tools/adserver/SwipeBanner.h"

#include "tools/adserver/CorePage.h"

namespace tikoleap::adserver {

namespace {

// The ad component hears "onAdVisible" again at every change of the banner's geometry: the swipe
// is enabled at the first, and the beacon says each kind of event once only for that one.
const char* const kScript = R"JS(
var tlEnabled = false;
var tlSwipeEvents = ['onSwipeableViewControllerPresentationFinished',
                     'onSwipeableViewControllerPresentationCanceled', 'onSwipeToViewControllerDismissed'];
function tlBeacon(event, data) {
  var query = 'e=' + encodeURIComponent(event);
  if (data && typeof data === 'object') {
    if (typeof data.creative === 'string') query += '&c=' + encodeURIComponent(data.creative);
    if (typeof data.ad === 'string') query += '&ad=' + encodeURIComponent(data.ad);
  }
  new Image().src = '/beacon?' + query;
}
function ZAZO_ReceiveMessage(name, data) {
  if (name === 'onAdVisible') {
    if (tlEnabled) return;
    tlEnabled = true;
    tlBeacon(name, null);
    tlSend('enableSwipeToViewController', {swipe_direction: 'top_to_bottom', ad_draggable: '1'});
  } else if (tlSwipeEvents.indexOf(name) >= 0) {
    tlBeacon(name, data);
  }
}
)JS";

}  // namespace

nlohmann::json SwipeBanner::configuration(const std::string& ad) {
    return {{"app_store_product_id", kProductID},
            {"swipeable_rectangles", {{{"x", 0}, {"y", 0}, {"width", 320}, {"height", 50}}}},
            {"swipe_event_creative_metadata", {{"creative", kCreative}, {"ad", ad}}}};
}

std::string SwipeBanner::html() {
    // The script sits in the head and the body holds the sentence alone, so that the page's text
    // is the sentence and nothing else.
    return std::string(
               "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
               "<meta name=\"viewport\" content=\"width=320,height=50\"><title>Tiko Leap</title><style>"
               "html,body{margin:0;padding:0;width:320px;height:50px;overflow:hidden}"
               "body{display:flex;align-items:center;justify-content:center;background:#1d4e89;"
               "color:#ffffff;font:bold 12px sans-serif;white-space:nowrap;cursor:grab}"
               "</style><script>") +
           CorePage::messageQueueScript() + kScript + "</script></head><body>" + kText + "</body></html>";
}

void SwipeBanner::answer(httplib::Response& res, const std::string& ad) {
    res.set_content(html(), "text/html");
    res.set_header(kContentSamplingHeader, "false");
    res.set_header("x-zazo-swipe-to-view-controller", configuration(ad).dump());
}

}  // namespace tikoleap::adserver
