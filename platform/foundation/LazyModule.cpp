#include "platform/foundation/LazyModule.h"

#include <dlfcn.h>

#include <filesystem>

#include "platform/foundation/Log.h"

namespace platform {

LazyModule::LazyModule(const char* fileName) : fileName_(fileName) {}

std::string LazyModule::directory() {
    // This function's own library: the modules are built and kept beside it.
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&LazyModule::directory), &info) || !info.dli_fname) return {};
    return std::filesystem::path(info.dli_fname).parent_path().string();
}

bool LazyModule::load(std::string* error) {
    if (!loaded_ && failure_.empty()) {
        const std::string path = directory() + "/" + fileName_;
        // Never closed: the engines it starts live as long as the process.
        if (dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            loaded_ = true;
        } else {
            const char* why = dlerror();
            failure_ = std::string("cannot load ") + fileName_ + ": " + (why ? why : "no reason given");
            logMessage("LazyModule", 3, failure_);
        }
    }
    if (!loaded_ && error) *error = failure_;
    return loaded_;
}

}  // namespace platform
