#include "ads/formats/signin/DZSignedInTokenStore.h"

#include <algorithm>
#include <vector>

#include "ads/foundation/DZLogger.h"
#include "platform/keychain/KeychainStore.h"

namespace {

platform::PlistDict itemQuery() {
    platform::PlistDict query;
    query.setString(platform::keychain::kClass, platform::keychain::kClassGenericPassword);
    query.setString(platform::keychain::kService, DZSignedInTokenStore::kService);
    query.setString(platform::keychain::kAccount, DZSignedInTokenStore::kAccount);
    return query;
}

}  // namespace

DZSignedInTokenStore::DZSignedInTokenStore(std::shared_ptr<platform::KeychainStore> keychain)
    : keychain_(std::move(keychain)) {}

std::string DZSignedInTokenStore::encode(const Cache& cache) {
    // Only what decode takes back: past either bound the whole text would be refused on reading,
    // so the users handed a token longest ago are left out first.
    std::vector<Cache::const_iterator> order;
    for (auto it = cache.begin(); it != cache.end(); ++it) order.push_back(it);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return a->second.lastAccess > b->second.lastAccess;
    });
    std::string text = "[";
    std::size_t kept = 0;
    for (const auto& it : order) {
        if (kept == kMaxUsers) break;
        const std::string item =
            nlohmann::json({{"user", it->first.encoded()}, {"entry", it->second.encoded()}})
                .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        if (text.size() + item.size() + 2 > kMaxBytes) continue;
        if (kept++) text += ',';
        text += item;
    }
    return text + "]";
}

std::optional<DZSignedInTokenStore::Cache> DZSignedInTokenStore::decode(std::string_view text) {
    if (text.size() > kMaxBytes) return std::nullopt;
    const auto entries = nlohmann::json::parse(text, nullptr, false);
    if (!entries.is_array()) return std::nullopt;
    Cache cache;
    for (const auto& item : entries) {
        if (cache.size() >= kMaxUsers) break;
        if (!item.is_object()) continue;
        const auto user = item.contains("user") ? DZSignedInUser::decoded(item["user"]) : std::nullopt;
        const auto entry = item.contains("entry") ? DZTokenCacheEntry::decoded(item["entry"]) : std::nullopt;
        if (user && entry) cache.insert_or_assign(*user, *entry);
    }
    return cache;
}

DZSignedInTokenStore::Cache DZSignedInTokenStore::load() const {
    platform::PlistDict query = itemQuery();
    query.setString(platform::keychain::kMatchLimit, platform::keychain::kMatchLimitOne);
    query.setBool(platform::keychain::kReturnData, true);
    const auto result = keychain_->copyData(query);
    if (result.status == platform::KeychainStore::Status::NotFound) return {};
    if (result.status != platform::KeychainStore::Status::Ok) {
        DZLog("Signed-in tokens could not be read (%s); starting without them", result.message.c_str());
        return {};
    }
    auto cache =
        decode(std::string_view(reinterpret_cast<const char*>(result.data.data()), result.data.size()));
    if (!cache) {
        DZLog("Signed-in tokens kept are unreadable; starting without them");
        return {};
    }
    return std::move(*cache);
}

bool DZSignedInTokenStore::save(const Cache& cache) {
    if (cache.empty()) {
        keychain_->remove(itemQuery());
        return true;
    }
    // One write replaces the kept cache: a process ending half-way leaves the old one, never
    // none. A corrupt store file is set aside by it.
    const std::string text = encode(cache);
    const auto result = keychain_->addOrReplace(itemQuery(), std::vector<uint8_t>(text.begin(), text.end()));
    if (result.status != platform::KeychainStore::Status::Ok) {
        DZLog("Signed-in tokens could not be kept (%s)", result.message.c_str());
        return false;
    }
    if (!result.message.empty()) DZLog("Signed-in tokens: %s", result.message.c_str());
    return true;
}
