#pragma once
// Raised when a file of the program's own resources (a texture, an interface picture) is there but
// cannot be used: damaged, cut short, or past what its decoder takes. The installation is broken,
// and the program ends naming the file rather than playing on without it.
#include <stdexcept>
#include <string>

namespace platform {

class ResourceFileError : public std::runtime_error {
  public:
    // `reason` names the file already.
    ResourceFileError(std::string path, const std::string& reason)
        : std::runtime_error(reason), path_(std::move(path)) {}

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace platform
