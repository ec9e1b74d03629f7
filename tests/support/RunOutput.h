#pragma once
// What a test reads back after driving a program: a file it wrote, the JSON line it printed last.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

namespace tikoleap::test {

// The file's whole text; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The last line of a program's output, parsed as JSON (throws when it is not).
inline nlohmann::json lastLine(const std::string& out) {
    const auto end = out.find_last_not_of('\n');
    const auto start = out.rfind('\n', end);
    return nlohmann::json::parse(out.substr(start == std::string::npos ? 0 : start + 1));
}

}  // namespace tikoleap::test
