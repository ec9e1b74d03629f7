#include "ads/foundation/DZLogger.h"

#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "ads/foundation/DZLogCharge.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/Log.h"

namespace {

// The code point of the well-formed UTF-8 sequence at text[at], and its length (0 when there is none).
std::pair<char32_t, std::size_t> decodeAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) return {lead, 1};
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
        return {0, 0};
    }
    if (at + length > text.size()) return {0, 0};
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) return {0, 0};
        point = (point << 6) | (next & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return {0, 0};
    return {point, length};
}

// Characters that end a line for some readers, or reorder the text shown after them.
bool breaksOrDisguisesLine(char32_t point) {
    return (point >= 0x80 && point <= 0x9F) || point == 0x2028 || point == 0x2029 || point == 0x061C ||
           point == 0x200E || point == 0x200F || (point >= 0x202A && point <= 0x202E) ||
           (point >= 0x2066 && point <= 0x2069);
}

std::string vformat(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string formatOne(const char* spec, ...) {
    va_list args;
    va_start(args, spec);
    std::string text = vformat(spec, args);
    va_end(args);
    return text;
}

// The format's own text as it stands and each argument formatted by its conversion, text
// arguments made loggable first. The compiler has checked the arguments against the format.
std::string formatLine(const char* format, va_list args) {
    std::string line;
    const char* at = format;
    while (*at) {
        if (*at != '%') {
            line += *at++;
            continue;
        }
        ++at;
        if (*at == '%') {
            line += '%';
            ++at;
            continue;
        }
        std::string flags;
        while (*at && std::strchr("-+ #0'", *at)) flags += *at++;
        std::string width;
        if (*at == '*') {
            width = std::to_string(va_arg(args, int));
            ++at;
        } else {
            while (std::isdigit(static_cast<unsigned char>(*at))) width += *at++;
        }
        int precision = -1;  // none, as printf reads a negative one
        if (*at == '.') {
            ++at;
            if (*at == '*') {
                precision = va_arg(args, int);
                ++at;
            } else {
                precision = 0;
                while (std::isdigit(static_cast<unsigned char>(*at)))
                    precision = precision * 10 + (*at++ - '0');
            }
        }
        std::string size;
        while (*at && std::strchr("hljztLq", *at)) size += *at++;
        if (!*at) break;
        const char conversion = *at++;
        const std::string specText =
            "%" + flags + width + (precision >= 0 ? "." + std::to_string(precision) : "") + size + conversion;
        const char* spec = specText.c_str();
        const bool isLong = size == "l";
        const bool isLongLong = size == "ll" || size == "q";
        switch (conversion) {
            case 'd':
            case 'i':
                if (isLong)
                    line += formatOne(spec, va_arg(args, long));
                else if (isLongLong)
                    line += formatOne(spec, va_arg(args, long long));
                else if (size == "j")
                    line += formatOne(spec, va_arg(args, std::intmax_t));
                else if (size == "z")
                    line += formatOne(spec, va_arg(args, std::size_t));
                else if (size == "t")
                    line += formatOne(spec, va_arg(args, std::ptrdiff_t));
                else
                    line += formatOne(spec, va_arg(args, int));
                break;
            case 'o':
            case 'u':
            case 'x':
            case 'X':
                if (isLong)
                    line += formatOne(spec, va_arg(args, unsigned long));
                else if (isLongLong)
                    line += formatOne(spec, va_arg(args, unsigned long long));
                else if (size == "j")
                    line += formatOne(spec, va_arg(args, std::uintmax_t));
                else if (size == "z")
                    line += formatOne(spec, va_arg(args, std::size_t));
                else if (size == "t")
                    line += formatOne(spec, va_arg(args, std::ptrdiff_t));
                else
                    line += formatOne(spec, va_arg(args, unsigned));
                break;
            case 'e':
            case 'E':
            case 'f':
            case 'F':
            case 'g':
            case 'G':
            case 'a':
            case 'A':
                if (size == "L")
                    line += formatOne(spec, va_arg(args, long double));
                else
                    line += formatOne(spec, va_arg(args, double));
                break;
            case 'c':
                line += dz_loggableText(std::string(1, static_cast<char>(va_arg(args, int))));
                break;
            case 'p':
                line += formatOne(spec, va_arg(args, void*));
                break;
            case 's': {
                const char* value = va_arg(args, const char*);
                const std::string_view text =
                    !value ? std::string_view("(null)")
                    : precision >= 0
                        ? std::string_view(value, strnlen(value, static_cast<std::size_t>(precision)))
                        : std::string_view(value);
                line += formatOne(("%" + flags + width + "s").c_str(), dz_loggableText(text).c_str());
                break;
            }
            case 'n':
                (void)va_arg(args, int*);  // writes nothing back: the log is no way out
                break;
            default:
                line += specText;
                break;
        }
    }
    return line;
}

void queueLine(std::string line) {
    DZLoggingQueue()->async([line = std::move(line)] { platform::logLine(line); });
}

// Every line of the component passes here, so a page's budget counts all it makes written.
void writeLine(std::string line) {
    DZLogAdmission admission = DZLogChargeScope::admit();
    if (admission.write) queueLine(std::move(line));
    if (admission.notice) queueLine(std::move(*admission.notice));
}

}  // namespace

std::shared_ptr<platform::DispatchQueue> DZLoggingQueue() {
    // Never destroyed: any thread may log up to the process's end.
    static const auto* queue = new std::shared_ptr<platform::DispatchQueue>(
        platform::DispatchQueue::createSerial("com.rerive.didaz.logging"));
    return *queue;
}

void DZLogText(std::string text) {
    writeLine(dz_loggableText(text, kDZMaxLoggedLineBytes));
}

std::string dz_loggableText(std::string_view text, std::size_t maxBytes) {
    const std::string_view cut = dz_prefixWithinBytes(text, maxBytes);
    std::string line;
    line.reserve(cut.size());
    for (std::size_t at = 0; at < cut.size();) {
        const auto [point, length] = decodeAt(cut, at);
        char escaped[16];
        if (length == 0) {
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(cut[at]));
            line += escaped;
            ++at;
            continue;
        }
        if (point == '\n') {
            line += "\\n";
        } else if (point == '\t') {
            line += "\\t";
        } else if (point < 0x20 || point == 0x7f) {
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(point));
            line += escaped;
        } else if (breaksOrDisguisesLine(point)) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(point));
            line += escaped;
        } else {
            line.append(cut.substr(at, length));
        }
        at += length;
    }
    if (cut.size() < text.size()) line += "...";
    return line;
}

void DZLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string line = formatLine(format, args);
    va_end(args);
    writeLine(std::move(line));
}

std::shared_ptr<DZLogger> DZLogger::sharedInstance() {
    static const auto* logger = new std::shared_ptr<DZLogger>(new DZLogger());
    return *logger;
}

void DZLogger::logPublicMessage(const std::string& message) {
    writeLine("<Rerive> " + dz_loggableText(message, kDZMaxLoggedLineBytes));
}

void DZLogger::logPublicFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string line = formatLine(format, args);
    va_end(args);
    writeLine("<Rerive> " + line);
}
