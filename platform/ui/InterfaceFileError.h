#pragma once
// Raised when an interface file cannot be used: unreadable, malformed, or naming a class,
// attribute, outlet, action or image that does not exist. Carries the file and the name.
#include <stdexcept>
#include <string>

namespace platform::ui {

class InterfaceFileError : public std::runtime_error {
  public:
    InterfaceFileError(std::string file, std::string name, const std::string& what)
        : std::runtime_error(file + ": " + what + (name.empty() ? "" : " \"" + name + "\"")),
          file_(std::move(file)),
          name_(std::move(name)) {}

    const std::string& file() const { return file_; }
    const std::string& name() const { return name_; }

  private:
    std::string file_;
    std::string name_;
};

}  // namespace platform::ui
