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

// Opens a web page in the browser. A page that cannot be opened (no browser, a page nowhere)
// is logged under `logName`, and the player is told in an alert "The page could not be opened."
// (headless runs record pages and never fail); a URL refused as no web page is logged only.
bool OpenWebPage(const std::string& url, const char* logName);

// The interface orientation the application's status bar follows.
int StatusBarOrientation();

// The same title for the normal, selected, disabled and highlighted states, in that order.
void SetButtonTitle(platform::ui::Button& button, const std::string& title);
