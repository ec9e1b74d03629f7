#include "shell/Keychain.h"

#include <utility>

#include "appbase/LogMessage.h"
#include "platform/foundation/SystemVersion.h"
#include "platform/keychain/KeychainStore.h"

namespace keychain = platform::keychain;
using platform::KeychainStore;

namespace {

// A store file set aside on the way to a successful save, and a save the file layer refused,
// were already reported, with both paths, by the file layer.
void warnIfTroubled(const char* function, const KeychainStore::Result& result) {
    const bool troubled =
        result.status == KeychainStore::Status::Corrupt || result.status == KeychainStore::Status::IoError;
    if (troubled) LogMessage(function, 3, result.message);
}

}  // namespace

platform::PlistDict KeychainQueryForAccount(const std::string& account, const std::string& service,
                                            const std::optional<std::string>& accessGroup) {
    platform::PlistDict query;
    query.setString(keychain::kClass, keychain::kClassGenericPassword);
    query.setString(keychain::kAccount, account);
    query.setString(keychain::kService, service);
    if (accessGroup) query.setString(keychain::kAccessGroup, *accessGroup);
    return query;
}

std::optional<std::vector<uint8_t>> KeychainCopyData(const platform::PlistDict& query) {
    platform::PlistDict request = query;
    request.setString(keychain::kMatchLimit, keychain::kMatchLimitOne);
    request.setBool(keychain::kReturnData, true);
    KeychainStore::Result result = KeychainStore(KeychainStore::defaultFile()).copyData(request);
    warnIfTroubled("KeychainCopyData", result);
    if (result.status != KeychainStore::Status::Ok) return std::nullopt;
    return std::move(result.data);
}

bool KeychainAddData(const platform::PlistDict& query, const std::vector<uint8_t>& data) {
    platform::PlistDict attributes = query;
    attributes.setString(keychain::kLabel, "");
    attributes.setString(keychain::kDescription, "");
    if (platform::compareVersionsNumerically(platform::kSystemVersion, "4.0") >= 0) {
        attributes.setString(keychain::kAccessible, keychain::kAccessibleAfterFirstUnlock);
    }
    KeychainStore store(KeychainStore::defaultFile());
    const KeychainStore::Result result = store.add(attributes, data);
    warnIfTroubled("KeychainAddData", result);
    return result.status == KeychainStore::Status::Ok;
}

bool KeychainDelete(const platform::PlistDict& query) {
    KeychainStore store(KeychainStore::defaultFile());
    const KeychainStore::Result result = store.remove(query);
    warnIfTroubled("KeychainDelete", result);
    return result.status == KeychainStore::Status::Ok;
}
