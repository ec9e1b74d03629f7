#pragma once
// Where the token cache outlives the process: one generic-password item of a KeychainStore (a
// private file, mode 0600, written atomically), its secret the cache as JSON. Refresh and access
// tokens are secrets, so they never go to the user defaults. Disk work: call it off the main loop.
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ads/formats/signin/DZSignedInUser.h"
#include "ads/formats/signin/DZTokenCacheEntry.h"

namespace platform {
class KeychainStore;
}

class DZSignedInTokenStore {
  public:
    using Cache = std::map<DZSignedInUser, DZTokenCacheEntry>;
    static constexpr const char* kService = "tikoleap.ads.signed-in-tokens";
    static constexpr const char* kAccount = "cache";
    // More users than this are not kept; a larger secret is not read.
    static constexpr std::size_t kMaxUsers = 64;
    static constexpr std::size_t kMaxBytes = 256 * 1024;

    explicit DZSignedInTokenStore(std::shared_ptr<platform::KeychainStore> keychain);

    // The kept cache; empty when there is none, or when it cannot be read (logged; a corrupt
    // store file is set aside by the next save).
    Cache load() const;
    // Replaces the kept cache; false (logged) when it could not be written.
    bool save(const Cache& cache);

    static std::string encode(const Cache& cache);
    // Entries that do not read are left out; nothing when the text is no JSON array.
    static std::optional<Cache> decode(std::string_view text);

  private:
    std::shared_ptr<platform::KeychainStore> keychain_;
};
