// The house style stands on its own: every option is written out in .clang-format rather than
// inherited from a preset, so a newer formatter or a changed preset cannot move a single line.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

const std::string kSource = TIKOLEAP_SOURCE_DIR;

// Top-level "Key: value" lines of a YAML style; nested lines are skipped.
std::map<std::string, std::string> topLevelOptions(const std::string& yaml) {
    std::map<std::string, std::string> options;
    std::istringstream in(yaml);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == ' ' || line[0] == '#' || line[0] == '-') continue;
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const size_t value = line.find_first_not_of(' ', colon + 1);
        options[line.substr(0, colon)] = value == std::string::npos ? "" : line.substr(value);
    }
    return options;
}

std::string readAll(FILE* pipe) {
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    return out;
}

}  // namespace

TEST(HouseStyle, EveryFormatterOptionIsWrittenOutWithoutAPreset) {
    std::ifstream file(kSource + "/.clang-format");
    ASSERT_TRUE(file);
    std::stringstream text;
    text << file.rdbuf();
    const auto written = topLevelOptions(text.str());
    EXPECT_EQ(written.count("BasedOnStyle"), 0u) << "the style names a preset";

    FILE* pipe =
        ::popen(("cd '" + kSource + "' && clang-format --dump-config --style=file 2>/dev/null").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    const std::string dumped = readAll(pipe);
    if (::pclose(pipe) != 0 || dumped.empty()) GTEST_SKIP() << "clang-format is not installed";
    const auto effective = topLevelOptions(dumped);
    ASSERT_GT(effective.size(), 100u);
    for (const auto& [key, value] : effective) {
        // The file applies to every language, and options that are off everywhere may be left out.
        if (key == "BasedOnStyle" || key == "Language" || value == "false") continue;
        EXPECT_EQ(written.count(key), 1u) << key << " is not written out";
    }
}
