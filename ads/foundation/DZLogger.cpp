#include "ads/foundation/DZLogger.h"

#include <cstdarg>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/Log.h"

std::shared_ptr<platform::DispatchQueue> DZLoggingQueue() {
    // Never destroyed: any thread may log up to the process's end.
    static const auto* queue = new std::shared_ptr<platform::DispatchQueue>(
        platform::DispatchQueue::createSerial("com.rerive.didaz.logging"));
    return *queue;
}

void DZLogText(std::string text) {
    DZLoggingQueue()->async([text = std::move(text)] { platform::logLine(text); });
}

std::string dz_loggableText(std::string_view text, std::size_t maxBytes) {
    std::string_view cut = text.substr(0, maxBytes);
    // Back off to the start of a character so the line stays UTF-8.
    if (cut.size() < text.size()) {
        std::size_t end = cut.size();
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
        cut = cut.substr(0, end);
    }
    std::string line;
    for (unsigned char c : cut) {
        if (c == '\n') {
            line += "\\n";
        } else if (c == '\t') {
            line += "\\t";
        } else if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            line += escaped;
        } else {
            line += static_cast<char>(c);
        }
    }
    if (cut.size() < text.size()) line += "...";
    return line;
}

void DZLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
    DZLogText(std::move(text));
}

std::shared_ptr<DZLogger> DZLogger::sharedInstance() {
    static const auto* logger = new std::shared_ptr<DZLogger>(new DZLogger());
    return *logger;
}

void DZLogger::logPublicMessage(const std::string& message) {
    DZLogText("<Rerive> " + message);
}
