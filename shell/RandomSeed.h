#pragma once
// Start-up seeding of the game's random generator (JTAppBase::JTRandom::current()).
#include <cstdint>

// Seeds the current generator with the low 32 bits of the monotonic clock in nanoseconds and
// returns that seed, so a run can be logged and replayed with the same sequence. Called once at
// start-up, unless a seed was given on the command line.
uint32_t SeedRandomAtStartup();
