#pragma once
// One generic-password item at a time, in the app's keychain file (platform::KeychainStore at
// its default place in the Library folder).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/plist/PlistDict.h"

// Generic-password query: class, account, service, and the access group when given.
platform::PlistDict KeychainQueryForAccount(const std::string& account, const std::string& service,
                                            const std::optional<std::string>& accessGroup);

// The stored data of the first matching item; nothing when none matches or on any failure
// (an unreadable keychain file is also reported by a WARN line).
std::optional<std::vector<uint8_t>> KeychainCopyData(const platform::PlistDict& query);

// Adds an item with the query's attributes, the data, an empty label and description and, on a
// system at or above "4.0", readable after the first unlock. False when the item already exists
// or the file cannot be written.
bool KeychainAddData(const platform::PlistDict& query, const std::vector<uint8_t>& data);

// Deletes every matching item; false when none matched or the file cannot be written.
bool KeychainDelete(const platform::PlistDict& query);
