// tikoleap: the game in a window where a display exists, a headless run otherwise.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "app/CommandLine.h"
#include "app/CommandLineChecks.h"
#include "app/HeadlessRun.h"
#include "app/PlayDemo.h"
#include "app/WindowRun.h"
#include "platform/audio/DeviceOpener.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ResourceFileError.h"
#include "platform/media/MediaPlayers.h"
#include "platform/ui/InterfaceFileError.h"

namespace {

// A device open still waiting in the audio library (a backend stuck on a lock) could hold up the
// library's own clean-up at exit: the process ends without it then.
int leave(int code) {
    if (!platform::audio::DeviceOpener::attemptWaiting()) return code;
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    auto options = CommandLine::parse(argc, argv, &error);
    if (!options) {
        std::fprintf(stderr, "tikoleap: %s\n%s", error.c_str(), CommandLine::usage());
        return 2;
    }
    if (options->help) {
        std::fputs(CommandLine::usage(), stdout);
        return 0;
    }
    if (options->resources.empty()) options->resources = TIKOLEAP_RESOURCES_DIR;
    if (const auto problem = checkCommandLinePaths(*options)) {
        std::fprintf(stderr, "tikoleap: %s\n", problem->message.c_str());
        return problem->exitCode;
    }

    const bool window = !options->headless && WindowRun::displayAvailable();
    const bool demo = !options->headless && !window;
    if (demo) {
        // No display: the demo runs headless and leaves its last frame where the player can see it.
        if (!options->screenshot) {
            if (options->home) platform::AppPaths::setHome(*options->home);
            const auto folder = platform::AppPaths::temporaryDirectory();
            std::error_code ec;
            std::filesystem::create_directories(folder, ec);
            options->screenshot = (folder / "tikoleap-last-frame.png").string();
        }
        // The demo's game is not the player's: it plays in a home of its own, so its score (dated by
        // the run's virtual clock), unlocks and settings never reach the player's own records.
        if (!options->home) options->home = (platform::AppPaths::temporaryDirectory() / "demo-home").string();
    }

    if (options->home) {
        // Before any thread or GL context starts: the libraries' own caches belong in the home too.
        platform::AppPaths::setHome(*options->home);
        platform::AppPaths::keepLibraryCachesInHome();
    }

    using platform::audio::OutputMode;
    // The audio library reads its backends from the environment: set it before any thread starts.
    platform::audio::DeviceOpener::chooseBackends(window              ? OutputMode::System
                                                  : options->soundOut ? OutputMode::Loopback
                                                                      : OutputMode::Disabled);
    // GStreamer reads where its registry lives from the environment too.
    platform::media::MediaPlayers::prepareEnvironment();

    // What the start-up check cannot judge (an outlet or action a screen does not have, a texture or
    // picture whose checksums hold but whose data does not decode) shows only when it first loads:
    // it ends the run as a damaged installation does.
    try {
        if (window) {
            WindowRun windowRun(*options);
            const int code = windowRun.run(&error);
            if (code != 0) std::fprintf(stderr, "tikoleap: %s\n", error.c_str());
            return leave(code);
        }

        HeadlessRun run(*options);
        if (demo) {
            std::fprintf(stderr, "tikoleap: no display found; playing a short demo game headless\n");
            run.playUntilGameOver(PlayDemo::script(), PlayDemo::kMaxTicks);
        }
        int exitCode = 0;
        auto result = run.run(&error, &exitCode);
        if (!result) {
            std::fprintf(stderr, "tikoleap: %s\n", error.c_str());
            if (exitCode == 2) std::fputs(CommandLine::usage(), stderr);
            return leave(exitCode);
        }
        if (demo) {
            std::fprintf(stderr, "tikoleap: %s; last frame written to %s\n",
                         PlayDemo::scoreLine(result->level, result->score).c_str(),
                         options->screenshot->c_str());
        }
        std::cout << result->toJson() << std::endl;
        // A run that played through but lost a store write still says so in its status.
        if (exitCode != 0) std::fprintf(stderr, "tikoleap: %s\n", error.c_str());
        return leave(exitCode);
    } catch (const platform::ui::InterfaceFileError& e) {
        std::fprintf(stderr, "tikoleap: interface file unusable: %s\n", e.what());
        return leave(1);
    } catch (const platform::ResourceFileError& e) {
        std::fprintf(stderr, "tikoleap: resource file damaged: %s\n", e.what());
        return leave(1);
    }
}
