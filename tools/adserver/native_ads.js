// Our native ad support page: pre-processes a native ad answer before the app builds its ad from
// it, and handles the clicks on that ad. Everything it says to the app leaves as a page message
// (the shared message queue, tlSend).
var tlOrigin = window.location.protocol + '//' + window.location.host;
// What one call may make the page do, whatever it is handed.
var tlMaxNodes = 20000;
var tlMaxDepth = 32;
var tlMaxPings = 16;
var tlMaxURLLength = 4096;

function tlHasScheme(text) {
  return /^[a-zA-Z][a-zA-Z0-9+.-]*:/.test(text);
}
// A relative URL made absolute on this page's origin; anything else (an absolute URL of any
// scheme, no text at all) as it is: the app decides what it takes.
function tlAbsolute(url) {
  if (typeof url !== 'string' || url.length > tlMaxURLLength || tlHasScheme(url)) return url;
  try {
    return new URL(url, tlOrigin + '/').href;
  } catch (e) {
    return url;
  }
}
function tlIsWeb(url) {
  return typeof url === 'string' && url.length <= tlMaxURLLength && /^https?:\/\//i.test(url);
}
// Every "url" of a picture (the ad's images, icon, logo, badge icons, template images) made
// absolute, visiting at most tlMaxNodes values no deeper than tlMaxDepth.
function tlResolvePictures(root) {
  var pending = [[root, 0]];
  var visited = 0;
  while (pending.length && visited < tlMaxNodes) {
    var next = pending.pop();
    var value = next[0];
    ++visited;
    if (!value || typeof value !== 'object' || next[1] >= tlMaxDepth) continue;
    for (var key in value) {
      if (!Object.prototype.hasOwnProperty.call(value, key)) continue;
      if (key === 'url' && !Array.isArray(value)) {
        value.url = tlAbsolute(value.url);
      } else {
        pending.push([value[key], next[1] + 1]);
      }
    }
  }
}
function tlObject(value) {
  if (typeof value === 'string') {
    try {
      value = JSON.parse(value);
    } catch (e) {
      return null;
    }
  }
  return value && typeof value === 'object' && !Array.isArray(value) ? value : null;
}

var rerive = window.rerive || {};
rerive.zazo = rerive.zazo || {};
rerive.zazo.nativeAds = {
  // json: the ad answer ({"ads": [...]}) as a script value (or its text); env: what the app is.
  preProcessJsonAmsg: function (json, env) {
    var answer = tlObject(json);
    if (!answer) {
      // Nothing to work on: the app hears back what it sent, and refuses it itself.
      tlSend('nativeAdPreProcess', {success: typeof json === 'string' ? json : String(JSON.stringify(json))});
      return;
    }
    tlResolvePictures(answer);
    tlSend('nativeAdPreProcess', {success: JSON.stringify(answer)});
  },
  // payload: {"ad": the ad, "click": {"template", "asset", "sdk_version"}, and the tap's details,
  // "has_custom_click_handler" when the app handles the click itself}.
  handleClickAmsg: function (payload) {
    payload = tlObject(payload);
    if (!payload) return;
    var ad = tlObject(payload.ad) || {};
    var tracking = tlObject(ad.tracking_urls_and_actions) || {};
    var pings = [tracking.rerive_click_tracking_url];
    if (Array.isArray(tracking.third_party_click_tracking_urls))
      pings = pings.concat(tracking.third_party_click_tracking_urls.slice(0, tlMaxPings));
    pings.map(tlAbsolute).filter(tlIsWeb).slice(0, tlMaxPings).forEach(function (url) {
      tlSend('httpTrack', {u: url});
    });
    if (payload.has_custom_click_handler === true || payload.has_custom_click_handler === 1) {
      var click = tlObject(payload.click) || {};
      tlSend('nativeAdCustomClick', {asset: typeof click.asset === 'string' ? click.asset : undefined});
      return;
    }
    var actions = Array.isArray(tracking.click_actions) ? tracking.click_actions.slice(0, tlMaxPings) : [];
    for (var i = 0; i < actions.length; ++i) {
      var action = tlObject(actions[i]);
      var url = action ? tlAbsolute(action.url) : undefined;
      if (tlIsWeb(url)) {
        // A native ad's landing page is the advertiser's: it opens outside the app.
        tlSend('open', {a: 'app', u: url});
        return;
      }
    }
  }
};
window.rerive = rerive;
