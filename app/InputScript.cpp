#include "app/InputScript.h"

#include <cmath>
#include <sstream>

#include "platform/foundation/FileIO.h"
#include "platform/url/Url.h"

namespace {

// "#" starts a comment at the start of a line or after a blank, so a URL may hold one.
void stripComment(std::string& line) {
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
            line.erase(i);
            return;
        }
    }
}

}  // namespace

std::optional<InputScript> InputScript::parse(const std::string& text, const std::string& source,
                                              std::string* error) {
    InputScript script;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    long long lastTick = 0;
    double waited = 0;
    auto fail = [&](const std::string& why) -> std::optional<InputScript> {
        if (error) *error = source + ":" + std::to_string(lineNo) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        stripComment(line);
        std::istringstream words(line);
        std::string tickText;
        if (!(words >> tickText)) continue;  // blank or comment
        InputEvent ev;
        size_t used = 0;
        try {
            ev.tick = std::stoll(tickText, &used);
        } catch (...) {
            used = 0;
        }
        if (used != tickText.size() || ev.tick < 1)
            return fail("expected a tick number (1 or more), got \"" + tickText + "\"");
        if (ev.tick < lastTick) return fail("ticks must not decrease");
        std::string command;
        if (!(words >> command)) return fail("missing command after the tick");
        auto number = [&](double* out) {
            std::string word;
            if (!(words >> word)) return false;
            try {
                size_t n = 0;
                *out = std::stod(word, &n);
                return n == word.size() && std::isfinite(*out);
            } catch (...) {
                return false;
            }
        };
        if (command == "tilt") {
            ev.kind = InputEvent::Kind::Tilt;
            if (!number(&ev.x)) return fail("tilt needs one finite number");
            if (std::fabs(ev.x) > 2) return fail("tilt must lie within -2 and 2 g");
        } else if (command == "down") {
            ev.kind = InputEvent::Kind::Down;
            if (!number(&ev.x) || !number(&ev.y)) return fail("down needs two finite numbers x y");
        } else if (command == "up") {
            ev.kind = InputEvent::Kind::Up;
        } else if (command == "background") {
            ev.kind = InputEvent::Kind::Background;
        } else if (command == "foreground") {
            ev.kind = InputEvent::Kind::Foreground;
        } else if (command == "wait") {
            ev.kind = InputEvent::Kind::Wait;
            if (!number(&ev.x) || ev.x <= 0 || ev.x > kMaxWaitSeconds)
                return fail("wait needs a number of seconds above 0 and at most 60");
            waited += ev.x;
            if (waited > kMaxTotalWaitSeconds) return fail("the waits of a script add up to more than 600 s");
        } else if (command == "open") {
            ev.kind = InputEvent::Kind::Open;
            if (!(words >> ev.text)) return fail("open needs a URL");
            std::string why;
            if (!platform::Url::parse(ev.text, &why)) return fail("open: " + why);
        } else if (command == "alert") {
            ev.kind = InputEvent::Kind::Alert;
            std::getline(words >> std::ws, ev.text);
            while (!ev.text.empty() &&
                   (ev.text.back() == ' ' || ev.text.back() == '\t' || ev.text.back() == '\r'))
                ev.text.pop_back();
            if (ev.text.empty()) return fail("alert needs the title of a button");
        } else {
            return fail("unknown command \"" + command +
                        "\" (tilt, down, up, open, alert, background, foreground or wait)");
        }
        std::string extra;
        if (words >> extra) return fail("unexpected \"" + extra + "\" at the end of the line");
        lastTick = ev.tick;
        script.events_.push_back(ev);
    }
    return script;
}

std::optional<InputScript> InputScript::load(const std::string& path, std::string* error) {
    const platform::FileReadResult file = platform::readWholeFile(path, kMaxBytes);
    if (file.status != platform::FileReadResult::Status::Ok) {
        const std::string why =
            file.status == platform::FileReadResult::Status::Missing ? "no such file" : file.error;
        if (error) *error = path + ": cannot read the input script: " + why;
        return std::nullopt;
    }
    return parse(std::string(file.bytes.begin(), file.bytes.end()), path, error);
}
