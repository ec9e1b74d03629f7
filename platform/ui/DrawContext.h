#pragma once
// Draws the view tree with OpenGL ES 1.1 into the bound framebuffer: a current transform
// (points, y downward), a current opacity and a scissor clip, filled and rounded rectangles,
// images and text as textures. Textures are cached across frames and dropped once unused for a
// while. The GL context must be current whenever a DrawContext is used or destroyed.
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>

#include "platform/geometry/Geometry.h"
#include "platform/image/Image.h"
#include "platform/ui/AffineTransform.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"

namespace platform::ui {

class View;

struct TextStyle {
    Font font;
    TextAlignment alignment = TextAlignment::Left;
    int maxLines = 0;  // 0 = unlimited
};

class DrawContext {
  public:
    struct State {
        AffineTransform ctm;
        float alpha = 1;
        bool clipping = false;
        Rect clip;  // window points
    };

    DrawContext();
    ~DrawContext();
    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;

    // Starts a frame of a window of `size` points at `scale` pixels per point, drawn into the
    // bound framebuffer from its origin; `now` is the window clock's time for animations.
    void beginFrame(Size size, float scale, double now);
    // Drops textures unused for a while.
    void endFrame();
    double now() const { return now_; }
    float scale() const { return scale_; }
    Size size() const { return size_; }

    State save() const { return state_; }
    void restore(const State& state);
    // Prepends `t` to the current transform (t maps the new local space into the old one).
    void concat(const AffineTransform& t);
    void multiplyAlpha(float alpha) { state_.alpha *= alpha; }
    // Intersects the clip with `r` (current coordinates). Under a rotation the clip is the
    // bounding box of the rotated rectangle.
    void clip(const Rect& r);

    void fillRect(const Rect& r, Color color);
    void fillRoundedRect(const Rect& r, float radius, Color color);
    void drawImage(const std::shared_ptr<const Image>& image, const Rect& dst);
    // Text wrapped inside `r` (width), clipped to it, top-aligned or vertically centred.
    void drawText(const std::string& text, const TextStyle& style, const Rect& r, Color color,
                  bool centerVertically);

    // An image is one point per pixel.
    static Size imageSizeInPoints(const Image& image) {
        return {static_cast<float>(image.width), static_cast<float>(image.height)};
    }

    // For a view that draws with its own GL code inside draw(): while alive, the viewport and
    // scissor are the view's bounds in framebuffer pixels (GL coordinates, y up) and both matrices
    // are identity; the destructor restores the toolkit's state. The view must not be rotated.
    class RawGL {
      public:
        RawGL(DrawContext& ctx, const Rect& localBounds);
        ~RawGL();
        RawGL(const RawGL&) = delete;
        RawGL& operator=(const RawGL&) = delete;
        // x, y (from the bottom), width, height in framebuffer pixels.
        int x() const { return x_; }
        int y() const { return y_; }
        int width() const { return w_; }
        int height() const { return h_; }

      private:
        DrawContext& ctx_;
        int x_ = 0, y_ = 0, w_ = 0, h_ = 0;
    };

    // Textures alive in the caches (for tests of eviction).
    std::size_t cachedTextureCount() const { return images_.size() + texts_.size(); }

  private:
    struct Texture {
        unsigned id = 0;
        int width = 0, height = 0;        // the content
        int potWidth = 0, potHeight = 0;  // the allocation
        bool premultiplied = false;
        std::uint64_t lastFrame = 0;
    };
    struct ImageEntry {
        std::weak_ptr<const Image> image;
        Texture tex;
    };

    void applyState();
    void applyClip();
    void loadMatrix();
    void drawTexturedQuad(const Texture& tex, const Rect& dst, Color tint);
    static Texture upload(const std::uint8_t* pixels, int width, int height, bool alphaOnly);
    static void release(Texture& tex);

    State state_;
    Size size_;
    float scale_ = 1;
    double now_ = 0;
    std::uint64_t frame_ = 0;
    std::map<const Image*, ImageEntry> images_;
    std::map<std::string, Texture> texts_;
};

}  // namespace platform::ui
