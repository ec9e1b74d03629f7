#include "appbase/LogMessage.h"

void LogMessage(const char* function, int level, std::string_view text) {
    platform::logMessage(function, level, text);
}
