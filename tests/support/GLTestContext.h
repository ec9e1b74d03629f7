#pragma once
// A current headless OpenGL ES 1.1 context rendering into a framebuffer object of a given size,
// for tests that draw and read pixels back. Sets the viewport to the whole target and a y-up
// orthographic projection of width x height units (one unit a pixel), with 2D texturing, the
// vertex and texture-coordinate arrays, and source-alpha blending on, as the game view does.
//
//   GLTestContext gl(64, 32);
//   ASSERT_TRUE(gl.ok()) << gl.error();
//   ... draw ...
//   auto px = gl.pixel(0, 0);   // top-left pixel, RGBA

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gl/GL.h"
#include "platform/gl/GLContext.h"

class GLTestContext {
  public:
    GLTestContext(int width, int height);
    ~GLTestContext();
    GLTestContext(const GLTestContext&) = delete;
    GLTestContext& operator=(const GLTestContext&) = delete;

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    int width() const { return width_; }
    int height() const { return height_; }
    const std::shared_ptr<platform::GLContext>& context() const { return context_; }
    GLuint framebuffer() const { return framebuffer_; }

    // Binds the test framebuffer and makes the context current again (after other code moved them).
    void bind();
    // Clears to the colour (0..1 each).
    void clear(float r, float g, float b, float a);
    // Every pixel, RGBA, top row first.
    std::vector<std::uint8_t> readPixels();
    // Pixel (x, y) with y counted from the TOP row, RGBA.
    std::array<std::uint8_t, 4> pixel(int x, int y);

  private:
    int width_;
    int height_;
    bool ok_ = false;
    std::string error_;
    std::shared_ptr<platform::GLContext> context_;
    GLuint framebuffer_ = 0;
    GLuint renderbuffer_ = 0;
};
