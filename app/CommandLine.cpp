#include "app/CommandLine.h"

#include <charconv>
#include <string_view>

#include "platform/url/Url.h"

namespace {

template <class T>
bool parseNumber(std::string_view text, T min, T max, T* out) {
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    // Written so that a NaN fails the range too.
    if (ec != std::errc() || end != text.data() + text.size() || !(value >= min && value <= max))
        return false;
    *out = value;
    return true;
}

}  // namespace

const char* CommandLine::usage() {
    return "usage: tikoleap [--home DIR] [--level ID] [--seed N] [--quit-after-ms MS] [--open-url URL]\n"
           "       tikoleap --headless [--home DIR] [--level ID] [--seed N] [--ticks N] [--input FILE]\n"
           "                [--screenshot FILE] [--frames-dir DIR --frame-every K] [--open-url URL]\n"
           "                [--sound-out FILE] [--screen-scale S] [--web-page URL]\n"
           "  --headless        run without a window on a virtual clock, then print one JSON line\n"
           "  --home DIR        keep Documents, caches and temporary files under DIR\n"
           "  --level ID        start a game of this level instead of the title screen (20 Normal,\n"
           "                    21 Fall, 22 Enemy, 25 Right, 27 Down, 28 Enemy2, 29 Right+Enemy,\n"
           "                    30 Fall+Enemy2, 31 Trampoline, 32 Colors)\n"
           "  --seed N          seed of the game's random generator (default: from the clock)\n"
           "  --ticks N         ticks to run, 10 ms each (default: until the game-over screen with\n"
           "                    --level, else 1000)\n"
           "  --input FILE      input script: tilt and touches by tick (see docs/headless.md)\n"
           "  --screenshot FILE write the whole window at the end as PNG\n"
           "  --frames-dir DIR  write the whole window every K-th tick as PNG into DIR (--frame-every K)\n"
           "  --sound-out FILE  write the run's sound as WAV (16-bit stereo, 44 100 Hz, 441 frames a tick)\n"
           "  --screen-scale S  pixels per point of the headless screen, 1 to 3 (default 1; the window\n"
           "                    shows 1.5): the default texture resolution and the captures' size\n"
           "  --web-page URL    load this http or https page into a web view after the first tick\n"
           "                    (needs a display) and report it as \"webPage\"\n"
           "  --quit-after-ms MS  window mode: close by itself after MS milliseconds\n"
           "  --open-url URL    hand URL to the app once it has started (in the window: to the\n"
           "                    running instance, when there is one)\n"
           "  --resources DIR   folder of the game's textures\n";
}

std::optional<CommandLine> CommandLine::parse(int argc, const char* const* argv, std::string* error) {
    CommandLine cl;
    auto fail = [&](const std::string& why) -> std::optional<CommandLine> {
        if (error) *error = why;
        return std::nullopt;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](std::string_view) -> std::optional<std::string_view> {
            if (i + 1 >= argc) return std::nullopt;
            return std::string_view(argv[++i]);
        };
        if (arg == "--headless") {
            cl.headless = true;
        } else if (arg == "--help" || arg == "-h") {
            cl.help = true;
        } else if (arg == "--home" || arg == "--input" || arg == "--screenshot" || arg == "--frames-dir" ||
                   arg == "--resources" || arg == "--sound-out") {
            auto v = value(arg);
            if (!v || v->empty()) return fail(std::string(arg) + " needs a path");
            if (arg == "--home") cl.home = std::string(*v);
            if (arg == "--input") cl.input = std::string(*v);
            if (arg == "--screenshot") cl.screenshot = std::string(*v);
            if (arg == "--frames-dir") cl.framesDir = std::string(*v);
            if (arg == "--resources") cl.resources = std::string(*v);
            if (arg == "--sound-out") cl.soundOut = std::string(*v);
        } else if (arg == "--open-url") {
            auto v = value(arg);
            if (!v) return fail("--open-url needs a URL");
            std::string why;
            if (!platform::Url::parse(*v, &why)) return fail("--open-url: " + why);
            cl.openUrl = std::string(*v);
        } else if (arg == "--web-page") {
            auto v = value(arg);
            if (!v) return fail("--web-page needs a URL");
            std::string why;
            const auto url = platform::Url::parse(*v, &why);
            if (!url) return fail("--web-page: " + why);
            if (!url->isWeb()) return fail("--web-page needs an http or https URL");
            cl.webPage = std::string(*v);
        } else if (arg == "--level") {
            auto v = value(arg);
            if (!v || !parseNumber(*v, 1, 1000000, &cl.level)) return fail("--level needs a level id");
        } else if (arg == "--seed") {
            auto v = value(arg);
            unsigned long long seed = 0;
            if (!v || !parseNumber(*v, 0ULL, ~0ULL, &seed))
                return fail("--seed needs a non-negative integer");
            cl.seed = seed;
        } else if (arg == "--ticks") {
            auto v = value(arg);
            if (!v || !parseNumber(*v, 0LL, 100000000LL, &cl.ticks)) return fail("--ticks needs a count");
            cl.ticksGiven = true;
        } else if (arg == "--frame-every") {
            auto v = value(arg);
            if (!v || !parseNumber(*v, 1, 1000000, &cl.frameEvery))
                return fail("--frame-every needs a positive count");
        } else if (arg == "--screen-scale") {
            auto v = value(arg);
            if (!v || !parseNumber(*v, 1.0f, 3.0f, &cl.screenScale))
                return fail("--screen-scale needs a number from 1 to 3");
            cl.screenScaleGiven = true;
        } else if (arg == "--quit-after-ms") {
            auto v = value(arg);
            long long ms = 0;
            if (!v || !parseNumber(*v, 0LL, 86400000LL, &ms))
                return fail("--quit-after-ms needs milliseconds");
            cl.quitAfterMs = ms;
        } else {
            return fail("unknown argument: " + std::string(arg));
        }
    }
    // Scripts and frame dumps only make sense on the virtual clock: say so instead of ignoring them.
    if (!cl.headless && (cl.input || cl.framesDir || cl.soundOut || cl.webPage))
        return fail("--input, --frames-dir, --sound-out and --web-page need --headless");
    if (!cl.headless && cl.screenScaleGiven)
        return fail("--screen-scale needs --headless (the window shows 1.5)");
    if (cl.soundOut && cl.ticks > kMaxSoundTicks)
        return fail("--sound-out holds at most " + std::to_string(kMaxSoundTicks) + " ticks");
    return cl;
}
