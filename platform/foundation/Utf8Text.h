#pragma once
// The one reader of UTF-8 text, and the one notion of a character that may not pass: every part
// of the program that takes text apart, checks it or escapes it for a log reads it here, so that
// what one refuses another cannot let through.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// One step through UTF-8 text. A well-formed sequence gives its code point and its length. Any
// other byte gives no code point, and `length` is the stretch a lossy reader takes as one bad
// character: the lead byte and the continuation bytes after it, up to as many as it announces.
struct Utf8Step {
    char32_t point = 0;
    std::size_t length = 1;
    bool wellFormed = false;
};

// The step at text[at]; at must be within the text. Inline: a reader of a whole text takes one
// step a character, and a call into the library for each cost the page-content fingerprint about
// a sixth of its time.
inline Utf8Step readUtf8(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) return {lead, 1, true};
    std::size_t length = 0;
    char32_t point = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, point = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, point = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, point = lead & 0x07, least = 0x10000;
    } else {
        return {};
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (at + k >= text.size()) return {0, k, false};
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return {0, k, false};
        point = (point << 6) | (next & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return {0, length, false};
    return {point, length, true};
}

// Well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUtf8(std::string_view text);

// A character that may break or disguise a line, whoever reads it: C0 controls, DEL and the C1
// controls (U+0085 among them), the line and paragraph separators, and the marks and controls
// that reorder the text shown after them (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066 to
// U+2069).
bool isForbiddenCharacter(char32_t point);
// Whether well-formed UTF-8 in the text holds such a character (other bytes are not read as one).
bool hasForbiddenCharacter(std::string_view text);

// Whether well-formed UTF-8 in a text shown as its sender wrote it (an ad's copy) holds a character
// that disguises it or breaks its layout: an embedding, override or isolate (U+202A to U+202E,
// U+2066 to U+2069), whose effect runs on past the text, and a control (C0, DEL, C1) other than a
// tab, a line feed or a carriage return; a text of one line also may not hold a line feed, a
// carriage return or the line and paragraph separators. The plain direction marks (U+200E, U+200F, U+061C)
// only set the direction of the characters beside them, as right-to-left copy needs, and pass.
bool hasCharacterThatDisguisesShownText(std::string_view text, bool severalLines);

// The longest start of the text within maxBytes that does not end in part of a UTF-8 sequence.
std::string_view utf8PrefixWithinBytes(std::string_view text, std::size_t maxBytes);

// The text cut at maxBytes on a character boundary, with "..." after a cut, and written so that it
// can neither flood a log nor break or disguise its line: \n and \t for a line feed and a tab,
// \xNN for the other ASCII controls and for bytes that are no UTF-8, \uXXXX for the other
// forbidden characters.
std::string escapedForLog(std::string_view text, std::size_t maxBytes);

}  // namespace platform
