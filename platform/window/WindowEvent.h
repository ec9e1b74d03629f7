#pragma once
// What the desktop window reports, in our own terms: the rest of the program never sees SDL.

#include "platform/geometry/Geometry.h"

namespace platform {

enum class KeyCode { Unknown, Left, Right, Up, Down, Escape, Space, Return, Backspace, P, Q };

struct WindowEvent {
    enum class Type {
        MouseDown,  // point, button
        MouseMove,  // point, buttonHeld (left button down while moving), steerHeld
        MouseUp,    // point, button
        Wheel,      // point, wheel
        KeyDown,    // key, repeat
        KeyUp,      // key
        FocusLost,
        FocusGained,
        Minimized,
        Restored,
        Exposed,  // the desktop needs the window's picture again
        Quit,
    };

    Type type = Type::Quit;
    Point point;     // window points, origin top-left, y downward
    int button = 0;  // 1 left, 2 middle, 3 right
    bool buttonHeld = false;
    bool steerHeld = false;  // the right button is down (it steers; the left one touches)
    float wheel = 0;         // notches turned; positive toward the user (the content moves up)
    KeyCode key = KeyCode::Unknown;
    bool repeat = false;
};

}  // namespace platform
