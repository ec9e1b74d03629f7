// Our rich-media script: the public rich-media API of version 2.0 on the page-message bridge. The
// server appends the variant it serves: ("banner"), ("interstitial") or ("expanded"), the last for
// a second page shown in an expanded container, whose state comes from the container alone.
(function (variant) {
  'use strict';
  if (window.mraid && window.mraid.tikoleapVariant) return;  // the page included it twice

  var EVENTS = ['error', 'ready', 'stateChange', 'viewableChange', 'sizeChange'];
  var STATES = ['loading', 'default', 'expanded', 'resized', 'hidden'];
  var CLOSE_POSITIONS = ['top-left', 'top-right', 'center', 'bottom-left', 'bottom-right', 'top-center',
                         'bottom-center'];
  var FEATURES = ['sms', 'tel', 'calendar', 'storePicture', 'inlineVideo'];
  // The smallest side a resized ad may have: the close control takes 50 x 50.
  var MIN_RESIZE = 50;

  var placement = variant === 'interstitial' ? 'interstitial' : 'inline';
  var state = 'loading';
  var readyHeard = false;
  var readyFired = false;
  var viewable = false;
  var listeners = {};
  EVENTS.forEach(function (name) { listeners[name] = []; });
  var screenSize = {width: 0, height: 0};
  var maxSize = {width: 0, height: 0};
  var currentPosition = {x: 0, y: 0, width: 0, height: 0};
  var defaultPosition = {x: 0, y: 0, width: 0, height: 0};
  var lastSize = null;
  var features = {};
  var expandProperties = {width: 0, height: 0, useCustomClose: false, isModal: true};
  var expandSizeSet = false;
  var resizeProperties = null;
  // What the last resize() asked for: the resized state has this size and offset.
  var sentResize = null;
  var orientationProperties = {allowOrientationChange: true, forceOrientation: 'none'};
  // Whether the page chose custom close or orientation itself: an interstitial loads before its
  // controller exists, so both are said again when it is shown.
  var customCloseChosen = false;
  var orientationChosen = false;

  // One navigation a message, each in a task of its own, and none before the page has loaded:
  // a change of the page's location while it still loads would stop it.
  var queue = [];
  var sending = false;
  var loaded = document.readyState === 'complete';
  function pump() {
    if (!queue.length) { sending = false; return; }
    window.location.href = queue.shift();
    setTimeout(pump, 0);
  }
  function startPump() {
    if (!sending && loaded && queue.length) { sending = true; setTimeout(pump, 0); }
  }
  if (!loaded) {
    window.addEventListener('load', function () { loaded = true; startPump(); });
  }
  function send(name, params) {
    var pairs = [];
    for (var key in params) {
      if (Object.prototype.hasOwnProperty.call(params, key) && params[key] !== undefined && params[key] !== null) {
        pairs.push(encodeURIComponent(key) + '=' + encodeURIComponent(String(params[key])));
      }
    }
    queue.push('amsg://page/' + encodeURIComponent(name) + (pairs.length ? '?' + pairs.join('&') : ''));
    startPump();
  }

  function fire(name, args) {
    // A listener may add or remove listeners: the ones registered now are called.
    listeners[name].slice().forEach(function (listener) {
      try {
        listener.apply(null, args);
      } catch (e) {
        if (window.console) window.console.error(e);
      }
    });
  }
  function error(message, action) { fire('error', [message, action]); }

  function isTrue(value) { return value === true || value === 1 || value === '1' || value === 'true'; }
  function number(value) {
    var n = typeof value === 'string' && value !== '' ? Number(value) : value;
    return typeof n === 'number' && isFinite(n) ? n : null;
  }
  function size(info, widthKey, heightKey) {
    var w = number(info[widthKey]);
    var h = number(info[heightKey]);
    return w !== null && h !== null && w >= 0 && h >= 0 ? {width: w, height: h} : null;
  }
  function position(info) {
    var s = size(info, 'width', 'height');
    var x = number(info.x);
    var y = number(info.y);
    return s && x !== null && y !== null ? {x: x, y: y, width: s.width, height: s.height} : null;
  }
  function copy(object) {
    var out = {};
    for (var key in object) out[key] = object[key];
    return out;
  }
  // A web address resolved against the page; null for anything that is not http or https.
  function webURL(url) {
    if (typeof url !== 'string' || !url) return null;
    try {
      var resolved = new URL(url, document.baseURI);
      return resolved.protocol === 'http:' || resolved.protocol === 'https:' ? resolved.href : null;
    } catch (e) {
      return null;
    }
  }
  function pad(n) { return (n < 10 ? '0' : '') + n; }
  // yyyy-MM-ddTHH:mm:ss+hh:mm, in the device's own zone.
  function calendarDate(value) {
    var date = value instanceof Date ? value : (typeof value === 'string' || typeof value === 'number')
                                                  ? new Date(value) : null;
    if (!date || isNaN(date.getTime())) return null;
    var offset = -date.getTimezoneOffset();
    var sign = offset >= 0 ? '+' : '-';
    offset = Math.abs(offset);
    return date.getFullYear() + '-' + pad(date.getMonth() + 1) + '-' + pad(date.getDate()) + 'T' +
           pad(date.getHours()) + ':' + pad(date.getMinutes()) + ':' + pad(date.getSeconds()) + sign +
           pad(Math.floor(offset / 60)) + ':' + pad(offset % 60);
  }

  // The whole screen as far as the page knows it: a second page may never hear of the screen.
  function fullSize() {
    if (maxSize.width || maxSize.height) return maxSize;
    if (screenSize.width || screenSize.height) return screenSize;
    return {width: window.innerWidth, height: window.innerHeight};
  }
  function sizeOfState(s) {
    if (s === 'expanded') return fullSize();
    if (s === 'resized' && sentResize) return {width: sentResize.width, height: sentResize.height};
    if (s === 'default') {
      if (placement === 'interstitial') return fullSize();
      return defaultPosition.width || defaultPosition.height ? defaultPosition : currentPosition;
    }
    return null;
  }
  function sizeChanged(s) {
    if (lastSize && lastSize.width === s.width && lastSize.height === s.height) return;
    lastSize = {width: s.width, height: s.height};
    fire('sizeChange', [s.width, s.height]);
  }
  function setState(s) {
    if (STATES.indexOf(s) < 0 || s === state) return;
    state = s;
    var now = sizeOfState(s);
    if (now) {
      currentPosition.width = now.width;
      currentPosition.height = now.height;
      if (s === 'expanded') {
        currentPosition.x = 0;
        currentPosition.y = 0;
      } else if (s === 'resized') {
        currentPosition.x = defaultPosition.x + sentResize.offsetX;
        currentPosition.y = defaultPosition.y + sentResize.offsetY;
      } else if (s === 'default' && placement === 'inline' && (defaultPosition.width || defaultPosition.height)) {
        currentPosition.x = defaultPosition.x;
        currentPosition.y = defaultPosition.y;
      }
    }
    fire('stateChange', [s]);
    if (now) {
      // A listener of the state may have looked already: the size event always follows.
      lastSize = null;
      sizeChanged(now);
    }
    fireReadyWhenDue();
  }
  function setViewable(value) {
    if (value === viewable) return;
    viewable = value;
    fire('viewableChange', [value]);
  }
  function fireReadyWhenDue() {
    if (readyFired || !readyHeard || state === 'loading') return;
    readyFired = true;
    fire('ready', []);
  }

  function sendCustomClose() { send('customClose', {custom_close: expandProperties.useCustomClose ? '1' : '0'}); }
  function sendOrientation() {
    send('mraid', {a: 'setOrientationProperties',
                   allowOrientationChange: orientationProperties.allowOrientationChange ? 'true' : 'false',
                   forceOrientation: orientationProperties.forceOrientation});
  }
  function orientationCode() {
    if (orientationProperties.forceOrientation === 'portrait') return 'p';
    if (orientationProperties.forceOrientation === 'landscape') return 'l';
    return orientationProperties.allowOrientationChange ? 'a' : 'c';
  }
  function canChangeSize(action) {
    if (state === 'loading' || state === 'hidden' || state === 'expanded') {
      error(action + '() is not allowed in the state "' + state + '"', action);
      return false;
    }
    if (placement === 'interstitial') {
      error(action + '() is not allowed for an interstitial', action);
      return false;
    }
    return true;
  }
  function validResizeProperties(p) {
    if (!p || typeof p !== 'object') return null;
    var out = {
      width: number(p.width),
      height: number(p.height),
      offsetX: number(p.offsetX),
      offsetY: number(p.offsetY),
      customClosePosition: p.customClosePosition === undefined ? 'top-right' : p.customClosePosition,
      allowOffscreen: p.allowOffscreen === undefined ? true : p.allowOffscreen
    };
    if (out.width === null || out.height === null || out.offsetX === null || out.offsetY === null) return null;
    if (out.width < MIN_RESIZE || out.height < MIN_RESIZE) return null;
    if (CLOSE_POSITIONS.indexOf(out.customClosePosition) < 0 || typeof out.allowOffscreen !== 'boolean') return null;
    return out;
  }

  var mraid = {
    tikoleapVariant: variant,
    // The standard's names of its events, states and choices, which creatives use in place of the
    // strings.
    EVENTS: Object.freeze({ERROR: 'error', READY: 'ready', SIZECHANGE: 'sizeChange', STATECHANGE: 'stateChange',
                           VIEWABLECHANGE: 'viewableChange'}),
    STATES: Object.freeze({LOADING: 'loading', DEFAULT: 'default', EXPANDED: 'expanded', RESIZED: 'resized',
                           HIDDEN: 'hidden'}),
    PLACEMENT_TYPES: Object.freeze({INLINE: 'inline', INTERSTITIAL: 'interstitial'}),
    ORIENTATION_PROPERTIES_FORCE_ORIENTATION: Object.freeze({PORTRAIT: 'portrait', LANDSCAPE: 'landscape',
                                                             NONE: 'none'}),
    RESIZE_PROPERTIES_CUSTOM_CLOSE_POSITION: Object.freeze({
      TOP_LEFT: 'top-left', TOP_RIGHT: 'top-right', CENTER: 'center', BOTTOM_LEFT: 'bottom-left',
      BOTTOM_RIGHT: 'bottom-right', TOP_CENTER: 'top-center', BOTTOM_CENTER: 'bottom-center'
    }),
    SUPPORTED_FEATURES: Object.freeze({SMS: 'sms', TEL: 'tel', CALENDAR: 'calendar', STORE_PICTURE: 'storePicture',
                                       INLINE_VIDEO: 'inlineVideo'}),
    getVersion: function () { return '2.0'; },
    addEventListener: function (event, listener) {
      if (EVENTS.indexOf(event) < 0 || typeof listener !== 'function') {
        return error('addEventListener needs a known event and a function: ' + String(event), 'addEventListener');
      }
      if (listeners[event].indexOf(listener) < 0) listeners[event].push(listener);
    },
    removeEventListener: function (event, listener) {
      if (EVENTS.indexOf(event) < 0) {
        return error('removeEventListener of an unknown event: ' + String(event), 'removeEventListener');
      }
      if (listener === undefined) {
        listeners[event] = [];
        return;
      }
      var at = listeners[event].indexOf(listener);
      if (at < 0) return error('no such listener of "' + event + '"', 'removeEventListener');
      listeners[event].splice(at, 1);
    },
    getState: function () { return state; },
    getPlacementType: function () { return placement; },
    isViewable: function () { return viewable; },
    expand: function (url) {
      if (!canChangeSize('expand')) return;
      var params = {a: 'expand', o: orientationCode(), custom_close: expandProperties.useCustomClose ? '1' : '0'};
      if (url !== undefined && url !== null) {
        var page = webURL(url);
        if (!page) return error('expand() needs an http or https address: ' + String(url), 'expand');
        params.a = 'webapp';
        params.u = page;
      }
      send('open', params);
    },
    close: function () {
      if (state === 'loading' || state === 'hidden') {
        return error('close() is not allowed in the state "' + state + '"', 'close');
      }
      send('close', {});
    },
    resize: function () {
      if (!canChangeSize('resize')) return;
      if (!resizeProperties) return error('resize() needs setResizeProperties() first', 'resize');
      var p = sentResize = copy(resizeProperties);
      send('mraid', {
        a: 'resize',
        width: p.width,
        height: p.height,
        offsetX: p.offsetX,
        offsetY: p.offsetY,
        customClosePosition: p.customClosePosition,
        allowOffscreen: p.allowOffscreen ? 'true' : 'false'
      });
    },
    useCustomClose: function (flag) {
      if (typeof flag !== 'boolean') return error('useCustomClose() needs true or false', 'useCustomClose');
      expandProperties.useCustomClose = flag;
      customCloseChosen = true;
      sendCustomClose();
    },
    getExpandProperties: function () {
      var out = copy(expandProperties);
      if (!expandSizeSet) {
        var full = fullSize();
        out.width = full.width;
        out.height = full.height;
      }
      return out;
    },
    setExpandProperties: function (p) {
      if (!p || typeof p !== 'object') return error('setExpandProperties() needs an object', 'setExpandProperties');
      var w = p.width === undefined ? expandProperties.width : number(p.width);
      var h = p.height === undefined ? expandProperties.height : number(p.height);
      if (w === null || h === null || w < 0 || h < 0 ||
          (p.useCustomClose !== undefined && typeof p.useCustomClose !== 'boolean')) {
        return error('invalid expand properties', 'setExpandProperties');
      }
      expandProperties.width = w;
      expandProperties.height = h;
      expandSizeSet = expandSizeSet || p.width !== undefined || p.height !== undefined;
      if (p.useCustomClose !== undefined) expandProperties.useCustomClose = p.useCustomClose;
    },
    getResizeProperties: function () {
      return resizeProperties ? copy(resizeProperties)
                              : {width: 0, height: 0, offsetX: 0, offsetY: 0, customClosePosition: 'top-right',
                                 allowOffscreen: true};
    },
    setResizeProperties: function (p) {
      var valid = validResizeProperties(p);
      if (!valid) {
        return error('invalid resize properties: width and height of at least ' + MIN_RESIZE +
                     ', numeric offsets, a known close position', 'setResizeProperties');
      }
      resizeProperties = valid;
    },
    getOrientationProperties: function () { return copy(orientationProperties); },
    setOrientationProperties: function (p) {
      if (!p || typeof p !== 'object') {
        return error('setOrientationProperties() needs an object', 'setOrientationProperties');
      }
      var allow = p.allowOrientationChange === undefined ? orientationProperties.allowOrientationChange
                                                         : p.allowOrientationChange;
      var force = p.forceOrientation === undefined ? orientationProperties.forceOrientation : p.forceOrientation;
      if (typeof allow !== 'boolean' || ['portrait', 'landscape', 'none'].indexOf(force) < 0) {
        return error('invalid orientation properties', 'setOrientationProperties');
      }
      orientationProperties = {allowOrientationChange: allow, forceOrientation: force};
      orientationChosen = true;
      sendOrientation();
    },
    getCurrentPosition: function () { return copy(currentPosition); },
    getDefaultPosition: function () { return copy(defaultPosition); },
    getMaxSize: function () { return copy(maxSize); },
    getScreenSize: function () { return copy(screenSize); },
    supports: function (feature) { return features[feature] === true; },
    storePicture: function (url) {
      var picture = webURL(url);
      if (!picture) return error('storePicture() needs an http or https address', 'storePicture');
      if (features.storePicture === false) return error('storing pictures is not supported', 'storePicture');
      send('mraid', {a: 'storePicture', iurl: picture});
    },
    createCalendarEvent: function (p) {
      if (!p || typeof p !== 'object') {
        return error('createCalendarEvent() needs an event object', 'createCalendarEvent');
      }
      var start = calendarDate(p.start);
      var end = p.end === undefined ? undefined : calendarDate(p.end);
      if (!start || end === null) return error('the event needs a valid start (and end)', 'createCalendarEvent');
      var params = {a: 'createCalendarEvent', start: start, end: end};
      ['description', 'location', 'summary', 'status', 'transparency'].forEach(function (key) {
        if (p[key] !== undefined && p[key] !== null) params[key] = String(p[key]);
      });
      if (p.reminder !== undefined && p.reminder !== null) {
        params.reminder = p.reminder instanceof Date ? calendarDate(p.reminder) : String(p.reminder);
      }
      if (p.recurrence && typeof p.recurrence === 'object') params.recurrence = JSON.stringify(p.recurrence);
      send('mraid', params);
    },
    open: function (url) {
      var page = webURL(url);
      if (page) return send('open', {a: 'browser', u: page});
      // Calls, messages and mail leave for the app that takes them.
      if (typeof url === 'string' && /^(tel|sms|mailto):/i.test(url)) return send('open', {u: url});
      error('open() needs an http, https, tel, sms or mailto address', 'open');
    },
    playVideo: function (url) {
      var video = webURL(url);
      if (!video) return error('playVideo() needs an http or https address', 'playVideo');
      send('open', {a: 'video', u: video});
    }
  };

  // What native code tells the page; anything else goes on to the page's own handler.
  var handlers = {
    onScreenInfoChanged: function (info) {
      var screen = size(info, 'width', 'height');
      var max = size(info, 'maxSizeWidth', 'maxSizeHeight');
      if (screen) screenSize = screen;
      if (max) maxSize = max;
    },
    onDeviceFeaturesReceived: function (info) {
      FEATURES.forEach(function (key) {
        if (key in info) features[key] = isTrue(info[key]);
      });
    },
    onReadyEventReceived: function () {
      readyHeard = true;
      // A second page's state is its container's to say.
      if (variant !== 'expanded' && state === 'loading') setState('default');
      fireReadyWhenDue();
    },
    onAdVisibilityChanged: function (info) { setViewable(isTrue(info.visible)); },
    onshow: function () {
      if (customCloseChosen) sendCustomClose();
      if (orientationChosen) sendOrientation();
      setViewable(true);
    },
    onhide: function () {
      setViewable(false);
      setState('hidden');
    },
    onSizeChanged: function (info) {
      var at = position(info);
      if (at) {
        currentPosition = at;
      } else {
        var s = size(info, 'width', 'height');
        if (!s) return;
        currentPosition.width = s.width;
        currentPosition.height = s.height;
      }
      // A page still loading hears its size once, with its first state.
      if (state !== 'loading') sizeChanged(currentPosition);
    },
    onDefaultPositionReceived: function (info) {
      var at = position(info);
      if (at) defaultPosition = at;
    },
    onStateChanged: function (info) {
      // Only the page itself is ever loading.
      if (info.state !== 'loading') setState(info.state);
    },
    expanding: function () {},
    collapsed: function () {},
    onError: function (info) {
      error(info.message === undefined ? 'error' : String(info.message),
            info.action === undefined ? '' : String(info.action));
    },
    onCalendarEventCanceled: function () { error('the calendar event was not created', 'createCalendarEvent'); }
  };

  window.mraid = mraid;
  window.ZAZO_ReceiveMessage = function (name, info) {
    info = info && typeof info === 'object' ? info : {};
    if (typeof name === 'string' && Object.prototype.hasOwnProperty.call(handlers, name)) {
      return handlers[name](info);
    }
    if (typeof window.zazoExtraHandler === 'function') window.zazoExtraHandler(name, info);
  };
  send('mraidLoaded', {});
})
