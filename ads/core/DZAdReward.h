#pragma once
// The reward a user earned by watching a video: its type ("coins") and its amount as decimal text
// ("10"). Both are always present; a reward that cannot be made is null. Immutable, so it may be
// shared between threads.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

class DZAdReward {
  public:
    // A longer type makes no reward, and so does one that is no UTF-8 or holds a control
    // character or line break.
    static constexpr std::size_t kMaxTypeBytes = 256;
    // An amount whose decimal text is longer makes no reward, and so does a negative one.
    static constexpr std::size_t kMaxAmountCharacters = 64;
    // Whether a reward may reach the app, whoever made it (the server's answer or a network's
    // adapter): the app shows the type to the player and credits the amount, which must be plain
    // decimal text ("10", "2.5") within the bounds above.
    static bool isAcceptable(std::string_view type, std::string_view amount);
    // Null unless both are given.
    static std::shared_ptr<const DZAdReward> initWithRewardType(const std::optional<std::string>& type,
                                                                const std::optional<std::string>& amount);
    // From a server's {"rb_type": string, "rb_amount": number}; null when either is missing, of
    // another kind (an amount given as text included) or not acceptable.
    static std::shared_ptr<const DZAdReward> initWithRewardDictionary(const nlohmann::json& dictionary);
    // A JSON number as decimal text: 10 and 10.0 both give "10", 2.5 gives "2.5"; nothing for
    // anything that is no number.
    static std::optional<std::string> decimalTextOfNumber(const nlohmann::json& number);

    const std::string& type() const { return type_; }
    const std::string& amount() const { return amount_; }

    DZAdReward(std::string type, std::string amount);  // use the initialisers

  private:
    std::string type_;
    std::string amount_;
};
