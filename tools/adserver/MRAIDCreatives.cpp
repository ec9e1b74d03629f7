#include "tools/adserver/MRAIDCreatives.h"

#include <cstdint>
#include <cstdlib>

#include "tools/adserver/CorePage.h"
#include "tools/adserver/PrecacheFile.h"

namespace tikoleap::adserver {

namespace {

// What every creative shares: beacons, and the API's events reported as they come. tlStart runs
// its argument once the API is ready.
const char* const kKit = R"JS(
var tlCount = 0;
function tlBeacon(event, more) {
  // A creative's own "c" (the actions' cached file) takes the place of its name.
  var query = 'e=' + encodeURIComponent(event) + ('c' in more ? '' : '&c=' + encodeURIComponent(TL_NAME)) +
              '&n=' + (++tlCount);
  for (var key in more) query += '&' + key + '=' + encodeURIComponent(String(more[key]));
  new Image().src = '/beacon?' + query;
}
function tlStart(onReady) {
  if (!window.mraid) { tlBeacon('nomraid', {}); return false; }
  mraid.addEventListener('error', function (message, action) { tlBeacon('error', {a: action, m: message}); });
  function ready() {
    tlBeacon('ready', {v: mraid.getVersion(), p: mraid.getPlacementType(), s: mraid.getState()});
    document.body.className = mraid.getState();
    mraid.addEventListener('stateChange', function (state) {
      document.body.className = state;
      tlBeacon('state', {s: state});
    });
    mraid.addEventListener('sizeChange', function (w, h) { tlBeacon('size', {w: w, h: h}); });
    mraid.addEventListener('viewableChange', function (on) { tlBeacon('viewable', {v: on ? 1 : 0}); });
    onReady();
  }
  if (mraid.getState() === 'loading') mraid.addEventListener('ready', ready); else ready();
  return true;
}
function tlOnTap(id, action) {
  document.getElementById(id).addEventListener('click', function (event) {
    event.stopPropagation();
    action();
  });
}
)JS";

const char* const kStyle = R"CSS(
html,body{margin:0;padding:0;width:100%;height:100%;overflow:hidden;font:bold 16px sans-serif;color:#fff}
body{background:#5a2ca0}
.part{display:none;width:100%;height:100%;align-items:center;justify-content:center;text-align:center;
  box-sizing:border-box;padding:8px}
body.loading #small,body.default #small{display:flex}
body.expanded #big,body.resized #big{display:flex;flex-direction:column}
button{font:bold 16px sans-serif;margin:8px;padding:8px 16px;border:0;border-radius:6px;background:#fff;color:#5a2ca0}
#close{position:absolute;top:8px;right:8px}
.tl-close{display:none;position:absolute;right:0;width:50px;height:50px}
body.resized .tl-close{display:block}
.tl-close i{position:absolute;left:10px;top:10px;width:30px;height:30px;border-radius:50%;background:#222;
  box-shadow:0 0 0 2px #fff}
.tl-close i::before,.tl-close i::after{content:'';position:absolute;left:6px;top:14px;width:18px;height:2px;
  background:#fff;transform:rotate(45deg)}
.tl-close i::after{transform:rotate(-45deg)}
)CSS";

struct Creative {
    const char* name;
    bool interstitial;
    const char* small;  // the banner's text (or the interstitial's, whole)
    const char* big;    // what an expanded or resized banner shows, with its buttons
    const char* script;
    // Where a resized banner draws its close mark ("top" or "bottom", at the right), as a resize
    // leaves the close to the creative: the app only makes that corner close the ad.
    const char* resizeClose = nullptr;
    // Sends page messages the rich-media API has none for (tlSend) and follows links in turn
    // with them (tlFollow), through our pages' message queue.
    bool pageMessages = false;
};

const Creative kCreatives[] = {
    {"compliance", false, "Tiko Leap: tap to grow", "Tiko Leap, grown. Close at the top right.",
     R"JS(
var taps = 0;
if (tlStart(function () {})) {
  mraid.resize();  // too early on purpose: the API answers with an error
  document.addEventListener('click', function () {
    if (mraid.getState() !== 'default') return;
    ++taps;
    if (taps % 2 === 1) {
      mraid.expand();
    } else {
      mraid.setResizeProperties({width: 320, height: 250, offsetX: 0, offsetY: 0,
                                 customClosePosition: 'top-right', allowOffscreen: false});
      mraid.resize();
    }
  });
}
)JS",
     "top"},
    {"expand", false, "Tiko Leap: tap to expand",
     "Tiko Leap, full screen!<button id=\"open\">Play now</button>",
     R"JS(
if (tlStart(function () {})) {
  document.addEventListener('click', function () { if (mraid.getState() === 'default') mraid.expand(); });
  tlOnTap('open', function () { tlBeacon('open', {}); mraid.open(TL_LANDING); });
}
)JS"},
    {"expand-two", false, "Tiko Leap: tap for the second page", "", R"JS(
if (tlStart(function () {})) {
  mraid.setExpandProperties({useCustomClose: true});
  document.addEventListener('click', function () {
    if (mraid.getState() === 'default') mraid.expand(TL_SECOND_PAGE);
  });
}
)JS"},
    {"resize", false, "Tiko Leap: tap to resize (kept on screen)",
     "Resized, kept on screen.<button id=\"again\">Resize again</button>", R"JS(
var wide = false;
function tlResize() {
  wide = !wide;
  // 20 points past the right edge of a 320-point screen: the app moves it back.
  mraid.setResizeProperties(wide ? {width: 300, height: 200, offsetX: 40, offsetY: 0, allowOffscreen: false}
                                 : {width: 320, height: 300, offsetX: 0, offsetY: 0, allowOffscreen: false});
  mraid.resize();
}
if (tlStart(function () {})) {
  document.addEventListener('click', function () { if (mraid.getState() === 'default') tlResize(); });
  tlOnTap('again', tlResize);
}
)JS",
     "top"},
    {"resize-offscreen", false, "Tiko Leap: tap to resize (past the top)",
     "Resized past the top of the screen; close at the bottom right.", R"JS(
if (tlStart(function () {})) {
  document.addEventListener('click', function () {
    if (mraid.getState() !== 'default') return;
    mraid.setResizeProperties({width: 320, height: 250, offsetX: 0, offsetY: -150,
                               customClosePosition: 'bottom-right', allowOffscreen: true});
    mraid.resize();
  });
}
)JS",
     "bottom"},
    {"interstitial", true,
     "Tiko Leap: portrait only, our own close button.<button id=\"close\">Close</button>", "", R"JS(
if (tlStart(function () {
  mraid.setOrientationProperties({allowOrientationChange: false, forceOrientation: 'portrait'});
})) {
  mraid.useCustomClose(true);
  tlOnTap('close', function () { tlBeacon('close', {}); mraid.close(); });
}
)JS"},
    {"picture", false, "Tiko Leap: tap to save our picture", "", R"JS(
if (tlStart(function () {})) {
  document.addEventListener('click', function () {
    var can = mraid.supports('storePicture');
    tlBeacon('picture', {supported: can ? 1 : 0});
    if (can) mraid.storePicture(TL_PICTURE);
  });
}
)JS"},
    {"calendar", false, "Tiko Leap: tap to note the next tournament", "", R"JS(
if (tlStart(function () {})) {
  document.addEventListener('click', function () {
    var start = new Date(Date.now() + 24 * 3600 * 1000);
    tlBeacon('calendar', {supported: mraid.supports('calendar') ? 1 : 0});
    mraid.createCalendarEvent({description: 'Tiko Leap tournament', location: 'In the game',
                               summary: 'Jump higher than everyone', start: start,
                               end: new Date(start.getTime() + 3600 * 1000)});
  });
}
)JS"},
    // Over a clear page (a video may play under it), a tap strip at the bottom (y 360-480) runs one
    // device action a tap.
    {"actions", true,
     "<style>html,body{background:transparent}.tl-bar{position:absolute;left:0;width:100%;"
     "display:flex;align-items:center;justify-content:center;box-sizing:border-box;padding:8px;"
     "background:#5a2ca0}</style>"
     "<div class=\"tl-bar\" style=\"top:0;height:120px\">Tiko Leap: one action a tap below</div>"
     "<div id=\"strip\" class=\"tl-bar\" style=\"top:360px;height:120px\">Tap: open our page</div>",
     "", R"JS(
var tlOrigin = window.location.protocol + '//' + window.location.host;
var tlPrecacheProgressSent = false;
window.zazoExtraHandler = function (name, info) {
  if (name === 'onVideoEvent') {
    var more = {v: info.event};
    if (info.event === 'canplaythrough') {
      more.w = info.videoWidth;
      more.h = info.videoHeight;
    }
    tlBeacon('video', more);
    if (info.event === 'canplaythrough') tlSend('video', {action: 'play'});
  } else if (name === 'onPrecacheEvent') {
    // Hundreds of progress events come for a big file: the first stands for them all.
    if (info.event === 'precacheProgress') {
      if (tlPrecacheProgressSent) return;
      tlPrecacheProgressSent = true;
    }
    tlBeacon('precache', {v: info.event, b: info.bytesLoaded, t: info.totalBytes, c: info.cachedSrc});
  }
};
var tlActions = [
  ['landing', 'play the video', function () { mraid.open(TL_LANDING); }],
  ['video', 'precache 32 MiB', function () {
    tlSend('video', {action: 'new', x: 0, y: 120, w: 320, h: 240});
    tlSend('video', {action: 'src', src: tlOrigin + TL_VIDEO});
  }],
  ['precache', 'open the store', function () { tlSend('precache', {src: tlOrigin + TL_PRECACHE}); }],
  ['store', 'note the tournament', function () {
    tlSend('open', {a: 'in_app_store', product_id: '284882215', u: tlOrigin + TL_STORE_FALLBACK});
  }],
  ['calendar', 'mail us', function () {
    var start = new Date(Date.now() + 24 * 3600 * 1000);
    mraid.createCalendarEvent({description: 'Tiko Leap tournament', summary: 'Jump higher than everyone',
                               start: start, end: new Date(start.getTime() + 3600 * 1000)});
  }],
  ['mail', 'text a friend', function () { tlFollow('mailto:jump@tikoleap.invalid?subject=Tiko%20Leap'); }],
  ['sms', '', function () { tlFollow('sms:+15550100?body=Tiko%20Leap'); }]
];
var tlNext = 0;
if (tlStart(function () {})) {
  tlOnTap('strip', function () {
    if (tlNext >= tlActions.length) return;
    var action = tlActions[tlNext++];
    tlBeacon('action', {a: action[0]});
    document.getElementById('strip').textContent = action[1] ? 'Tap: ' + action[1] : 'Every action ran';
    action[2]();
  });
}
)JS",
     nullptr, true},
};

const Creative* find(const std::string& name) {
    for (const auto& creative : kCreatives) {
        if (name == creative.name) return &creative;
    }
    return nullptr;
}

// A JavaScript string literal that cannot end the script element.
std::string jsString(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\') out += '\\';
        if (c == '<') {
            out += "\\x3c";
            continue;
        }
        out += c;
    }
    return out + "'";
}

