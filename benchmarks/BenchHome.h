// A home folder of the benchmark process's own under TMPDIR: runs on one machine never share one,
// and nothing of a run is left behind when the process ends normally.
#pragma once

#include <filesystem>
#include <string>

namespace tikoleap::bench {

// NAME below this process's folder, created. The whole folder goes when the process exits.
std::filesystem::path benchHome(const std::string& name);

}  // namespace tikoleap::bench
