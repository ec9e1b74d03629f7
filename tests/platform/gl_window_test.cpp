// The desktop window: SDL events in our terms (no display needed), and a real window context
// presenting a framebuffer (skipped where no display can be opened).
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "platform/gl/GL.h"
#include "platform/gl/GLContext.h"
#include "platform/window/SdlEventTranslator.h"
#include "platform/window/Window.h"

using platform::KeyCode;
using platform::SdlEventTranslator;
using platform::WindowEvent;
namespace gl = platform::gl;

namespace {

SDL_Event mouseButton(Uint32 type, Uint8 button, int x, int y) {
    SDL_Event e{};
    e.type = type;
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
    return e;
}

SDL_Event key(Uint32 type, SDL_Keycode sym, bool repeat = false) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = sym;
    e.key.repeat = repeat ? 1 : 0;
    return e;
}

SDL_Event windowEvent(Uint8 which) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = which;
    return e;
}

}  // namespace

TEST(WindowEvents, MouseBecomesTouchPointsInWindowPoints) {
    auto down = SdlEventTranslator::translate(mouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 12, 34));
    ASSERT_TRUE(down);
    EXPECT_EQ(down->type, WindowEvent::Type::MouseDown);
    EXPECT_EQ(down->point, (platform::Point{12, 34}));
    EXPECT_EQ(down->button, 1);
    EXPECT_TRUE(down->buttonHeld);

    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 40;
    motion.motion.y = 50;
    motion.motion.state = SDL_BUTTON_LMASK;
    auto move = SdlEventTranslator::translate(motion);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->type, WindowEvent::Type::MouseMove);
    EXPECT_EQ(move->point, (platform::Point{40, 50}));
    EXPECT_TRUE(move->buttonHeld);
    EXPECT_FALSE(move->steerHeld);
    motion.motion.state = SDL_BUTTON_RMASK;
    EXPECT_FALSE(SdlEventTranslator::translate(motion)->buttonHeld);
    EXPECT_TRUE(SdlEventTranslator::translate(motion)->steerHeld);

    auto steer = SdlEventTranslator::translate(mouseButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 1, 2));
    EXPECT_TRUE(steer->steerHeld);
    EXPECT_FALSE(steer->buttonHeld);

    auto up = SdlEventTranslator::translate(mouseButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 1, 2));
    ASSERT_TRUE(up);
    EXPECT_EQ(up->type, WindowEvent::Type::MouseUp);
    EXPECT_EQ(up->button, 3);
    EXPECT_FALSE(up->buttonHeld);
}

TEST(WindowEvents, AWheelTurnedTowardTheUserScrollsTheContentUpWhereThePointerIs) {
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.preciseY = -1.5f;  // toward the user
    wheel.wheel.mouseX = 60;
    wheel.wheel.mouseY = 70;
    auto down = SdlEventTranslator::translate(wheel);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->type, WindowEvent::Type::Wheel);
    EXPECT_EQ(down->point, (platform::Point{60, 70}));
    EXPECT_FLOAT_EQ(down->wheel, 1.5f);
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;  // "natural" scrolling reports the other sign
    EXPECT_FLOAT_EQ(SdlEventTranslator::translate(wheel)->wheel, -1.5f);
    wheel.wheel.preciseY = 0;  // sideways only
    EXPECT_FALSE(SdlEventTranslator::translate(wheel));
}

TEST(WindowEvents, KeysMapToOurCodesAndKeepRepeat) {
    const std::pair<SDL_Keycode, KeyCode> table[] = {
        {SDLK_LEFT, KeyCode::Left},     {SDLK_RIGHT, KeyCode::Right},         {SDLK_UP, KeyCode::Up},
        {SDLK_DOWN, KeyCode::Down},     {SDLK_ESCAPE, KeyCode::Escape},       {SDLK_SPACE, KeyCode::Space},
        {SDLK_RETURN, KeyCode::Return}, {SDLK_KP_ENTER, KeyCode::Return},     {SDLK_p, KeyCode::P},
        {SDLK_q, KeyCode::Q},           {SDLK_BACKSPACE, KeyCode::Backspace}, {SDLK_F7, KeyCode::Unknown},
    };
    for (const auto& [sym, code] : table) {
        auto down = SdlEventTranslator::translate(key(SDL_KEYDOWN, sym));
        ASSERT_TRUE(down);
        EXPECT_EQ(down->type, WindowEvent::Type::KeyDown);
        EXPECT_EQ(down->key, code) << sym;
    }
    auto repeated = SdlEventTranslator::translate(key(SDL_KEYDOWN, SDLK_LEFT, true));
    EXPECT_TRUE(repeated->repeat);
    auto up = SdlEventTranslator::translate(key(SDL_KEYUP, SDLK_ESCAPE));
    EXPECT_EQ(up->type, WindowEvent::Type::KeyUp);
    EXPECT_EQ(up->key, KeyCode::Escape);
}

