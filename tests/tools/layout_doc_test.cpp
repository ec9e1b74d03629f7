// docs/layout.md names every folder of the tree and of the platform floor, so that a reader finds
// each one there.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/RunOutput.h"

namespace fs = std::filesystem;

TEST(LayoutDoc, NamesEveryFolderOfThePlatformFloor) {
    const std::string doc = tikoleap::test::readFile(fs::path(TIKOLEAP_SOURCE_DIR) / "docs" / "layout.md");
    const size_t row = doc.find("| `platform/` |");
    ASSERT_NE(row, std::string::npos);
    const std::string line = doc.substr(row, doc.find('\n', row) - row);
    for (const auto& entry : fs::directory_iterator(fs::path(TIKOLEAP_SOURCE_DIR) / "platform")) {
        if (!entry.is_directory()) continue;
        const std::string name = entry.path().filename().string();
        EXPECT_NE(line.find("`" + name + "/`"), std::string::npos) << name << "/ is not in docs/layout.md";
    }
}

TEST(LayoutDoc, HasARowForEveryFolderOfTheTree) {
    const std::string doc = tikoleap::test::readFile(fs::path(TIKOLEAP_SOURCE_DIR) / "docs" / "layout.md");
    for (const auto& entry : fs::directory_iterator(TIKOLEAP_SOURCE_DIR)) {
        const std::string name = entry.path().filename().string();
        // Hidden folders and the build trees (`build*/`, ignored by git) are no part of it.
        if (!entry.is_directory() || name.front() == '.' || name.rfind("build", 0) == 0) continue;
        EXPECT_NE(doc.find("\n| `" + name + "/` |"), std::string::npos)
            << name << "/ has no row in docs/layout.md";
    }
}
