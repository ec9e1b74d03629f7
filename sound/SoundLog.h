#pragma once
// The engine's one line per failing platform call: the message with the status in decimal or the
// OpenAL error in hexadecimal, and the file a call on a file was about. Returns the status so that
// a failure reads `return report(...)`.
#include <string>

namespace sound {

int reportStatus(const char* message, int status);
int reportFileStatus(const char* message, int status, const std::string& path);
int reportAlError(const char* message, int alError);

}  // namespace sound
