#include "shell/EAGLView.h"

#include <cmath>
#include <cstdio>

#include "appbase/LogMessage.h"

using platform::GLContext;
namespace gl = platform::gl;

EAGLView::EAGLView(platform::Rect frame)
    : frame_(frame), bounds_(0, 0, frame.size.width, frame.size.height) {}

EAGLView::~EAGLView() {
    _destroySurface();
}

void EAGLView::start() {
    if (_context) {
        _createSurface();
        return;
    }
    _format = platform::ColorFormat::RGB565;
    _depthFormat = 0;
    _context = initialEAGLContext();
    if (_context) _createSurface();
}

std::shared_ptr<GLContext> EAGLView::initialEAGLContext() {
    return nullptr;
}

void EAGLView::stop() {}

void EAGLView::dispose() {
    _destroySurface();
}

platform::Size EAGLView::pixelSizeForBounds() const {
    return {std::round(bounds_.size.width) * contentsScale_,
            std::round(bounds_.size.height) * contentsScale_};
}

void EAGLView::restoreContext(GLContext* previous) const {
    if (previous == _context.get()) return;
    if (previous != nullptr) {
        previous->makeCurrent();
    } else {
        GLContext::clearCurrent();
    }
}

bool EAGLView::_createSurface() {
    if (!_context || _framebuffer != 0) return false;
    if (!_context->makeCurrent()) return false;
    opaque_ = true;
    char scaleText[64];
    std::snprintf(scaleText, sizeof scaleText, "eaglLayer.contentsScale: %f",
                  static_cast<double>(contentsScale_));
    LogMessage("-[EAGLView _createSurface]", 1, scaleText);
    const platform::Size size = pixelSizeForBounds();
    const int width = static_cast<int>(size.width);
    const int height = static_cast<int>(size.height);

    GLint oldRenderbuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &oldRenderbuffer);
    gl::glGenRenderbuffersOES(1, &_renderbuffer);
    gl::glBindRenderbufferOES(GL_RENDERBUFFER_OES, _renderbuffer);
    if (!_context->renderbufferStorageFromDrawable(_format, width, height)) {
        gl::glDeleteRenderbuffersOES(1, &_renderbuffer);
        _renderbuffer = 0;
        gl::glBindRenderbufferOES(GL_RENDERBUFFER_OES, static_cast<GLuint>(oldRenderbuffer));
        return false;
    }
    gl::glGenFramebuffersOES(1, &_framebuffer);
    gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, _framebuffer);
    gl::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                     _renderbuffer);
    if (_depthFormat != 0) {
        gl::glGenRenderbuffersOES(1, &_depthBuffer);
        gl::glBindRenderbufferOES(GL_RENDERBUFFER_OES, _depthBuffer);
        gl::glRenderbufferStorageOES(GL_RENDERBUFFER_OES, _depthFormat, width, height);
        gl::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES, GL_RENDERBUFFER_OES,
                                         _depthBuffer);
    }
    _size = size;
    glViewport(0, 0, width, height);
    glScissor(0, 0, width, height);
    gl::glBindRenderbufferOES(GL_RENDERBUFFER_OES, static_cast<GLuint>(oldRenderbuffer));
    if (_delegate != nullptr) _delegate->didResizeEAGLSurfaceForView(this);
    return true;
}

void EAGLView::_destroySurface() {
    if (!_context) return;
    GLContext* previous = GLContext::current();
    // Names belong to the view's context: deleting them in another one would hit that one's objects.
    const bool own = previous == _context.get() || _context->makeCurrent();
    if (own) {
        if (_depthFormat != 0 && _depthBuffer != 0) gl::glDeleteRenderbuffersOES(1, &_depthBuffer);
        if (_renderbuffer != 0) gl::glDeleteRenderbuffersOES(1, &_renderbuffer);
        if (_framebuffer != 0) gl::glDeleteFramebuffersOES(1, &_framebuffer);
    }
    _depthBuffer = 0;
    _renderbuffer = 0;
    _framebuffer = 0;
    if (own) restoreContext(previous);
}

void EAGLView::layoutSubviews() {
    // The surface is measured in pixels, so the bounds are too before comparing.
    if (_autoresize && pixelSizeForBounds() != _size) {
        _destroySurface();
        _createSurface();
    }
}

void EAGLView::setAutoresizesEAGLSurface(bool on) {
    _autoresize = on;
    if (_autoresize) layoutSubviews();
}

void EAGLView::setCurrentContext() {
    const bool ok = _context ? _context->makeCurrent() : GLContext::clearCurrent();
    if (!ok) {
        std::fprintf(stderr, "Failed to set current context %p in %s\n", static_cast<void*>(_context.get()),
                     "-[EAGLView setCurrentContext]");
    }
}

bool EAGLView::isCurrentContext() const {
    return GLContext::current() == _context.get();
}

void EAGLView::clearCurrentContext() {
    if (!GLContext::clearCurrent()) {
        std::fprintf(stderr, "Failed to clear current context in %s\n", "-[EAGLView clearCurrentContext]");
    }
}

void EAGLView::swapBuffers() {
    GLContext* previous = GLContext::current();
    const bool current = previous == _context.get() || (_context && _context->makeCurrent());
    bool presented = false;
    if (current && _context) {
        gl::glBindRenderbufferOES(GL_RENDERBUFFER_OES, _renderbuffer);
        presented = _framebuffer != 0 && _context->presentFramebuffer(_framebuffer);
    }
    if (!presented) std::fprintf(stderr, "Failed to swap renderbuffer in %s\n", "-[EAGLView swapBuffers]");
    if (current) restoreContext(previous);
}

platform::Point EAGLView::convertPointFromViewToSurface(platform::Point point) const {
    // A view without area has no surface point to map to.
    if (bounds_.size.width == 0 || bounds_.size.height == 0) return {};
    return {(point.x - bounds_.origin.x) / bounds_.size.width * _size.width,
            (point.y - bounds_.origin.y) / bounds_.size.height * _size.height};
}

void EAGLView::setFrame(platform::Rect frame) {
    frame_ = frame;
    bounds_.size = frame.size;
    layoutSubviews();
}

void EAGLView::setBounds(platform::Rect bounds) {
    bounds_ = bounds;
    layoutSubviews();
}

void EAGLView::setContentsScale(float scale) {
    contentsScale_ = std::isfinite(scale) && scale > 0 ? scale : 1.0f;
}

std::vector<std::uint8_t> EAGLView::readFrameRGBA() const {
    if (!_context || _framebuffer == 0) return {};
    GLContext* previous = GLContext::current();
    if (previous != _context.get() && !_context->makeCurrent()) return {};
    GLint oldFramebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &oldFramebuffer);
    gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, _framebuffer);
    std::vector<std::uint8_t> pixels =
        GLContext::readPixels(0, 0, static_cast<int>(_size.width), static_cast<int>(_size.height));
    gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFramebuffer));
    restoreContext(previous);
    return pixels;
}
