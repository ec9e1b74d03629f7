#pragma once
// One OpenGL ES texture made from raw pixels, an image or a string, and the drawing of it as a
// textured quad. Needs the GL context current whenever it is made, drawn or destroyed.

#include <memory>
#include <string>

#include "platform/geometry/Geometry.h"
#include "platform/gl/GL.h"
#include "platform/image/Image.h"

class Texture2D {
  public:
    enum PixelFormat { kRGBA8888 = 1, kRGB565 = 2, kA8 = 3 };
    static constexpr unsigned kMaxTextureSize = 1024;

    // Uploads `data` (width x height pixels in the format's layout, rows top first) as a new
    // texture. Throws std::logic_error for an unknown format (and makes no texture then).
    Texture2D(const void* data, int pixelFormat, unsigned width, unsigned height,
              platform::Size contentSizePixels, float contentsScale);
    // Null, with "Image is Null" on stderr, when the image has no bitmap data.
    static std::shared_ptr<Texture2D> initWithImage(const platform::Image& image, float contentsScale);
    // The string's coverage as an alpha texture of the dimensions (pixels) rounded up to powers of
    // two. Null for dimensions that are not a positive, sane size.
    static std::shared_ptr<Texture2D> initWithString(const std::string& utf8, platform::Size dimensionsPixels,
                                                     int alignment, const std::string& fontName,
                                                     float fontSizePixels, float contentsScale);
    ~Texture2D();
    Texture2D(const Texture2D&) = delete;
    Texture2D& operator=(const Texture2D&) = delete;

    // Drawing coordinates grow upward; the image's top row is drawn at the larger y. The caller has
    // enabled 2D texturing and the vertex and texture-coordinate arrays.
    void drawAtPoint(platform::Point point) const;
    void drawInRect(platform::Rect rect) const;
    // `src` is in content points measured from the image's top-left corner.
    void drawFromRect(platform::Rect src, platform::Rect dst) const;
    void setNearestFilter();

    std::string description() const;
    platform::Size contentSize() const { return size_; }
    int pixelFormat() const { return format_; }
    unsigned pixelsWide() const { return width_; }
    unsigned pixelsHigh() const { return height_; }
    GLuint name() const { return name_; }
    float maxS() const { return maxS_; }
    float maxT() const { return maxT_; }
    float contentsScale() const { return contentsScale_; }
    float edgeMarginH() const { return edgeMarginH_; }
    void setEdgeMarginH(float margin) { edgeMarginH_ = margin; }
    float edgeMarginV() const { return edgeMarginV_; }
    void setEdgeMarginV(float margin) { edgeMarginV_ = margin; }

    // The power of two at or above `v` (1 for 0 and 1).
    static unsigned nextPowerOfTwo(unsigned v);

  private:
    void drawQuad(const GLfloat* vertices, const GLfloat* coordinates) const;

    GLuint name_ = 0;
    platform::Size size_;
    unsigned width_ = 0;
    unsigned height_ = 0;
    int format_ = 0;
    float maxS_ = 0;
    float maxT_ = 0;
    float edgeMarginH_ = 0;
    float edgeMarginV_ = 0;
    float contentsScale_ = 1;
};
