#pragma once
// A texture that holds a copy of a framebuffer's colour (or of pixels in memory), and draws it as
// one quad. The window presents frames with it, the toolkit keeps the frames its transitions
// animate between, web views show their pages with it, and a
// GL view on the view tree shows its own framebuffer's frames with it.
#include "platform/gl/GL.h"

namespace platform::gl {

class FramebufferTexture {
  public:
    // `format` GL_RGB or GL_RGBA; a copy from a framebuffer without alpha needs GL_RGB. `type`
    // the texel layout: a copy from a framebuffer of the same layout (GL_UNSIGNED_SHORT_5_6_5 for
    // an RGB565 one) is a plain copy, where another layout costs a conversion on every copy.
    explicit FramebufferTexture(GLenum format = GL_RGB, GLenum type = GL_UNSIGNED_BYTE)
        : format_(format), type_(type) {}
    ~FramebufferTexture();
    FramebufferTexture(const FramebufferTexture&) = delete;
    FramebufferTexture& operator=(const FramebufferTexture&) = delete;
    void swap(FramebufferTexture& other) noexcept;
    // Forgets the texture without deleting it, for when its context is already gone.
    void abandon() { texture_ = 0; }

    // Copies the bottom-left width x height pixels of the framebuffer bound now. Grows the
    // texture (power-of-two sides) as needed; false on a GL error.
    bool copyFromBoundFramebuffer(int width, int height);
    // The same from `framebuffer`, whose binding is put back afterwards.
    bool copyFrom(GLuint framebuffer, int width, int height);
    // Copies width x height pixels of the texture's format from memory, rows top first (so the
    // copy stands upside down in texture space: draw it with flipped t). False on a GL error.
    bool upload(const unsigned char* pixels, int width, int height);

    // Draws the copy on the quad `pos` (x, y of bottom-left, bottom-right, top-left, top-right),
    // greyed by `shade`; `uv` picks part of the copy (texture rows are bottom first).
    void draw(const GLfloat pos[8], float shade = 1.0f) const;
    void draw(const GLfloat pos[8], const GLfloat uv[8], float shade) const;
    // Nearest rather than linear sampling. Drawn one texel to a pixel, with texel and pixel
    // centres on each other, both give the same picture and nearest costs the software
    // rasteriser far less; anywhere else linear is smoother.
    void setNearest(bool nearest);

    bool empty() const { return width_ == 0; }
    GLuint name() const { return texture_; }
    // The texture-coordinate extent of the copied pixels.
    float maxS() const { return potW_ > 0 ? static_cast<float>(width_) / static_cast<float>(potW_) : 0.0f; }
    float maxT() const { return potH_ > 0 ? static_cast<float>(height_) / static_cast<float>(potH_) : 0.0f; }

  private:
    bool ensureSize(int width, int height);

    GLenum format_;
    GLenum type_;
    GLuint texture_ = 0;
    int potW_ = 0;
    int potH_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool nearest_ = false;
};

}  // namespace platform::gl
