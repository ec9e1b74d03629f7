// tikoleap: the game in a window where a display exists, a headless run otherwise.
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "app/CommandLine.h"
#include "app/CommandLineChecks.h"
#include "app/HeadlessRun.h"
#include "app/PlayDemo.h"
#include "app/WindowRun.h"
#include "platform/foundation/AppPaths.h"

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

    if (!options->headless) {
        if (WindowRun::displayAvailable()) {
            if (options->home) platform::AppPaths::setHome(*options->home);
            WindowRun window(*options);
            const int code = window.run(&error);
            if (code != 0) std::fprintf(stderr, "tikoleap: %s\n", error.c_str());
            return code;
        }
        // No display: the demo runs headless and leaves its last frame where the player can see it.
        if (!options->screenshot) {
            if (options->home) platform::AppPaths::setHome(*options->home);
            const auto folder = platform::AppPaths::temporaryDirectory();
            std::error_code ec;
            std::filesystem::create_directories(folder, ec);
            options->screenshot = (folder / "tikoleap-last-frame.png").string();
        }
    }

    HeadlessRun run(*options);
    const bool demo = !options->headless;
    if (demo) {
        std::fprintf(stderr, "tikoleap: no display found; playing a short demo game headless\n");
        run.playUntilGameOver(PlayDemo::script(), PlayDemo::kMaxTicks);
    }
    int exitCode = 0;
    auto result = run.run(&error, &exitCode);
    if (!result) {
        std::fprintf(stderr, "tikoleap: %s\n", error.c_str());
        if (exitCode == 2) std::fputs(CommandLine::usage(), stderr);
        return exitCode;
    }
    if (demo) {
        std::fprintf(stderr, "tikoleap: %s; last frame written to %s\n",
                     PlayDemo::scoreLine(result->level, result->score).c_str(), options->screenshot->c_str());
    }
    std::cout << result->toJson() << std::endl;
    return 0;
}
