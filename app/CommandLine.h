#pragma once
// The tikoleap command line.
#include <optional>
#include <string>

struct CommandLine {
    bool headless = false;
    bool help = false;
    std::optional<std::string> home;
    int level = 0;  // 0: the level stored as current (Normal on a first run)
    std::optional<unsigned long long> seed;
    long long ticks = 1000;
    bool ticksGiven = false;  // without --ticks, a run of a --level ends at the game-over screen
    std::optional<std::string> input;
    std::optional<std::string> screenshot;
    std::optional<std::string> framesDir;
    std::optional<std::string> soundOut;  // headless: the run's mix as a WAV file
    // A WAV file's sizes are 32-bit: this many ticks of 441 stereo 16-bit frames fit in one.
    static constexpr long long kMaxSoundTicks = (0xFFFFFFFFLL - 1024) / (441 * 4);
    int frameEvery = 1;
    // Headless: the screen's pixels per point (1 to 3). It picks the game's default texture
    // resolution, offers the resolution setting above 1, and sizes the captures.
    float screenScale = 1.0f;
    bool screenScaleGiven = false;
    std::optional<long long> quitAfterMs;  // window mode: quit by itself (tests, demos)
    std::optional<std::string> openUrl;    // handed to the app once it has started
    // Headless: an http or https page loaded into a web view after the first tick.
    std::optional<std::string> webPage;
    std::string resources;  // folder of the generated textures
    // Headless: real seconds the start waits for the launch's announcement check before going on
    // without it. Not a command-line option; tests shorten it.
    double announceWaitSeconds = 10.0;

    // Parses argv; on a bad argument returns nothing and puts the reason in `error`.
    static std::optional<CommandLine> parse(int argc, const char* const* argv, std::string* error);
    static const char* usage();
};
