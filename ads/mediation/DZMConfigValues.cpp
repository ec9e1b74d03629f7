#include "ads/mediation/DZMConfigValues.h"

#include "ads/foundation/DZDictionaryAdditions.h"

std::optional<std::vector<std::string>> dz_mediationStringList(const nlohmann::json& dict,
                                                               const std::string& key, std::size_t limit,
                                                               bool* truncated) {
    if (truncated) *truncated = false;
    const nlohmann::json* array = dz_objectForKeyIfIsKindOfClass(dict, key, DZValueKind::Array);
    if (!array) return std::nullopt;
    std::vector<std::string> list;
    for (const auto& element : *array) {
        if (!element.is_string()) continue;
        if (list.size() == limit) {
            if (truncated) *truncated = true;
            break;
        }
        list.push_back(element.get_ref<const std::string&>());
    }
    return list;
}

std::string dz_mediationDescription(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}
