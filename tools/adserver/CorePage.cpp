#include "tools/adserver/CorePage.h"

namespace tikoleap::adserver {

namespace {

// The message queue our pages share: each message, and each link followed among them, leaves in
// a task of its own.
const char* const kMessageQueue = R"JS(
var tlQueue = [];
var tlSending = false;
function tlPump() {
  if (!tlQueue.length) { tlSending = false; return; }
  window.location.href = tlQueue.shift();
  setTimeout(tlPump, 0);
}
// A link followed, as a tapped one is: in turn with the messages.
function tlFollow(url) {
  tlQueue.push(url);
  if (!tlSending) { tlSending = true; setTimeout(tlPump, 0); }
}
// A parameter with no value (undefined, null) is left out rather than sent as its name's text.
function tlSend(name, params) {
  var pairs = [];
  for (var key in params) {
    if (Object.prototype.hasOwnProperty.call(params, key) && params[key] !== undefined && params[key] !== null) {
      pairs.push(encodeURIComponent(key) + '=' + encodeURIComponent(String(params[key])));
    }
  }
  tlFollow('amsg://page/' + encodeURIComponent(name) + (pairs.length ? '?' + pairs.join('&') : ''));
}
)JS";

const char* const kCoreScript = R"JS(
var tlOrigin = window.location.protocol + '//' + window.location.host;
var tlFetches = {};
function ZAZO_getSdkConstants(info) {
  var domains = JSON.stringify([window.location.hostname]);
  tlSend('loadSdkConstants', {
    ping_interval: '60',
    as_domains: domains,
    whitelisted_ad_request_domains: domains,
    refresh_intervals: '{"zadava_duru_sampling_interval": 0.4}',
    bad_ad_report_path: tlOrigin + '/adpage/badad',
    enable_signed_in_ads: '1'
  });
}
function tlRequestID(params) {
  return params.request_id === undefined ? '' : String(params.request_id);
}
function tlSendHouseAd(id) {
  tlSend('loadAd', {request_id: id, fetched_ad: JSON.stringify(TL_HOUSE_AD)});
}
function ZAZO_getAd(params) {
  params = (params && typeof params === 'object') ? params : {};
  var id = tlRequestID(params);
  var unit = params.slotname === undefined ? '' : String(params.slotname);
  if (unit === 'tikoleap-core-silent') return;
  if (unit === 'tikoleap-invalid') { tlSend('invalidRequest', {request_id: id}); return; }
  if (unit === 'tikoleap-errors') {
    tlSend('loadAdURL', {request_id: id, errors: 'tikoleap-errors: this unit never has an ad'});
    return;
  }
  if (unit === 'tikoleap-core-ad') {
    tlSendHouseAd(id);
    return;
  }
  if (unit === 'tikoleap-passback') {
    // Another network's script that has no ad: it sends the view to its passback URL.
    var passback = tlOrigin + '/adpage/passback?request_id=' + encodeURIComponent(id);
    tlSend('loadAd', {request_id: id, fetched_ad: JSON.stringify({
      ad_html: '<!DOCTYPE html><html><body style="margin:0"><script>setTimeout(function () {' +
        ' window.location.href = ' + JSON.stringify(passback) + '; }, 50);<\/script></body></html>',
      ad_base_url: tlOrigin + '/',
      ad_is_javascript: true,
      ad_passback_url: passback
    })});
    return;
  }
  if (unit === 'tikoleap-core-fetch') {
    var fetchId = 'fetch-' + id;
    tlFetches[fetchId] = id;
    tlSend('fetchHttpRequest', {http_request: JSON.stringify({
      http_request_id: fetchId,
      url: tlOrigin + '/zads/ad?slotname=tikoleap-banner',
      headers: [{key: 'X-Tikoleap-Via', value: 'native-fetch'}]
    })});
    return;
  }
  var url = tlOrigin + '/zads/ad?slotname=' + encodeURIComponent(unit) + '&request_id=' + encodeURIComponent(id);
  // An object (the screen sample's "content_info", a signed-in user's "pan") goes on as its JSON
  // text, so the server's log shows what the request carried. A reward video's request says so
  // ("rbv") and names the app's user, when it has one; a slot with a purchase delegate says so ("iap_set").
  ['sz', 'format', 'content_info', 'native_templates', 'native_version', 'native_custom_templates', 'rbv',
   'rbv_user_id', 'pan', 'iap_set'].forEach(function (key) {
    var value = params[key];
    if (value === undefined || value === null) return;
    url += '&' + key + '=' + encodeURIComponent(typeof value === 'object' ? JSON.stringify(value) : String(value));
  });
  tlSend('loadAdURL', {request_id: id, url: url, request_scenario: 'online_request'});
}
// An ad for a network without an ad unit of its own (mediation's ad-URL adapter): the house banner.
function ZAZO_getAdapterLessMediationAd(params) {
  tlSendHouseAd(tlRequestID((params && typeof params === 'object') ? params : {}));
}
var tlZdVisible = {};
function tlZdBox(box) {
  var out = {};
  ['top', 'bottom', 'left', 'right'].forEach(function (key) {
    var value = box && typeof box === 'object' ? Number(box[key]) : NaN;
    out[key] = isFinite(value) ? value : 0;
  });
  return out;
}
// Visible while at least half of the ad lies inside what can be seen of it; the native side
// hears of each change, per measured view ("hashCode").
function tlZdVisibleNow(unit) {
  var ad = tlZdBox(unit.adBox), seen = tlZdBox(unit.globalVisibleBox);
  var area = Math.max(0, ad.right - ad.left) * Math.max(0, ad.bottom - ad.top);
  var w = Math.min(ad.right, seen.right) - Math.max(ad.left, seen.left);
  var h = Math.min(ad.bottom, seen.bottom) - Math.max(ad.top, seen.top);
  return area > 0 && w > 0 && h > 0 && 2 * w * h >= area;
}
// At most 4 posts on their way (each given 10 s) and 64 waiting, the oldest dropped first: units
// sampled faster than the server answers (a clock run faster than real time) would otherwise pile
// up in the engine by the thousand, ahead of this page's own next load from the same server. And
// at most 4 at once, then 20 a second of real time: the web process refuses a page's requests past
// 400 in 2 s or 1200 in 20 s, and this page's own loads must never be among those refused.
var tlZdWaiting = [];
var tlZdPosting = 0;
var tlZdStarts = 4;
var tlZdCountedAt = performance.now();
var tlZdTimer = 0;
function tlZdPump() {
  var now = performance.now();
  tlZdStarts = Math.min(4, tlZdStarts + Math.max(0, now - tlZdCountedAt) / 50);
  tlZdCountedAt = now;
  while (tlZdPosting < 4 && tlZdWaiting.length && tlZdStarts >= 1) {
    var post = new XMLHttpRequest();
    post.open('POST', tlOrigin + '/zd/unit');
    post.setRequestHeader('Content-Type', 'application/json');
    post.timeout = 10000;
    post.onloadend = function () { tlZdPosting--; tlZdPump(); };
    tlZdPosting++;
    tlZdStarts--;
    post.send(tlZdWaiting.shift());
  }
  if (tlZdPosting < 4 && tlZdWaiting.length && !tlZdTimer) {
    tlZdTimer = setTimeout(function () { tlZdTimer = 0; tlZdPump(); }, Math.ceil((1 - tlZdStarts) * 50));
  }
}
function tlZdPost(unit) {
  if (tlZdWaiting.length >= 64) tlZdWaiting.shift();
  tlZdWaiting.push(JSON.stringify(unit));
  tlZdPump();
}
function ZAZO_updateZadavaDuru(params) {
  var units = params && typeof params === 'object' && Array.isArray(params.units) ? params.units : [];
  units.forEach(function (unit) {
    if (!unit || typeof unit !== 'object') return;
    tlZdPost(unit);
    var id = unit.hashCode;
    if (typeof id !== 'number' || !(id >= 0) || Math.floor(id) !== id) return;
    var key = String(id);
    if (unit.doneReasonCode === 'u') { delete tlZdVisible[key]; return; }
    var visible = tlZdVisibleNow(unit);
    if ((tlZdVisible[key] === true) === visible) return;
    tlZdVisible[key] = visible;
    tlSend('visibilityChanged', {hashCode: key, isVisible: visible ? '1' : '0'});
  });
}
function ZAZO_ReceiveMessage(name, data) {
  if (name !== 'fetchHttpRequestCompleted' || !data || typeof data !== 'object') return;
  var response = data.response || {};
  var fetchId = String(response.http_request_id || '');
  if (!Object.prototype.hasOwnProperty.call(tlFetches, fetchId)) return;
  var id = tlFetches[fetchId];
  delete tlFetches[fetchId];
  if (data.success === 'true') {
    tlSend('loadAd', {request_id: id, fetched_ad: JSON.stringify({ad_html: String(response.body || ''),
                                                                   ad_base_url: tlOrigin + '/'})});
  } else {
    tlSend('loadAdURL', {request_id: id, errors: 'fetch failed: ' + String(data.reason || '')});
  }
}
)JS";

