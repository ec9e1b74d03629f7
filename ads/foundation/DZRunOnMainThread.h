#pragma once
// Runs a block on the main thread (the main run loop's thread): at once, before returning, when
// the caller is already there; otherwise posted to the main queue, returning at once. Every
// delegate callback and UI step of the ad component goes through it.
#include <functional>

void DZRunOnMainThread(std::function<void()> block);
