#pragma once
// The context of the desktop window. The view still renders into its own framebuffer object, as
// headless; presenting copies that framebuffer into a texture and draws it over the whole window.

#include <memory>
#include <string>

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

  protected:
    bool releaseCurrent() override;

  private:
    WindowGLContext(void* window, void* context, bool viaEgl)
        : window_(window), context_(context), viaEgl_(viaEgl) {}

    void* window_;   // SDL_Window*
    void* context_;  // SDL_GLContext
    bool viaEgl_;    // SDL drives EGL: the real current context can be asked of EGL
    int surfaceWidth_ = 0;
    int surfaceHeight_ = 0;
    // The view's frame, copied to draw it over the window (RGB: the view may have no alpha).
    std::unique_ptr<gl::FramebufferTexture> presentCopy_;
};

}  // namespace platform
