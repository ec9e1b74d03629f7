#pragma once
// A shared library of the game's own that is opened only when first needed: the web engine and
// the media backend each bring some hundred system libraries and tens of MiB with them, which a
// game that shows no ad or video should never map. The library sits beside the platform library
// and, as it loads, installs its backend where the platform layer looks for it (a program that
// links the library itself has it installed from the start). It stays loaded until the process
// ends. Main thread only.
#include <string>

namespace platform {

class LazyModule {
  public:
    // `fileName` like "libtikoleap-web.so".
    explicit LazyModule(const char* fileName);

    // Opens the library; false with the reason in `error` when it cannot be opened (the failure
    // stands for the process: it is not tried again).
    bool load(std::string* error);

    // The folder the game's own libraries are in.
    static std::string directory();

  private:
    const char* fileName_;
    bool loaded_ = false;
    std::string failure_;
};

}  // namespace platform