std::string page(const std::string& name, const std::string& body, const std::string& script,
                 const std::string& constants) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width\"><title>Tiko Leap</title>"
           "<script src=\"mraid.js\"></script><style>" +
           std::string(kStyle) + "</style></head><body class=\"loading\">" + body +
           "<script>var TL_NAME = " + jsString(name) + ";" + constants + kKit + script +
           "</script></body></html>";
}

}  // namespace

const std::vector<std::string>& MRAIDCreatives::names() {
    static const std::vector<std::string> all = [] {
        std::vector<std::string> out;
        for (const auto& creative : kCreatives) out.push_back(creative.name);
        return out;
    }();
    return all;
}

const std::vector<std::string>& MRAIDCreatives::bannerNames() {
    static const std::vector<std::string> banners = [] {
        std::vector<std::string> out;
        for (const auto& creative : kCreatives) {
            if (!creative.interstitial) out.push_back(creative.name);
        }
        return out;
    }();
    return banners;
}

bool MRAIDCreatives::isInterstitial(const std::string& name) {
    const Creative* creative = find(name);
    return creative && creative->interstitial;
}

std::string MRAIDCreatives::html(const std::string& name, const std::string& landingURL) {
    const Creative* creative = find(name);
    if (!creative) return "";
    std::string body = "<div id=\"small\" class=\"part\">" + std::string(creative->small) + "</div>";
    if (*creative->big) body += "<div id=\"big\" class=\"part\">" + std::string(creative->big) + "</div>";
    if (creative->resizeClose)
        body +=
            "<div class=\"tl-close\" style=\"" + std::string(creative->resizeClose) + ":0\"><i></i></div>";
    if (creative->interstitial) {
        // An interstitial shows its one part in every state.
        body = "<div id=\"small\" class=\"part\" style=\"display:flex\">" + std::string(creative->small) +
               "</div>";
    }
    const std::string constants =
        "var TL_LANDING = " + jsString(landingURL) + "; var TL_SECOND_PAGE = " + jsString(kSecondPagePath) +
        "; var TL_PICTURE = " + jsString(kPicturePath) + "; var TL_VIDEO = " + jsString(kVideoPath) +
        "; var TL_PRECACHE = " + jsString(PrecacheFile::kWithLengthPath) +
        "; var TL_STORE_FALLBACK = " + jsString(kStoreFallbackPath) + ";";
    const std::string script =
        std::string(creative->pageMessages ? CorePage::messageQueueScript() : "") + creative->script;
    return page(creative->name, body, script, constants);
}

