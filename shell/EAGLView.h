#pragma once
// The view that carries the OpenGL ES drawing surface: it owns the framebuffer, the colour
// renderbuffer (storage from the context's drawable) and an optional depth buffer, presents
// frames, and rebuilds the surface when its size changes. Main thread only.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/geometry/Geometry.h"
#include "platform/gl/GL.h"
#include "platform/gl/GLContext.h"

class EAGLView;

class EAGLViewDelegate {
  public:
    virtual ~EAGLViewDelegate() = default;
    virtual void didResizeEAGLSurfaceForView(EAGLView* view) = 0;
};

class EAGLView {
  public:
    explicit EAGLView(platform::Rect frame = {});
    virtual ~EAGLView();
    EAGLView(const EAGLView&) = delete;
    EAGLView& operator=(const EAGLView&) = delete;

    // Takes the context from initialEAGLContext (first time) and creates the surface.
    virtual void start();
    // The context to draw with; none in this class.
    virtual std::shared_ptr<platform::GLContext> initialEAGLContext();
    virtual void stop();
    virtual void dispose();

    // False without a context, with a surface already present, or when GL refuses it.
    bool _createSurface();
    void _destroySurface();
    // Rebuilds the surface when autoresizing is on and the pixel size changed.
    virtual void layoutSubviews();

    void setAutoresizesEAGLSurface(bool on);
    bool autoresizesSurface() const { return _autoresize; }
    void setAutoresizesSurface(bool on) { _autoresize = on; }

    void setCurrentContext();
    bool isCurrentContext() const;
    void clearCurrentContext();
    void swapBuffers();
    platform::Point convertPointFromViewToSurface(platform::Point point) const;

    EAGLViewDelegate* delegate() const { return _delegate; }
    // Not owned: the delegate must outlive the view or be cleared first.
    void setDelegate(EAGLViewDelegate* delegate) { _delegate = delegate; }
    platform::Size surfaceSize() const { return _size; }
    GLuint framebuffer() const { return _framebuffer; }
    GLuint renderbuffer() const { return _renderbuffer; }
    platform::ColorFormat pixelFormat() const { return _format; }
    GLuint depthFormat() const { return _depthFormat; }
    const std::shared_ptr<platform::GLContext>& context() const { return _context; }

    // Geometry in points; the surface is the rounded bounds size times the contents scale.
    platform::Rect frame() const { return frame_; }
    virtual void setFrame(platform::Rect frame);
    platform::Rect bounds() const { return bounds_; }
    void setBounds(platform::Rect bounds);
    float contentsScale() const { return contentsScale_; }
    void setContentsScale(float scale);
    bool isOpaque() const { return opaque_; }

    // The surface's current pixels as RGBA, top row first (empty without a surface).
    std::vector<std::uint8_t> readFrameRGBA() const;

  private:
    platform::Size pixelSizeForBounds() const;
    // Puts back the context that was current before the view switched to its own.
    void restoreContext(platform::GLContext* previous) const;

    std::shared_ptr<platform::GLContext> _context;
    GLuint _framebuffer = 0;
    GLuint _renderbuffer = 0;
    GLuint _depthBuffer = 0;
    platform::ColorFormat _format = platform::ColorFormat::RGB565;
    GLuint _depthFormat = 0;
    platform::Size _size;
    bool _autoresize = false;
    EAGLViewDelegate* _delegate = nullptr;

    platform::Rect frame_;
    platform::Rect bounds_;
    float contentsScale_ = 1.0f;
    bool opaque_ = false;
};
