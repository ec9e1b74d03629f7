#pragma once
// Generic-password items kept in one binary property-list file in the app's private Library
// folder (mode 0600, written atomically). Items are dictionaries of attributes under the
// conventional attribute names below plus their secret data; a query matches an item when every
// attribute it names holds the same value in the item.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/plist/PlistDict.h"

namespace platform {

namespace keychain {
inline constexpr const char* kClass = "class";
inline constexpr const char* kClassGenericPassword = "genp";
inline constexpr const char* kAccount = "acct";
inline constexpr const char* kService = "svce";
inline constexpr const char* kAccessGroup = "agrp";
inline constexpr const char* kLabel = "labl";
inline constexpr const char* kDescription = "desc";
inline constexpr const char* kAccessible = "pdmn";
inline constexpr const char* kAccessibleAfterFirstUnlock = "ck";
// Query controls and the secret itself: never compared when matching.
inline constexpr const char* kMatchLimit = "m_Limit";
inline constexpr const char* kMatchLimitOne = "m_LimitOne";
inline constexpr const char* kReturnData = "r_Data";
inline constexpr const char* kValueData = "v_Data";
}  // namespace keychain

class KeychainStore {
  public:
    enum class Status {
        Ok,
        NotFound,   // no item matches
        Duplicate,  // add: an item with the same class, account, service and access group exists
        Corrupt,    // the store file exists but is not a store
        IoError,    // the store file cannot be read or written
        Refused,    // the store file may not be replaced (see StoredFile.h); its WARN is logged
    };

    struct Result {
        Status status = Status::IoError;
        std::vector<uint8_t> data;  // copyData: the secret
        std::string message;        // what went wrong, or what had to be set aside
    };

    explicit KeychainStore(std::filesystem::path file);
    // Library/keychain.plist of the app's folders.
    static std::filesystem::path defaultFile();

    const std::filesystem::path& file() const { return file_; }

    Result copyData(const PlistDict& query) const;
    // Adds an item: the attributes of the query plus data. A corrupt store file is kept beside
    // the new one as "<file>.corrupt" or ".corrupt.N" (said in message) so that no secret is
    // destroyed unseen; a store file that cannot be opened is left alone (IoError).
    Result add(const PlistDict& attributes, const std::vector<uint8_t>& data);
    // As add, but an item with the same class, account, service and access group is replaced,
    // attributes and data, in the same single write: the item is never missing between the two.
    Result addOrReplace(const PlistDict& attributes, const std::vector<uint8_t>& data);
    // Deletes every matching item; NotFound when none matched.
    Result remove(const PlistDict& query);

  private:
    Result write(const PlistDict& attributes, const std::vector<uint8_t>& data, bool replace);

    std::filesystem::path file_;
};

}  // namespace platform