TEST(WindowEvents, WindowStateAndQuitAndIgnoredEvents) {
    EXPECT_EQ(SdlEventTranslator::translate(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST))->type,
              WindowEvent::Type::FocusLost);
    EXPECT_EQ(SdlEventTranslator::translate(windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED))->type,
              WindowEvent::Type::FocusGained);
    EXPECT_EQ(SdlEventTranslator::translate(windowEvent(SDL_WINDOWEVENT_MINIMIZED))->type,
              WindowEvent::Type::Minimized);
    EXPECT_EQ(SdlEventTranslator::translate(windowEvent(SDL_WINDOWEVENT_RESTORED))->type,
              WindowEvent::Type::Restored);
    EXPECT_EQ(SdlEventTranslator::translate(windowEvent(SDL_WINDOWEVENT_EXPOSED))->type,
              WindowEvent::Type::Exposed);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(SdlEventTranslator::translate(quit)->type, WindowEvent::Type::Quit);
    // The close button also posts SDL_QUIT; reporting both would quit twice.
    EXPECT_FALSE(SdlEventTranslator::translate(windowEvent(SDL_WINDOWEVENT_CLOSE)));
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    EXPECT_FALSE(SdlEventTranslator::translate(wheel));
}

namespace {

void presentOntoWindow(platform::Window* window) {
    std::string error;
    ASSERT_NE(window, nullptr);
    EXPECT_GE(window->pixelSize().width, 64);
    EXPECT_EQ(window->pointSize(), (platform::Size{64, 48}));
    auto context = platform::GLContext::createForWindow(*window, &error);
    ASSERT_TRUE(context) << error;
    ASSERT_TRUE(context->makeCurrent());
    EXPECT_EQ(platform::GLContext::versionString().rfind("OpenGL ES-CM 1.1", 0), 0u)
        << platform::GLContext::versionString();

    GLuint renderbuffer = 0;
    GLuint framebuffer = 0;
    gl::glGenRenderbuffersOES(1, &renderbuffer);
    gl::glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer);
    ASSERT_TRUE(context->renderbufferStorageFromDrawable(platform::ColorFormat::RGB565, 32, 24));
    gl::glGenFramebuffersOES(1, &framebuffer);
    gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer);
    gl::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                     renderbuffer);
    ASSERT_EQ(gl::glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES),
              static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_OES));
    glViewport(0, 0, 32, 24);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);

    EXPECT_FALSE(context->presentFramebuffer(0));
    ASSERT_TRUE(context->presentFramebuffer(framebuffer));
    EXPECT_EQ(context->presentedFrames(), 1u);

    // The frame loop's state survives presenting.
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), framebuffer);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 32);
    EXPECT_EQ(viewport[3], 24);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));

    // The window's own framebuffer shows the view's green, stretched over it.
    gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
    const int midX = static_cast<int>(window->pixelSize().width) / 2;
    const int midY = static_cast<int>(window->pixelSize().height) / 2;
    auto pixel = platform::GLContext::readPixels(midX, midY, 1, 1);
    ASSERT_EQ(pixel.size(), 4u);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 255);
    EXPECT_EQ(pixel[2], 0);

    window->pollEvents();
    gl::glDeleteFramebuffersOES(1, &framebuffer);
    gl::glDeleteRenderbuffersOES(1, &renderbuffer);
}

}  // namespace

TEST(WindowContext, PresentsTheViewFramebufferOntoTheWindow) {
    std::string error;
    auto window = platform::Window::create(64, 48, "tikoleap test", &error);
    if (!window) GTEST_SKIP() << "no display: " << error;
    presentOntoWindow(window.get());
}

// SDL's invisible driver, asked for by name, runs the same present path without any display.
TEST(WindowContext, PresentsThroughTheOffscreenDriverWhenAskedFor) {
    const char* previous = std::getenv("SDL_VIDEODRIVER");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    std::string error;
    auto window = platform::Window::create(64, 48, "tikoleap test", &error);
    if (previous != nullptr) {
        setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
    } else {
        unsetenv("SDL_VIDEODRIVER");
    }
    if (!window) GTEST_SKIP() << "SDL has no offscreen driver here: " << error;
    presentOntoWindow(window.get());
}

TEST(WindowContext, NoDisplayMeansNoWindowRatherThanAnInvisibleOne) {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if ((display && *display) || (wayland && *wayland) || (driver && *driver))
        GTEST_SKIP() << "a display exists";
    std::string error;
    EXPECT_EQ(platform::Window::create(64, 48, "x", &error), nullptr);
    EXPECT_NE(error.find("no display"), std::string::npos) << error;
}

// SDL turns only SIGINT and SIGTERM into a quit; a hang-up ended the process before the game's
// state was put away. One that whoever started us ignores stays ignored.
TEST(WindowEvents, AHangUpIsAQuitUnlessItIsIgnored) {
    std::signal(SIGHUP, SIG_DFL);
    std::string error;
    auto window = platform::Window::create(64, 48, "tikoleap test", &error);
    if (!window) GTEST_SKIP() << "no display: " << error;
    window->pollEvents();
    std::raise(SIGHUP);
    const auto events = window->pollEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events.front().type, WindowEvent::Type::Quit);
    EXPECT_TRUE(window->pollEvents().empty());

    window.reset();
    std::signal(SIGHUP, SIG_IGN);
    window = platform::Window::create(64, 48, "tikoleap test", &error);
    ASSERT_TRUE(window) << error;
    struct sigaction now {};
    sigaction(SIGHUP, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
    std::signal(SIGHUP, SIG_DFL);
}
