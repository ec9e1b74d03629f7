// An ad server's swipe settings as the swipe layer reads them: the product, the rectangles a
// swipe may start in (bad ones skipped, a bounded number kept), the metadata and the length.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ads/core/DZSwipeToViewControllerConfigurations.h"

using C = DZSwipeToViewControllerConfigurations;
using nlohmann::json;

namespace {

json rectangle(json x, json y, json width, json height) {
    return {
        {"x", std::move(x)}, {"y", std::move(y)}, {"width", std::move(width)}, {"height", std::move(height)}};
}

}  // namespace

TEST(SwipeConfigurations, ProductMetadataAndDuration) {
    EXPECT_EQ(C::create(json::object()), nullptr);
    EXPECT_EQ(C::create(json::array({1})), nullptr);

    auto full = C::create({{"app_store_product_id", 1},
                           {"swipe_event_creative_metadata", {{"creative", "swipe"}}},
                           {"swipe_animation_transition_duration", 2.5}});
    ASSERT_TRUE(full);
    EXPECT_EQ(full->swipeableInAppStoreProductID(), 1u);
    EXPECT_EQ(full->swipeEventCreativeMetadata(), (json{{"creative", "swipe"}}));
    EXPECT_DOUBLE_EQ(full->swipeAnimationTransitionDuration(), 2.5);
    EXPECT_EQ(full->swipeDirection(), C::kDirectionNone);
    EXPECT_FALSE(full->adDraggable());
    EXPECT_FALSE(full->swipeableRectangles());

    // Wrong types, and numbers that name no store item.
    for (const json& id : {json("1"), json(0), json(-5), json(1.5), json(true), json(1e19)}) {
        EXPECT_FALSE(C::create({{"app_store_product_id", id}})->swipeableInAppStoreProductID()) << id;
    }
    EXPECT_EQ(C::create({{"app_store_product_id", 42.0}})->swipeableInAppStoreProductID(), 42u);
    EXPECT_FALSE(C::create({{"swipe_event_creative_metadata", "x"}})->swipeEventCreativeMetadata());

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    for (const json& seconds : {json(0), json(-2), json(nan), json(infinity), json("2"), json(nullptr)}) {
        EXPECT_DOUBLE_EQ(
            C::create({{"swipe_animation_transition_duration", seconds}})->swipeAnimationTransitionDuration(),
            1.0)
            << seconds;
    }
    EXPECT_DOUBLE_EQ(
        C::create({{"swipe_animation_transition_duration", 1e9}})->swipeAnimationTransitionDuration(),
        C::kMaxTransitionDuration);
}

TEST(SwipeConfigurations, OnlySoundRectanglesAndAtMostThirtyTwo) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    json list = json::array({
        "not a rectangle",
        rectangle(0, 0, 10, nullptr),
        rectangle(0, 0, "10", 10),
        rectangle(nan, 0, 10, 10),
        rectangle(0, 0, -1, 10),
        rectangle(0, 0, 10, 1e30),
        rectangle(-20000, 0, 10, 10),
        rectangle(-4, 2.5, 320, 50),
        json{{"x", 1}, {"y", 2}, {"width", 3}},
    });
    auto some = C::create({{"swipeable_rectangles", list}});
    ASSERT_TRUE(some->swipeableRectangles());
    EXPECT_EQ(*some->swipeableRectangles(), (std::vector<platform::Rect>{{-4, 2.5f, 320, 50}}));

    list.erase(7);
    EXPECT_FALSE(C::create({{"swipeable_rectangles", list}})->swipeableRectangles());
    EXPECT_FALSE(C::create({{"swipeable_rectangles", rectangle(0, 0, 1, 1)}})->swipeableRectangles());

    json many = json::array({"skipped"});
    for (int i = 0; i < 5000; ++i) many.push_back(rectangle(i, 0, 1, 1));
    auto bounded = C::create({{"swipeable_rectangles", many}});
    ASSERT_TRUE(bounded->swipeableRectangles());
    ASSERT_EQ(bounded->swipeableRectangles()->size(), C::kMaxRectangles);
    EXPECT_EQ(bounded->swipeableRectangles()->front().origin.x, 0);
    EXPECT_EQ(bounded->swipeableRectangles()->back().origin.x, 31);
}
