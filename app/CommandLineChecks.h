#pragma once
// What the paths on a command line must be, checked before a run starts so that a long run
// never ends in a refusal and an output never lands on something that is not a file.
#include <optional>
#include <string>

#include "app/CommandLine.h"

struct PathProblem {
    // 2: the request names something that cannot be an output (a folder, FIFO, device or socket
    // where a file should be); 1: the output cannot be written where it is named (its folder is
    // missing, not a folder or not writable, the name is too long, links loop), or the
    // installation is broken.
    int exitCode = 2;
    std::string message;
};

// An output file (--screenshot, --sound-out) that exists, after following links, must be a
// regular file; a missing one needs a writable folder.
std::optional<PathProblem> checkOutputFile(const std::string& option, const std::string& path);
// A frames folder that exists must be a folder, and any frame file already in it a regular file.
std::optional<PathProblem> checkFramesFolder(const std::string& path);
// The resources folder must exist and hold every texture the game loads, each whole, and its
// interface files (ui/*.json) must load, naming only pictures that are there and whole.
std::optional<std::string> checkResources(const std::string& folder);

// All of the above for one command line; the first problem found.
std::optional<PathProblem> checkCommandLinePaths(const CommandLine& options);
