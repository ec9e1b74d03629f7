#pragma once
// The server's constants as the SDK core page sends them (every value a string): each is checked
// and stored as the user default "/rerive/ads/" + its name, or handed to the layer it is for.
// A value of the wrong form, or longer than kMaxValueBytes, is left out and the stored default
// stays as it was. Returns what the controller keeps itself.
#include <map>
#include <optional>
#include <string>

class DZSDKCoreConstants {
  public:
    static constexpr std::size_t kMaxValueBytes = 64 * 1024;

    struct Applied {
        std::optional<unsigned> zadavaDuruUnloadCacheSize;
        std::optional<bool> useNewWebViewsForZadavaDuru;
        std::optional<double> zadavaDuruSamplingInterval;
        std::optional<double> swipeToViewSamplingInterval;
    };

    static Applied apply(const std::map<std::string, std::string>& constants);
};
