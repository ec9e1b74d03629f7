// tikoleap: the game in a window where a display exists, a headless run otherwise.
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "app/CommandLine.h"
#include "app/CommandLineChecks.h"
#include "app/HeadlessRun.h"
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

    if (options->home) {
        // Before any thread or GL context starts: the libraries' own caches belong in the home too.
        platform::AppPaths::setHome(*options->home);
        platform::AppPaths::keepLibraryCachesInHome();
    }

    if (!options->headless) {
        if (WindowRun::displayAvailable()) {
            WindowRun window(*options);
            const int code = window.run(&error);
            if (code != 0) std::fprintf(stderr, "tikoleap: %s\n", error.c_str());
            return code;
        }
        // No display: the demo runs headless and leaves its last frame where the player can see it.
        if (!options->screenshot) {
            const auto folder = platform::AppPaths::temporaryDirectory();
            std::error_code ec;
            std::filesystem::create_directories(folder, ec);
            options->screenshot = (folder / "tikoleap-last-frame.png").string();
        }
        std::fprintf(stderr, "tikoleap: no display found; running headless for %lld ticks\n", options->ticks);
    }

    HeadlessRun run(*options);
    int exitCode = 0;
    auto result = run.run(&error, &exitCode);
    if (!result) {
        std::fprintf(stderr, "tikoleap: %s\n", error.c_str());
        if (exitCode == 2) std::fputs(CommandLine::usage(), stderr);
        return exitCode;
    }
    if (!options->headless)
        std::fprintf(stderr, "tikoleap: last frame written to %s\n", options->screenshot->c_str());
    std::cout << result->toJson() << std::endl;
    return 0;
}
