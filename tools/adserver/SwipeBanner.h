#pragma once
// The swipe house banner (unit tikoleap-swipe): a 320 x 50 page whose whole text is one sentence,
// so that its screen sample is known, and out of which a downward drag pulls the store page. Its
// answer lets the ad component sample the screen and names the swipe: product 1, the whole banner
// as the one place a drag may start, and metadata of ours that comes back with every swipe event.
// Once the ad component says the banner is visible, the page enables the swipe (top to bottom,
// the banner travelling with the page), and it reports what it hears as GET /beacon?e=EVENT on
// its own server: "onAdVisible" once, and each swipe event with the metadata's "c" and "ad".
#include <string>

#include <httplib.h>
#include <nlohmann/json.hpp>

namespace tikoleap::adserver {

class SwipeBanner {
  public:
    static constexpr const char* kUnit = "tikoleap-swipe";
    static constexpr const char* kContentSamplingHeader = "x-zazo-content-url-opted-out";
    // Everything document.body.innerText gives for the page.
    static constexpr const char* kText = "The quick brown fox jumps over the lazy dog";
    static constexpr const char* kCreative = "swipe";
    static constexpr int kProductID = 1;

    // The swipe dictionary of the ad numbered ad (its metadata carries the number).
    static nlohmann::json configuration(const std::string& ad);
    static std::string html();
    // Turns a house banner answer for the ad numbered ad into the swipe banner's.
    static void answer(httplib::Response& res, const std::string& ad);
};

}  // namespace tikoleap::adserver
