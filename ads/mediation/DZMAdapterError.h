#pragma once
// The errors adapters hand their connector: a domain of the adapter's own, a code and the text
// the app reads as the error's description. Only domain "com.rerive.ads" with code 1 counts as a
// no fill; anything else ends the network's turn as an error.
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/foundation/Error.h"

inline platform::ErrorRef dz_adapterError(const std::string& domain, long code, const std::string& text) {
    return std::make_shared<platform::Error>(
        domain, code,
        platform::Error::UserInfo{{platform::Error::kLocalizedDescriptionKey, nlohmann::json(text)}});
}
