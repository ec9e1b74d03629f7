// Any bytes as an ID token of the sign-in library, as the token endpoint's answer and as the
// token cache kept in the keychain (whole, and one entry of it): the claims read must come from a
// three-part token, an access token read must be a bounded non-empty text, and "expires_in" a
// finite number. A cache read is bounded, its entries hold a token and finite dates, and what it
// writes back reads back the same. Nothing may crash, hang or leak.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <nlohmann/json.hpp>

#include "ads/formats/signin/DZIDToken.h"
#include "ads/formats/signin/DZSignedInTokenStore.h"
#include "ads/formats/signin/DZTokenCacheEntry.h"
#include "ads/formats/signin/DZTokenService.h"

namespace {

void checkWhole(const DZTokenCacheEntry& entry) {
    if (entry.token.empty() || !std::isfinite(entry.lastAccess) || !std::isfinite(entry.expiration) ||
        !std::isfinite(entry.lifespanInSeconds))
        std::abort();
}

bool same(const DZTokenCacheEntry& a, const DZTokenCacheEntry& b) {
    return a.token == b.token && a.lastAccess == b.lastAccess && a.expiration == b.expiration &&
           a.lifespanInSeconds == b.lifespanInSeconds;
}

void checkKeptCache(std::string_view text) {
    const auto cache = DZSignedInTokenStore::decode(text);
    if (!cache) return;
    if (text.size() > DZSignedInTokenStore::kMaxBytes || cache->size() > DZSignedInTokenStore::kMaxUsers)
        std::abort();
    for (const auto& [user, entry] : *cache) checkWhole(entry);
    // Written again, it may lose users to the bounds, never change one.
    const auto again = DZSignedInTokenStore::decode(DZSignedInTokenStore::encode(*cache));
    if (!again || again->size() > cache->size()) std::abort();
    for (const auto& [user, entry] : *again) {
        const auto it = cache->find(user);
        if (it == cache->end() || it->first.applicationID() != user.applicationID() ||
            it->first.refreshToken() != user.refreshToken() || !same(it->second, entry))
            std::abort();
    }
}

void checkKeptEntry(std::string_view text) {
    const auto value = nlohmann::json::parse(text, nullptr, false);
    if (value.is_discarded()) return;
    const auto entry = DZTokenCacheEntry::decoded(value);
    if (!entry) return;
    checkWhole(*entry);
    const auto again = DZTokenCacheEntry::decoded(entry->encoded());
    if (!again || !same(*again, *entry)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (DZIDToken::claims(text)) {
        std::size_t dots = 0;
        for (char c : text) dots += c == '.';
        if (dots != 2 || size > DZIDToken::kMaxBytes) std::abort();
    }
    if (const auto answer = DZTokenService::readAnswer(text)) {
        if (answer->accessToken.empty() || answer->accessToken.size() > DZTokenService::kMaxTokenBytes)
            std::abort();
        if (answer->expiresIn && !std::isfinite(*answer->expiresIn)) std::abort();
    }
    checkKeptCache(text);
    checkKeptEntry(text);
    return 0;
}
