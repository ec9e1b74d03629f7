// An offered purchase's own rules: the quantities it takes, its status names and its description.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ads/core/DZInAppPurchase.h"

using testing::MatchesRegex;

TEST(DZInAppPurchase, QuantitiesOutOfRangeAreZeroAndStatusesHaveTheirNames) {
    DZInAppPurchase purchase;
    EXPECT_EQ(purchase.quantity(), 1);
    EXPECT_FALSE(purchase.hasAdScreen());
    purchase.setQuantity(10);
    EXPECT_EQ(purchase.quantity(), 10);
    for (const int64_t bad : {0LL, 11LL, -1LL, 4294967297LL}) {
        purchase.setQuantity(bad);
        EXPECT_EQ(purchase.quantity(), 0) << bad;
    }
    EXPECT_EQ(DZInAppPurchase::stringForStatus(1), "success");
    EXPECT_EQ(DZInAppPurchase::stringForStatus(2), "cancel");
    EXPECT_EQ(DZInAppPurchase::stringForStatus(3), "invalid product");
    EXPECT_EQ(DZInAppPurchase::stringForStatus(0), "error");
    EXPECT_EQ(DZInAppPurchase::stringForStatus(7), "error");
    purchase.setProductID("coins");
    purchase.setQuantity(3);
    EXPECT_THAT(purchase.description(),
                MatchesRegex("<DZInAppPurchase: 0x[0-9a-f]+>\\(\n  productID: coins,\n  quantity: 3\\)"));
}
