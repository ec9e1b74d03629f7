#include "platform/foundation/Utf8Text.h"

#include <cstdio>

namespace platform {

bool isValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Step step = readUtf8(text, at);
        if (!step.wellFormed) return false;
        at += step.length;
    }
    return true;
}

bool isForbiddenCharacter(char32_t point) {
    return point < 0x20 || (point >= 0x7F && point <= 0x9F) || point == 0x2028 || point == 0x2029 ||
           point == 0x061C || point == 0x200E || point == 0x200F || (point >= 0x202A && point <= 0x202E) ||
           (point >= 0x2066 && point <= 0x2069);
}

bool hasForbiddenCharacter(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Step step = readUtf8(text, at);
        if (!step.wellFormed) {
            ++at;
            continue;
        }
        if (isForbiddenCharacter(step.point)) return true;
        at += step.length;
    }
    return false;
}

bool hasCharacterThatDisguisesShownText(std::string_view text, bool severalLines) {
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Step step = readUtf8(text, at);
        if (!step.wellFormed) {
            ++at;
            continue;
        }
        const char32_t point = step.point;
        // A tab is ordinary copy anywhere; a carriage return ends a line as a line feed does (a
        // body written with CRLF line ends).
        const bool lineBreak = point == '\n' || point == '\r' || point == 0x2028 || point == 0x2029;
        const bool control = (point < 0x20 && point != '\t' && point != '\n' && point != '\r') ||
                             (point >= 0x7F && point <= 0x9F);
        if ((point >= 0x202A && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069)) return true;
        if (control || (!severalLines && lineBreak)) return true;
        at += step.length;
    }
    return false;
}

std::string_view utf8PrefixWithinBytes(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

std::string escapedForLog(std::string_view text, std::size_t maxBytes) {
    const std::string_view cut = utf8PrefixWithinBytes(text, maxBytes);
    std::string line;
    line.reserve(cut.size());
    char escaped[16];
    for (std::size_t at = 0; at < cut.size();) {
        const Utf8Step step = readUtf8(cut, at);
        if (!step.wellFormed) {
            // Each byte of a bad sequence on its own: the reader of the log sees exactly what came.
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(cut[at]));
            line += escaped;
            ++at;
            continue;
        }
        if (step.point == '\n') {
            line += "\\n";
        } else if (step.point == '\t') {
            line += "\\t";
        } else if (step.point < 0x80 && isForbiddenCharacter(step.point)) {
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(step.point));
            line += escaped;
        } else if (isForbiddenCharacter(step.point)) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(step.point));
            line += escaped;
        } else {
            line.append(cut.substr(at, step.length));
        }
        at += step.length;
    }
    if (cut.size() < text.size()) line += "...";
    return line;
}

}  // namespace platform
