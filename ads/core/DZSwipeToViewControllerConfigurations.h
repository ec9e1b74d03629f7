#pragma once
// What an ad's server says about pulling a store page out of the ad with a vertical swipe: the
// product to show, where in the swipe view a swipe may start, the transition's length and the
// metadata the creative gets back with each swipe event. The direction and whether the ad's
// picture travels with the page are the creative's to set later. The settings come from the ad
// server and are checked here: wrong types are skipped, rectangles must be finite, of sizes not
// below zero and within kMaxExtent points, and only the first kMaxRectangles of them are kept.
// Main thread only.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/geometry/Geometry.h"

class DZSwipeToViewControllerConfigurations {
  public:
    static constexpr int kDirectionNone = 0;
    static constexpr int kDirectionTopToBottom = 1;
    static constexpr int kDirectionBottomToTop = 2;
    static constexpr std::size_t kMaxRectangles = 32;
    // No screen is this many points across: a coordinate or size beyond it is not a place on one.
    static constexpr double kMaxExtent = 16384;
    static constexpr double kDefaultTransitionDuration = 1.0;
    // A longer transition would leave the page hanging half-way for the user.
    static constexpr double kMaxTransitionDuration = 10.0;
    // Store numbers are positive and below 10^18.
    static constexpr uint64_t kMaxProductID = 999999999999999999ULL;

    // Null unless `settings` is an object with at least one entry.
    static std::shared_ptr<DZSwipeToViewControllerConfigurations> create(const nlohmann::json& settings);

    const std::optional<uint64_t>& swipeableInAppStoreProductID() const { return productID_; }
    // Null when no element was valid.
    const std::optional<std::vector<platform::Rect>>& swipeableRectangles() const { return rectangles_; }
    const std::optional<nlohmann::json>& swipeEventCreativeMetadata() const { return metadata_; }
    double swipeAnimationTransitionDuration() const { return duration_; }
    int swipeDirection() const { return direction_; }
    void setSwipeDirection(int direction) { direction_ = direction; }
    bool adDraggable() const { return adDraggable_; }
    void setAdDraggable(bool draggable) { adDraggable_ = draggable; }

  private:
    std::optional<uint64_t> productID_;
    std::optional<std::vector<platform::Rect>> rectangles_;
    std::optional<nlohmann::json> metadata_;
    double duration_ = kDefaultTransitionDuration;
    int direction_ = kDirectionNone;
    bool adDraggable_ = false;
};
