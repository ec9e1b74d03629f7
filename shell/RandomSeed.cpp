#include "shell/RandomSeed.h"

#include <time.h>

#include "appbase/JTRandom.h"

uint32_t SeedRandomAtStartup() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t nanos =
        static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
    const auto seed = static_cast<uint32_t>(nanos);
    JTAppBase::JTRandom::current().seed(seed);
    return seed;
}
