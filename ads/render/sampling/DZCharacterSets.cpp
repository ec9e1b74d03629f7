#include "ads/render/sampling/DZCharacterSets.h"

#include <glib.h>

#include <cmath>
#include <utility>

#include <nlohmann/json.hpp>

#include "platform/defaults/UserDefaults.h"
#include "platform/plist/PlistDict.h"

namespace {

using Units = std::bitset<0x10000>;

constexpr uint32_t kLastCodePoint = 0x10FFFF;

void addRange(Units& units, uint32_t first, uint32_t last) {
    for (uint32_t c = first; c <= last && c <= 0xFFFF; ++c) units.set(c);
}

// Nothing when the key is absent; an empty optional inside when it is present but unusable.
std::optional<std::optional<DZCharacterSets::Set>> readSetting(const platform::UserDefaults& defaults,
                                                               const char* key) {
    if (!defaults.contains(key)) return std::nullopt;
    auto text = defaults.stringForKey(key);
    if (!text) return std::optional<DZCharacterSets::Set>{};
    return DZCharacterSets::setFromRangesJSON(*text);
}

}  // namespace

std::shared_ptr<DZCharacterSets> DZCharacterSets::sharedInstance() {
    // Never destroyed: the sampling queue may read it up to the process's end.
    static const auto* instance = new std::shared_ptr<DZCharacterSets>(std::make_shared<DZCharacterSets>());
    return *instance;
}

DZCharacterSets::DZCharacterSets() {
    updateCharacterSets();
}

DZCharacterSets::Set DZCharacterSets::characterDelimitedSet() const {
    std::lock_guard lock(mutex_);
    return characterDelimited_;
}

DZCharacterSets::Set DZCharacterSets::spaceDelimitedSet() const {
    std::lock_guard lock(mutex_);
    return spaceDelimited_;
}

void DZCharacterSets::updateCharacterSets() {
    auto defaults = platform::UserDefaults::standard();
    auto character = readSetting(*defaults, kCharacterDelimitedKey);
    auto space = readSetting(*defaults, kSpaceDelimitedKey);
    // The default sets are built once per process, outside the lock.
    const Set characterFallback = defaultCharacterDelimitedSet();
    const Set spaceFallback = alphanumericSet();
    auto rebuild = [](Set& set, const std::optional<std::optional<Set>>& setting, const Set& fallback) {
        if (setting && *setting) {
            set = **setting;
        } else if (setting || set.isNull()) {
            set = fallback;
        }
    };
    std::lock_guard lock(mutex_);
    rebuild(characterDelimited_, character, characterFallback);
    rebuild(spaceDelimited_, space, spaceFallback);
}

std::optional<DZCharacterSets::Set> DZCharacterSets::setFromRangesJSON(std::string_view json) {
    const auto value = nlohmann::json::parse(json, nullptr, false);
    if (value.is_discarded() || !value.is_array()) return std::nullopt;
    auto units = std::make_shared<Units>();
    for (const auto& pair : value) {
        if (!pair.is_array() || pair.size() != 2 || !pair[0].is_number() || !pair[1].is_number())
            return std::nullopt;
        const double location = std::trunc(pair[0].get<double>());
        const double length = std::trunc(pair[1].get<double>());
        if (!(location >= 0) || !(length >= 0) || location + length > kLastCodePoint + 1.0)
            return std::nullopt;
        if (length >= 1)
            addRange(*units, static_cast<uint32_t>(location), static_cast<uint32_t>(location + length - 1));
    }
    return Set(std::move(units));
}

DZCharacterSets::Set DZCharacterSets::defaultCharacterDelimitedSet() {
    static const Set set = [] {
        static constexpr std::pair<uint32_t, uint32_t> kRanges[] = {
            {0x4E00, 0x9FCC},   {0x3040, 0x309F}, {0x3400, 0x4DB5}, {0x30A0, 0x30FA},   {0x20000, 0x2A6D6},
            {0x30FC, 0x30FF},   {0x3300, 0x33FF}, {0x3200, 0x32FF}, {0xF900, 0xFAFF},   {0xFF66, 0xFF9D},
            {0x2F800, 0x2FA1F}, {0xFFA1, 0xFFDC}, {0x3100, 0x312F}, {0x1B000, 0x1B0FF}, {0x31A0, 0x31BF},
            {0x31F0, 0x31FF},   {0xAC00, 0xD7AF}, {0x1100, 0x11FF},
        };
        auto units = std::make_shared<Units>();
        for (const auto& [first, last] : kRanges) addRange(*units, first, last);
        return Set(std::move(units));
    }();
    return set;
}

DZCharacterSets::Set DZCharacterSets::alphanumericSet() {
    static const Set set = [] {
        auto units = std::make_shared<Units>();
        for (uint32_t c = 0; c <= 0xFFFF; ++c) {
            switch (g_unichar_type(c)) {
                case G_UNICODE_LOWERCASE_LETTER:
                case G_UNICODE_MODIFIER_LETTER:
                case G_UNICODE_OTHER_LETTER:
                case G_UNICODE_TITLECASE_LETTER:
                case G_UNICODE_UPPERCASE_LETTER:
                case G_UNICODE_SPACING_MARK:
                case G_UNICODE_ENCLOSING_MARK:
                case G_UNICODE_NON_SPACING_MARK:
                case G_UNICODE_DECIMAL_NUMBER:
                case G_UNICODE_LETTER_NUMBER:
                case G_UNICODE_OTHER_NUMBER:
                    units->set(c);
                    break;
                default:
                    break;
            }
        }
        return Set(std::move(units));
    }();
    return set;
}
