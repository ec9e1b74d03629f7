#include "ads/core/DZAdReward.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "ads/foundation/DZDictionaryAdditions.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/foundation/Utf8Text.h"

DZAdReward::DZAdReward(std::string type, std::string amount)
    : type_(std::move(type)), amount_(std::move(amount)) {}

std::shared_ptr<const DZAdReward> DZAdReward::initWithRewardType(const std::optional<std::string>& type,
                                                                 const std::optional<std::string>& amount) {
    if (!type || !amount) return nullptr;
    return std::make_shared<const DZAdReward>(*type, *amount);
}

bool DZAdReward::isAcceptable(std::string_view type, std::string_view amount) {
    // The app shows the type to the player and credits the amount: text past any reward's name,
    // or an amount no reward could be, is no reward.
    if (type.size() > kMaxTypeBytes || !platform::isValidUtf8(type) || dz_hasControlCharacter(type))
        return false;
    if (amount.empty() || amount.size() > kMaxAmountCharacters) return false;
    const auto digits = [](std::string_view text) {
        return !text.empty() &&
               std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    const auto point = amount.find('.');
    return point == std::string_view::npos
               ? digits(amount)
               : digits(amount.substr(0, point)) && digits(amount.substr(point + 1));
}

std::shared_ptr<const DZAdReward> DZAdReward::initWithRewardDictionary(const nlohmann::json& dictionary) {
    if (!dictionary.is_object()) return nullptr;
    const auto* type = dz_objectForKeyIfIsKindOfClass(dictionary, "rb_type", DZValueKind::String);
    const auto* number = dz_objectForKeyIfIsKindOfClass(dictionary, "rb_amount", DZValueKind::Number);
    const auto amount = number ? decimalTextOfNumber(*number) : std::nullopt;
    if (!type || !amount || !isAcceptable(type->get_ref<const std::string&>(), *amount)) return nullptr;
    return initWithRewardType(type->get<std::string>(), amount);
}

std::optional<std::string> DZAdReward::decimalTextOfNumber(const nlohmann::json& number) {
    if (number.is_number_integer() || number.is_number_unsigned()) return number.dump();
    if (!number.is_number_float()) return std::nullopt;
    const double value = number.get_ref<const nlohmann::json::number_float_t&>();
    if (!std::isfinite(value)) return std::nullopt;
    // The shortest text that reads back as the same number, never in exponent form (1e21 is
    // written out in full); the largest double takes 309 digits, the smallest some 330 characters.
    std::array<char, 400> text{};
    const auto [end, error] =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc()) return std::nullopt;
    std::string result(text.data(), end);
    if (result == "-0") result = "0";
    return result;
}
