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
#include "platform/foundation/Utf8Text.h"

namespace {

// The text within maxBytes, "..." after a cut; escaping is the log line's.
std::string cutText(std::string_view text, std::size_t maxBytes) {
    std::string cut(dz_prefixWithinBytes(text, maxBytes));
    if (cut.size() < text.size()) cut += "...";
    return cut;
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
// arguments cut first (the log line escapes all of it). The compiler has checked the arguments
// against the format.
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
                line += static_cast<char>(va_arg(args, int));
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
                line += formatOne(("%" + flags + width + "s").c_str(),
                                  cutText(text, kDZMaxLoggedValueBytes).c_str());
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
    writeLine(cutText(text, kDZMaxLoggedLineBytes));
}

std::string dz_loggableText(std::string_view text, std::size_t maxBytes) {
    return platform::escapedForLog(text, maxBytes);
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
    writeLine("<Rerive> " + cutText(message, kDZMaxLoggedLineBytes));
}

void DZLogger::logPublicFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string line = formatLine(format, args);
    va_end(args);
    writeLine("<Rerive> " + line);
}
