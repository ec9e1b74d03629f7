#pragma once
// The purchase house banner (unit tikoleap-iap): a gold 320 x 50 page of ours offering two coin
// packs, with no link. A tap asks the ad component to buy two of the game's coin product, and
// names this server's track ping, with the ad's number and the purchase's product, quantity and
// outcome, as the place the outcome is reported to.
#include <string>

#include <httplib.h>

namespace tikoleap::adserver {

class PurchaseBanner {
  public:
    static constexpr const char* kUnit = "tikoleap-iap";
    static constexpr const char* kProductID = "tikoleap.coins";
    static constexpr int kQuantity = 2;
    static constexpr const char* kText = "Tiko Leap: 2 coin packs, tap to buy";

    // The page of the ad numbered ad, its reports going to the server at baseURL (ending in "/").
    static std::string html(const std::string& baseURL, const std::string& ad);
    // Turns a house banner answer for the ad numbered ad into the purchase banner's.
    static void answer(httplib::Response& res, const std::string& baseURL, const std::string& ad);
};

}  // namespace tikoleap::adserver
