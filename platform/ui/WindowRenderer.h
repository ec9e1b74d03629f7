#pragma once
// Draws a Window into a framebuffer of its own on a GL context (the SDL window's drawable, or
// plain storage when headless) and presents it; composes the window transitions; reads the frame
// back as RGBA or PNG. The framebuffer keeps the last frame: a transition animates from a copy of
// it, taken as the transition begins, to the tree as it is now.
//
// Transitions are drawn as: flip from left/right = the old frame turning about the vertical axis
// (in perspective) until edge-on, then the new one turning in from the other side; curl down =
// the new frame unrolling from the top over the old one with a shaded edge; curl up = the old
// frame rolling up off the new one.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gl/FramebufferTexture.h"

#include "platform/geometry/Geometry.h"

namespace platform {
class GLContext;
}

namespace platform::ui {

class DrawContext;
class Window;

class WindowRenderer {
  public:
    // `scale` pixels per point (2.0 draws a 320 x 480 window into 640 x 960 pixels).
    WindowRenderer(std::shared_ptr<GLContext> context, float scale = 1);
    ~WindowRenderer();
    WindowRenderer(const WindowRenderer&) = delete;
    WindowRenderer& operator=(const WindowRenderer&) = delete;

    // Lays out and draws the window, then presents. False when the context cannot be made
    // current or the framebuffer cannot be made.
    bool render(Window& window);
    // Presents the last frame again without drawing; false before the first frame.
    bool presentAgain();
    // The last frame rendered, RGBA top row first (empty before the first frame).
    std::vector<std::uint8_t> readPixels(int& width, int& height);
    bool capturePng(const std::string& path, std::string* error = nullptr);

    float scale() const { return scale_; }
    int pixelWidth() const { return width_; }
    int pixelHeight() const { return height_; }
    unsigned framebuffer() const { return fbo_; }
    DrawContext& drawContext() { return *ctx_; }

  private:
    using FrameTexture = gl::FramebufferTexture;
    bool ensureFramebuffer(int w, int h);
    void destroyFramebuffer();
    void copyFrameInto(FrameTexture& t);
    void composeTransition(Window& window, float progress);
    void drawFrame(const FrameTexture& t, float y0, float y1, float v0, float v1, float shade);
    void drawFlip(const FrameTexture& t, float angleDegrees);

    std::shared_ptr<GLContext> context_;
    float scale_;
    std::unique_ptr<DrawContext> ctx_;
    unsigned fbo_ = 0, rb_ = 0;
    int width_ = 0, height_ = 0;
    FrameTexture old_{GL_RGBA}, current_{GL_RGBA};
    bool hasLast_ = false;
    bool hasOld_ = false;
    std::uint64_t seenSerial_ = 0;
};

}  // namespace platform::ui
