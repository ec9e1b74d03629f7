#include "sound/SoundLog.h"

#include <cstdio>
#include <string>

#include "platform/foundation/Log.h"

namespace sound {

int reportStatus(const char* message, int status) {
    char line[160];
    std::snprintf(line, sizeof line, "%s: %d", message, status);
    platform::logMessage(line, 4);
    return status;
}

int reportFileStatus(const char* message, int status, const std::string& path) {
    const std::string line = std::string(message) + ": " + std::to_string(status) + " (" + path + ")";
    platform::logMessage(line.c_str(), 4);
    return status;
}

int reportAlError(const char* message, int alError) {
    char line[160];
    std::snprintf(line, sizeof line, "%s: %x", message, static_cast<unsigned>(alError));
    platform::logMessage(line, 4);
    return alError;
}

}  // namespace sound
