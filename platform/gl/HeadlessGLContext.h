#pragma once
// The context for runs without a display: EGL on Mesa's surfaceless platform. The view's
// framebuffer is all there is to draw into, so presenting only counts the frame.

#include <string>

#include "platform/gl/GLContext.h"

namespace platform {

class HeadlessGLContext final : public GLContext {
  public:
    // Null (with `error`) when the display or an ES 1.1 context cannot be had.
    static std::shared_ptr<HeadlessGLContext> create(std::string* error);
    ~HeadlessGLContext() override;

    bool makeCurrent() override;
    bool isCurrent() const override;
    bool renderbufferStorageFromDrawable(ColorFormat format, int width, int height) override;
    bool presentFramebuffer(unsigned framebuffer) override;

  protected:
    bool releaseCurrent() override;

  private:
    HeadlessGLContext(void* display, void* context) : display_(display), context_(context) {}
    void* display_;  // EGLDisplay
    void* context_;  // EGLContext
};

}  // namespace platform
