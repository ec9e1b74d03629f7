#pragma once
// Shared helpers of the shell's screens: the one-button alert, the status bar's orientation and
// the button title set for every state.
#include <string>

namespace platform::ui {
class Button;
}

// An alert with the title and message, no delegate and one "OK" button, shown at once (queued
// behind an alert already on screen).
void ShowOkAlert(const std::string& title, const std::string& message);

// The interface orientation the application's status bar follows.
int StatusBarOrientation();

// The same title for the normal, selected, disabled and highlighted states, in that order.
void SetButtonTitle(platform::ui::Button& button, const std::string& title);
