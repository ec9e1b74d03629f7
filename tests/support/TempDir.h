#pragma once
// A fresh, private temporary folder for one test, removed with everything in it afterwards.
// Suites that need the app's folders point them at it: platform::AppPaths::setHome(tmp.path()).
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tikoleap::test {

class TempDir {
  public:
    explicit TempDir(std::string_view prefix = "tikoleap-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // path() / name, with any intermediate folders created.
    std::filesystem::path file(const std::string& name) const;

    void write(const std::string& name, std::string_view bytes) const;
    void write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    // The file's bytes; throws std::runtime_error when it cannot be read.
    std::vector<uint8_t> read(const std::string& name) const;

  private:
    std::filesystem::path path_;
};

}  // namespace tikoleap::test