std::string MRAIDCreatives::secondPageHTML() {
    return page(
        "two-part",
        "<div id=\"big\" class=\"part\" style=\"display:flex;flex-direction:column;background:#2c7aa0\">"
        "The second page of Tiko Leap.<button id=\"close\">Close</button></div>",
        R"JS(
if (tlStart(function () {})) {
  tlOnTap('close', function () { tlBeacon('close', {}); mraid.close(); });
}
)JS",
        "");
}

std::string MRAIDCreatives::pictureBMP() {
    constexpr int kSide = 64;
    constexpr std::uint32_t kRow = kSide * 3;  // a multiple of 4: no row padding
    constexpr std::uint32_t kPixels = kRow * kSide;
    std::string out;
    auto put = [&out](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
    };
    out += "BM";
    put(54 + kPixels, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(kSide, 4);
    put(kSide, 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(kPixels, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    // A purple-to-magenta gradient with a white diagonal, stored bottom row first, blue first.
    for (int y = kSide - 1; y >= 0; --y) {
        for (int x = 0; x < kSide; ++x) {
            const bool diagonal = std::abs(x - y) <= 1;
            out += static_cast<char>(diagonal ? 255 : 160);
            out += static_cast<char>(diagonal ? 255 : 44 + x);
            out += static_cast<char>(diagonal ? 255 : 90 + 2 * y);
        }
    }
    return out;
}

}  // namespace tikoleap::adserver
