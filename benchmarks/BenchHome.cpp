#include "BenchHome.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <system_error>

namespace tikoleap::bench {

namespace {

// Computed afresh each time: the exit handler must not reach a static already destroyed.
std::filesystem::path processFolder() {
    return std::filesystem::temp_directory_path() / ("tikoleap-bench-" + std::to_string(getpid()));
}

}  // namespace

std::filesystem::path benchHome(const std::string& name) {
    static std::once_flag cleanup;
    std::call_once(cleanup, [] {
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(processFolder(), ignored);
        });
    });
    const std::filesystem::path home = processFolder() / name;
    std::filesystem::create_directories(home);
    return home;
}

}  // namespace tikoleap::bench
