#pragma once
// The two character classes of the page-content tokeniser: characters that are a token each
// (scripts written without spaces) and characters that build words. Either can be replaced
// through a user default holding JSON text of [location, length] pairs. Readers get a copy; a
// rebuild replaces it.
#include <bitset>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

class DZCharacterSets {
  public:
    // The tokeniser tests one UTF-16 code unit at a time, so only the first plane is kept: ranges
    // above U+FFFF can never match. Immutable once made, so copies share it.
    class Set {
      public:
        explicit Set(std::shared_ptr<const std::bitset<0x10000>> units = nullptr)
            : units_(std::move(units)) {}
        bool contains(char16_t unit) const { return units_ && units_->test(unit); }
        bool isNull() const { return !units_; }

      private:
        std::shared_ptr<const std::bitset<0x10000>> units_;
    };

    inline static const char* kCharacterDelimitedKey = "/rerive/ads/character_delimited_unicode_range";
    inline static const char* kSpaceDelimitedKey = "/rerive/ads/space_delimited_unicode_range";

    static std::shared_ptr<DZCharacterSets> sharedInstance();
    // A private instance (tests); it reads the user defaults like the shared one.
    DZCharacterSets();
    DZCharacterSets(const DZCharacterSets&) = delete;
    DZCharacterSets& operator=(const DZCharacterSets&) = delete;

    Set characterDelimitedSet() const;
    Set spaceDelimitedSet() const;
    // Reads both user defaults and rebuilds the sets.
    void updateCharacterSets();

    // Nothing unless the text is a JSON array whose every element is an array of exactly two
    // numbers, each range lying within U+0000..U+10FFFF.
    static std::optional<Set> setFromRangesJSON(std::string_view json);
    static Set defaultCharacterDelimitedSet();
    // Unicode letters, marks and numbers.
    static Set alphanumericSet();

  private:
    // Rebuilt on the main thread as the server's constants arrive, read by the content sampler's
    // queue.
    mutable std::mutex mutex_;
    Set characterDelimited_;  // mutex_
    Set spaceDelimited_;      // mutex_
};
