#include "sound/SoundLog.h"

#include <cstdio>

#include "platform/foundation/Log.h"

namespace sound {

int reportStatus(const char* message, int status) {
    char line[160];
    std::snprintf(line, sizeof line, "%s: %d", message, status);
    platform::logMessage(line, 4);
    return status;
}

int reportAlError(const char* message, int alError) {
    char line[160];
    std::snprintf(line, sizeof line, "%s: %x", message, static_cast<unsigned>(alError));
    platform::logMessage(line, 4);
    return alError;
}

}  // namespace sound
