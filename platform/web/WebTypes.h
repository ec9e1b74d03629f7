#pragma once
// The values that pass between a web view and its host: navigations, errors, script results,
// dialogs, and mouse, key and wheel input.
#include <string>
#include <utility>
#include <vector>

namespace platform::web {

// How a navigation came about; the numbers are those the ad views compare with.
enum class NavigationType {
    LinkClicked = 0,
    FormSubmitted = 1,
    BackForward = 2,
    Reload = 3,
    FormResubmitted = 4,
    Other = 5,
};

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct NavigationAction {
    std::string url;
    NavigationType type = NavigationType::Other;
    bool userGesture = false;  // a click or key press of the user started it
    bool newWindow = false;    // the page asked for a new window (target=_blank, window.open)
    // False for a navigation inside one of the page's frames: it never replaces the page, and
    // no load events of the view follow it.
    bool mainFrame = true;
    HeaderList headers;  // of the request as the engine is about to send it
};

struct WebRequest {
    std::string url;
    HeaderList headers;
};

struct WebError {
    // Errors the engine raises itself; a network or page error keeps the engine's own code.
    static constexpr int kCancelled = -999;  // stopped, or replaced by another load
    static constexpr int kTimedOut = -1001;  // the host's load time limit passed
    static constexpr int kUnsupportedScheme = -1002;
    static constexpr int kWebProcessEnded = -1100;  // the page's process crashed or was stopped
    static constexpr int kHostile = -1101;          // the host stopped a page that misbehaved

    std::string domain;  // "web" for the codes above, else the engine's error domain
    int code = 0;
    std::string message;
    std::string failingUrl;
};

struct ScriptResult {
    bool ok = false;
    std::string value;  // a string as it is, another value as JSON, undefined and null as ""
    std::string error;  // when !ok: the exception's message, or why the script never ran
};

enum class DialogKind { Alert, Confirm, Prompt };

struct ScriptDialog {
    DialogKind kind = DialogKind::Alert;
    std::string message;
    std::string defaultText;  // prompt only
};

struct DialogAnswer {
    bool accepted = false;  // confirm and prompt: OK instead of Cancel
    std::string text;       // prompt: the text entered
};

// A request for a script the host may answer from memory (an ad's "mraid.js").
struct ScriptRequest {
    std::string url;
    std::string referer;  // the page that asked, when its request named one
};

enum class MouseEventType { Down, Up, Move };

struct MouseEvent {
    MouseEventType type = MouseEventType::Down;
    double x = 0;  // view coordinates, points from the top left
    double y = 0;
};

enum class KeyEventType { Down, Up };

// A key as the page's KeyboardEvent.key names it: one character ("a", "A", " ", "é" in
// UTF-8) or a named key: Enter, Backspace, Tab, Escape, Delete, Home, End, PageUp, PageDown,
// ArrowLeft, ArrowRight, ArrowUp, ArrowDown. Other names are dropped.
struct KeyEvent {
    KeyEventType type = KeyEventType::Down;
    std::string key;
};

// A wheel or a drag turned into scrolling at (x, y): positive dy brings what is below into view.
struct ScrollEvent {
    double x = 0;  // view coordinates, points
    double y = 0;
    double dx = 0;  // points
    double dy = 0;
};

// Whether a page may start audio and video by itself or only from the user's click or key.
enum class MediaPlayback { Automatic, RequiresUserGesture };

struct ContentSize {
    int width = 0;
    int height = 0;
    bool operator==(const ContentSize&) const = default;
};

}  // namespace platform::web