const char* const kBridgeScript = R"JS(
var tlOrigin = window.location.protocol + '//' + window.location.host;
function ZAZO_ReceiveMessage(name, data) {
  if (name !== 'openableURLs') return;
  var count = (data && typeof data === 'object') ? Object.keys(data).length : 0;
  tlSend('httpTrack', {u: tlOrigin + '/adpage/track?openable=' + count});
  tlSend('httpTrack', {u: 'file:///etc/hostname'});
  tlFollow('file:///etc/hostname');
  tlFollow('tikoleapnosuchscheme://x');
}
tlSend('log', {string: 'bridge-hello'});
tlSend('httpTrack', {u: tlOrigin + '/adpage/track?from=bridge'});
tlSend('tikoleapUnknown', {from: 'bridge'});
tlSend('canOpenURLs', {urls: 'https://tikoleap.invalid/,tikoleapnosuchscheme://y'});
)JS";

}  // namespace

std::string CorePage::html(const std::string& houseBannerAdJSON) {
    // "</" never appears raw inside the script: the ad's HTML is JSON with "/" escaped.
    std::string ad;
    for (char c : houseBannerAdJSON) {
        if (c == '/') {
            ad += "\\/";
        } else {
            ad += c;
        }
    }
    return std::string("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>SDK core</title><script>") +
           kMessageQueue + "var TL_HOUSE_AD = " + ad + ";\n" + kCoreScript +
           "</script></head><body></body></html>";
}

const char* CorePage::messageQueueScript() {
    return kMessageQueue;
}

std::string CorePage::bridgeHTML() {
    return std::string(
               "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Bridge</title></head>"
               "<body style=\"margin:0;background:#e0007a\"><script>") +
           kMessageQueue + kBridgeScript + "</script></body></html>";
}

}  // namespace tikoleap::adserver
