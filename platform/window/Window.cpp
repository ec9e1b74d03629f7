#include "platform/window/Window.h"

#include <SDL.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/window/SdlEventTranslator.h"

namespace platform {

namespace {

SDL_Window* sdl(void* handle) {
    return static_cast<SDL_Window*>(handle);
}

bool envSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// SDL falls back to drivers that draw nowhere when no display exists; the program must then run
// headless instead, so such a driver counts only when asked for by name (SDL_VIDEODRIVER).
bool isInvisibleDriver(const char* driver) {
    return driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

// The displays the environment names, so that one that cannot be opened is told by name.
std::string namedDisplays() {
    std::string named;
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        if (envSet(variable))
            named += (named.empty() ? "" : " or ") + std::string(variable) + "=" + std::getenv(variable);
    }
    return named;
}

// SDL turns SIGINT and SIGTERM into a quit event, not a hang-up, which would end the process before
// the game's state is put away. The handler only notes it; the next poll turns it into the quit.
volatile std::sig_atomic_t hungUp = 0;

void noteHangUp(int) {
    hungUp = 1;
}

// As SDL does for its signals: a hang-up ignored or handled by whoever started us stays so.
void quitOnHangUp() {
    struct sigaction current {};
    if (sigaction(SIGHUP, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) return;
    struct sigaction note {};
    note.sa_handler = noteHangUp;
    sigemptyset(&note.sa_mask);
    note.sa_flags = SA_RESTART;
    sigaction(SIGHUP, &note, nullptr);
}

}  // namespace

std::unique_ptr<Window> Window::create(int widthPoints, int heightPoints, const std::string& title,
                                       std::string* error) {
    if (widthPoints <= 0 || heightPoints <= 0) {
        if (error != nullptr) *error = "window size must be positive";
        return nullptr;
    }
    // ES 1.1 through EGL on X11 too, so both ways of running share one driver path.
    SDL_SetHint(SDL_HINT_VIDEO_X11_FORCE_EGL, "1");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    const bool driverRequested = envSet("SDL_VIDEODRIVER");
    if (!driverRequested && !envSet("DISPLAY") && !envSet("WAYLAND_DISPLAY")) {
        if (error != nullptr) *error = "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
        return nullptr;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (error != nullptr) *error = std::string("cannot open a display: ") + SDL_GetError();
        return nullptr;
    }
    if (!driverRequested && isInvisibleDriver(SDL_GetCurrentVideoDriver())) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (error != nullptr)
            *error = "no display: " + namedDisplays() +
                     " cannot be opened (SDL found only an invisible video driver)";
        return nullptr;
    }
    // Once up, video and the GL driver library stay loaded until the process ends: a window made
    // again later (after a headless stretch, in tests) then finds the same driver, and nothing is
    // unloaded while the driver still holds allocations of its own.
    static bool videoKept = false;
    if (videoKept) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);  // drop the extra reference this call just took
    } else {
        videoKept = true;
    }
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_Window* window =
        SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, widthPoints,
                         heightPoints, SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_SHOWN);
    if (window == nullptr) {
        if (error != nullptr) *error = std::string("cannot create the window: ") + SDL_GetError();
        return nullptr;
    }
    static const bool glLibraryPinned = SDL_GL_LoadLibrary(nullptr) == 0;
    (void)glLibraryPinned;
    quitOnHangUp();
    return std::unique_ptr<Window>(new Window(window));
}

Window::~Window() {
    // The video subsystem and its GL driver stay up for the rest of the process (see create).
    SDL_DestroyWindow(sdl(window_));
}

std::vector<WindowEvent> Window::pollEvents() {
    std::vector<WindowEvent> events;
    SDL_Event event;
    const Uint32 own = SDL_GetWindowID(sdl(window_));
    while (SDL_PollEvent(&event) != 0) {
        // A window closed earlier in the process may leave its focus changes queued: they are not
        // this window's.
        if (event.type == SDL_WINDOWEVENT && event.window.windowID != own) continue;
        if (auto translated = SdlEventTranslator::translate(event)) events.push_back(*translated);
    }
    if (hungUp != 0) {
        hungUp = 0;
        WindowEvent quit;
        quit.type = WindowEvent::Type::Quit;
        events.push_back(quit);
    }
    return events;
}

Size Window::pointSize() const {
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(sdl(window_), &w, &h);
    return {static_cast<float>(w), static_cast<float>(h)};
}

Size Window::pixelSize() const {
    int w = 0;
    int h = 0;
    SDL_GL_GetDrawableSize(sdl(window_), &w, &h);
    return {static_cast<float>(w), static_cast<float>(h)};
}

void Window::hide() {
    SDL_HideWindow(sdl(window_));
    // Tell the display now, not at the next look at the event queue.
    SDL_PumpEvents();
}

bool Window::isShown() const {
    return (SDL_GetWindowFlags(sdl(window_)) & SDL_WINDOW_SHOWN) != 0;
}

double Window::refreshRate() const {
    SDL_DisplayMode mode{};
    if (SDL_GetWindowDisplayMode(static_cast<SDL_Window*>(window_), &mode) != 0) return 0.0;
    return mode.refresh_rate > 0 ? mode.refresh_rate : 0.0;
}

void Window::setScreenSaverAllowed(bool allowed) {
    if (allowed) {
        SDL_EnableScreenSaver();
    } else {
        SDL_DisableScreenSaver();
    }
}

bool Window::isScreenSaverAllowed() const {
    return SDL_IsScreenSaverEnabled() == SDL_TRUE;
}

}  // namespace platform
