#pragma once
// The engine's one line per failing platform call: the message with the status in decimal or the
// OpenAL error in hexadecimal. Returns the status so that a failure reads `return report(...)`.
namespace sound {

int reportStatus(const char* message, int status);
int reportAlError(const char* message, int alError);

}  // namespace sound
