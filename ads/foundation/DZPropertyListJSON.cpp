#include "ads/foundation/DZPropertyListJSON.h"

#include <cstdlib>
#include <limits>

namespace {

// A new node for the value; null for what a property list cannot hold.
plist_t nodeFromJSON(const nlohmann::json& value) {
    switch (value.type()) {
        case nlohmann::json::value_t::string: {
            // A property list string ends at its first NUL: such a value is left out, never cut.
            const auto& text = value.get_ref<const std::string&>();
            return text.find('\0') == std::string::npos ? plist_new_string(text.c_str()) : nullptr;
        }
        case nlohmann::json::value_t::boolean:
            return plist_new_bool(value.get<bool>() ? 1 : 0);
        case nlohmann::json::value_t::number_integer:
            return plist_new_uint(static_cast<uint64_t>(value.get<int64_t>()));
        case nlohmann::json::value_t::number_unsigned:
            return plist_new_uint(value.get<uint64_t>());
        case nlohmann::json::value_t::number_float:
            return plist_new_real(value.get<double>());
        case nlohmann::json::value_t::array: {
            plist_t array = plist_new_array();
            for (const auto& element : value) {
                if (plist_t node = nodeFromJSON(element)) plist_array_append_item(array, node);
            }
            return array;
        }
        case nlohmann::json::value_t::object: {
            plist_t dict = plist_new_dict();
            for (const auto& [key, element] : value.items()) {
                if (key.find('\0') != std::string::npos) continue;
                if (plist_t node = nodeFromJSON(element)) plist_dict_set_item(dict, key.c_str(), node);
            }
            return dict;
        }
        default:
            return nullptr;
    }
}

nlohmann::json jsonFromNode(plist_t node) {
    switch (plist_get_node_type(node)) {
        case PLIST_STRING: {
            char* text = nullptr;
            plist_get_string_val(node, &text);
            nlohmann::json value = text ? std::string(text) : std::string();
            free(text);
            return value;
        }
        case PLIST_BOOLEAN: {
            uint8_t flag = 0;
            plist_get_bool_val(node, &flag);
            return flag != 0;
        }
        case PLIST_UINT: {
            // The library keeps every integer as 64 unsigned bits; a negative one comes back
            // through its two's complement.
            uint64_t bits = 0;
            plist_get_uint_val(node, &bits);
            if (bits > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
                return static_cast<int64_t>(bits);
            return bits;
        }
        case PLIST_REAL: {
            double real = 0;
            plist_get_real_val(node, &real);
            return real;
        }
        case PLIST_ARRAY: {
            nlohmann::json array = nlohmann::json::array();
            const uint32_t n = plist_array_get_size(node);
            for (uint32_t i = 0; i < n; ++i) {
                nlohmann::json element = jsonFromNode(plist_array_get_item(node, i));
                if (!element.is_null()) array.push_back(std::move(element));
            }
            return array;
        }
        case PLIST_DICT: {
            nlohmann::json object = nlohmann::json::object();
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(node, &it);
            for (;;) {
                char* key = nullptr;
                plist_t item = nullptr;
                plist_dict_next_item(node, it, &key, &item);
                if (!key) break;
                nlohmann::json element = jsonFromNode(item);
                if (!element.is_null()) object[key] = std::move(element);
                free(key);
            }
            free(it);
            return object;
        }
        default:
            return nullptr;
    }
}

}  // namespace

platform::PlistDict DZPlistDictFromJSON(const nlohmann::json& object) {
    if (!object.is_object()) return {};
    auto dict = platform::PlistDict::adopt(nodeFromJSON(object));
    return dict ? std::move(*dict) : platform::PlistDict();
}

nlohmann::json DZJSONFromPlistDict(const platform::PlistDict& dict) {
    return jsonFromNode(dict.node());
}
