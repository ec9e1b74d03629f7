#include "ads/foundation/DZDictionaryAdditions.h"

#include <cmath>

#include "ads/foundation/DZInternalErrorAdditions.h"

namespace {

bool isKind(const nlohmann::json& value, DZValueKind kind) {
    switch (kind) {
        case DZValueKind::String:
            return value.is_string();
        case DZValueKind::Number:
            return value.is_number() || value.is_boolean();
        case DZValueKind::Dictionary:
            return value.is_object();
        case DZValueKind::Array:
            return value.is_array();
    }
    return false;
}

bool writable(const nlohmann::json& value) {
    try {
        (void)value.dump();
        return true;
    } catch (const nlohmann::json::type_error&) {
        return false;
    }
}

bool isNonFinite(const nlohmann::json& value) {
    return value.is_number_float() && !std::isfinite(value.get<double>());
}

// JSON has no NaN or infinity: the writer would put null in their place, so such a value makes
// the whole dictionary invalid.
bool allNumbersFinite(const nlohmann::json& value) {
    if (value.is_object() || value.is_array()) {
        for (const auto& inner : value) {
            if (!allNumbersFinite(inner)) return false;
        }
        return true;
    }
    return !isNonFinite(value);
}

// The value, or its repaired copy; changed tells which.
nlohmann::json safeValue(const nlohmann::json& value, bool& changed) {
    if (value.is_object()) {
        bool inner = false;
        nlohmann::json copy = nlohmann::json::object();
        for (const auto& [k, v] : value.items()) copy[k] = safeValue(v, inner);
        if (inner) {
            changed = true;
            return copy;
        }
        return value;
    }
    if (value.is_array()) {
        bool inner = false;
        nlohmann::json copy = nlohmann::json::array();
        for (const auto& v : value) copy.push_back(safeValue(v, inner));
        if (inner) {
            changed = true;
            return copy;
        }
        return value;
    }
    if (isNonFinite(value)) {
        changed = true;
        const double number = value.get<double>();
        return std::isnan(number) ? "nan" : (number > 0 ? "inf" : "-inf");
    }
    if (value.is_string() && !writable(value)) {
        changed = true;
        // The replacement character stands where the bytes are not UTF-8.
        return nlohmann::json::parse(value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    }
    return value;
}

}  // namespace

const nlohmann::json* dz_objectForKeyIfIsKindOfClass(const nlohmann::json& dict, const std::string& key,
                                                     DZValueKind kind) {
    if (!dict.is_object()) return nullptr;
    auto it = dict.find(key);
    if (it == dict.end() || !isKind(*it, kind)) return nullptr;
    return &*it;
}

std::optional<std::string> dz_JSONStringPretty(const nlohmann::json& dict, bool pretty,
                                               platform::ErrorRef* error) {
    if (dict.is_object() && allNumbersFinite(dict)) {
        try {
            return pretty ? dict.dump(2) : dict.dump();
        } catch (const nlohmann::json::type_error&) {
        }
    }
    if (error) *error = dz_errorWithCode(kDZInternalErrorInternal, std::string("Invalid JSON object."));
    return std::nullopt;
}

nlohmann::json dz_JSONSafeDictionary(const nlohmann::json& dict) {
    if (!dict.is_object() || dict.empty()) return dict;
    bool changed = false;
    nlohmann::json copy = safeValue(dict, changed);
    return changed ? copy : dict;
}
