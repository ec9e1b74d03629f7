#pragma once
// The server's constants as the SDK core page sends them (every value a string): each is checked
// and stored as the user default "/rerive/ads/" + its name, or handed to the layer it is for.
// A value of the wrong form, or longer than kMaxValueBytes, is left out and the stored default
// stays as it was. Returns what the controller keeps itself.
#include <map>
#include <optional>
#include <string>
#include <vector>

class DZSDKCoreConstants {
  public:
    static constexpr std::size_t kMaxValueBytes = 64 * 1024;

    struct Applied {
        std::optional<unsigned> zadavaDuruUnloadCacheSize;
        std::optional<bool> useNewWebViewsForZadavaDuru;
        std::optional<double> zadavaDuruSamplingInterval;
        std::optional<double> swipeToViewSamplingInterval;
    };

    // What the constants ask for, checked; nothing is stored yet.
    struct Reading {
        Applied applied;
        std::optional<std::string> mraidBannerPath;
        std::optional<std::string> mraidInterstitialPath;
        std::optional<std::string> mraidExpandedBannerPath;
        bool mraidRedirectDisallowed = false;
        std::optional<std::vector<std::string>> whitelistedDomains;
        std::optional<std::map<std::string, std::string>> clickthroughConfirmSchemes;
        std::optional<std::vector<std::string>> adapterClassNames;
        std::map<std::string, std::string> copied;  // name to value
        std::vector<std::string> ignored;           // names of values too long
    };

    static Reading read(const std::map<std::string, std::string>& constants);
    // Reads and stores them.
    static Applied apply(const std::map<std::string, std::string>& constants);
};
