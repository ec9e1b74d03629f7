#include "platform/window/SdlEventTranslator.h"

#include <cmath>

namespace platform {

KeyCode SdlEventTranslator::keyCode(SDL_Keycode sym) {
    switch (sym) {
        case SDLK_LEFT:
            return KeyCode::Left;
        case SDLK_RIGHT:
            return KeyCode::Right;
        case SDLK_UP:
            return KeyCode::Up;
        case SDLK_DOWN:
            return KeyCode::Down;
        case SDLK_ESCAPE:
            return KeyCode::Escape;
        case SDLK_SPACE:
            return KeyCode::Space;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return KeyCode::Return;
        case SDLK_BACKSPACE:
            return KeyCode::Backspace;
        case SDLK_p:
            return KeyCode::P;
        case SDLK_q:
            return KeyCode::Q;
        default:
            return KeyCode::Unknown;
    }
}

std::optional<WindowEvent> SdlEventTranslator::translate(const SDL_Event& event) {
    WindowEvent out;
    switch (event.type) {
        case SDL_QUIT:
            out.type = WindowEvent::Type::Quit;
            return out;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            out.type =
                event.type == SDL_MOUSEBUTTONDOWN ? WindowEvent::Type::MouseDown : WindowEvent::Type::MouseUp;
            out.point = {static_cast<float>(event.button.x), static_cast<float>(event.button.y)};
            out.button = event.button.button;
            out.buttonHeld = event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT;
            out.steerHeld = event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_RIGHT;
            return out;
        case SDL_MOUSEMOTION:
            out.type = WindowEvent::Type::MouseMove;
            out.point = {static_cast<float>(event.motion.x), static_cast<float>(event.motion.y)};
            out.buttonHeld = (event.motion.state & SDL_BUTTON_LMASK) != 0;
            out.steerHeld = (event.motion.state & SDL_BUTTON_RMASK) != 0;
            return out;
        case SDL_MOUSEWHEEL: {
            if (event.wheel.which == SDL_TOUCH_MOUSEID) return std::nullopt;
            out.type = WindowEvent::Type::Wheel;
            out.point = {static_cast<float>(event.wheel.mouseX), static_cast<float>(event.wheel.mouseY)};
            const float away = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.preciseY
                                                                               : event.wheel.preciseY;
            out.wheel = -away;
            if (out.wheel == 0 || !std::isfinite(out.wheel)) return std::nullopt;
            return out;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            out.type = event.type == SDL_KEYDOWN ? WindowEvent::Type::KeyDown : WindowEvent::Type::KeyUp;
            out.key = keyCode(event.key.keysym.sym);
            out.repeat = event.key.repeat != 0;
            return out;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    out.type = WindowEvent::Type::FocusLost;
                    return out;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                    out.type = WindowEvent::Type::FocusGained;
                    return out;
                case SDL_WINDOWEVENT_MINIMIZED:
                    out.type = WindowEvent::Type::Minimized;
                    return out;
                case SDL_WINDOWEVENT_RESTORED:
                    out.type = WindowEvent::Type::Restored;
                    return out;
                case SDL_WINDOWEVENT_EXPOSED:
                    out.type = WindowEvent::Type::Exposed;
                    return out;
                default:
                    return std::nullopt;  // closing the last window also posts SDL_QUIT
            }
        default:
            return std::nullopt;
    }
}

}  // namespace platform
