#pragma once
// The context of the desktop window. The view still renders into its own framebuffer object, as
// headless; presenting copies that framebuffer into a texture and draws it over the whole window.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gl/FramebufferTexture.h"
#include "platform/gl/GLContext.h"

namespace platform {

class Window;

class WindowGLContext final : public GLContext {
  public:
    static std::shared_ptr<WindowGLContext> create(Window& window, std::string* error);
    ~WindowGLContext() override;

    bool makeCurrent() override;
    bool isCurrent() const override;
    bool renderbufferStorageFromDrawable(ColorFormat format, int width, int height) override;
    bool presentFramebuffer(unsigned framebuffer) override;
    // What the window shows: the last frame presented, as presenting drew it over the window's
    // drawable (RGBA, top row first); empty before the first frame.
    std::vector<std::uint8_t> readPresentedFrame(int& width, int& height);

  protected:
    bool releaseCurrent() override;

  private:
    static bool colourSizeOfBoundFramebuffer(int& width, int& height);
    // Draws the copy of the last frame over the whole drawable (the default framebuffer).
    void drawPresentCopy();

    WindowGLContext(void* window, void* context, bool viaEgl)
        : window_(window), context_(context), viaEgl_(viaEgl) {}

    void* window_;   // SDL_Window*
    void* context_;  // SDL_GLContext
    bool viaEgl_;    // SDL drives EGL: the real current context can be asked of EGL
    // The frame presented, copied to draw it over the window: RGBA, the layout of the window's
    // view tree, so that the copy is a plain one.
    std::unique_ptr<gl::FramebufferTexture> presentCopy_;
};

}  // namespace platform
