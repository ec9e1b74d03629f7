#pragma once
// What the paths on a command line must be, checked before a run starts so that a long run
// never ends in a refusal and an output never lands on something that is not a file.
#include <optional>
#include <string>

#include "app/CommandLine.h"

struct PathProblem {
    int exitCode = 2;  // 2: the request names a path it cannot mean; 1: the installation is broken
    std::string message;
};

// An output file (--screenshot, --sound-out) that exists, after following links, must be a
// regular file; a missing one is fine (its folder is checked when the run writes it).
std::optional<std::string> checkOutputFile(const std::string& option, const std::string& path);
// A frames folder that exists must be a folder, and any frame file already in it a regular file.
std::optional<std::string> checkFramesFolder(const std::string& path);
// The resources folder must exist and hold every texture the game loads, each decodable.
std::optional<std::string> checkResources(const std::string& folder);

// All of the above for one command line; the first problem found.
std::optional<PathProblem> checkCommandLinePaths(const CommandLine& options);
