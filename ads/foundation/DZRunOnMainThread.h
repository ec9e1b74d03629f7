#pragma once
// Runs a block on the main thread (the main run loop's thread): at once, before returning, when
// the caller is already there; otherwise posted to the main queue, returning at once. Every
// delegate callback and UI step of the ad component goes through it.
//
// UI objects are made and let go of on the main thread only: the release helpers below make sure
// a worker thread that happens to hold the last reference never destroys one.
#include <functional>
#include <memory>
#include <utility>

void DZRunOnMainThread(std::function<void()> block);

// Drops the reference on the main thread: at once when already there (or when no main loop runs),
// else posted to the main queue.
void DZReleaseOnMainThread(std::shared_ptr<const void> object);

// Another reference to the same object, whose last release, on whatever thread it happens, hands
// the object to DZReleaseOnMainThread.
template <typename T>
std::shared_ptr<T> DZMainThreadReleased(std::shared_ptr<T> object) {
    if (!object) return object;
    T* raw = object.get();
    return std::shared_ptr<T>(
        raw, [held = std::move(object)](T*) mutable { DZReleaseOnMainThread(std::move(held)); });
}
