#pragma once
// Turns one SDL event into ours. Internal to the window layer (it names SDL types); split out so
// the mapping can be checked without a display.

#include <SDL.h>

#include <optional>

#include "platform/window/WindowEvent.h"

namespace platform {

class SdlEventTranslator {
  public:
    // Nothing for events the program has no use for.
    static std::optional<WindowEvent> translate(const SDL_Event& event);
    static KeyCode keyCode(SDL_Keycode sym);
};

}  // namespace platform
