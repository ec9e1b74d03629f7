#include "platform/ui/WindowRenderer.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/gl/GL.h"
#include "platform/gl/GLContext.h"
#include "platform/image/PngCodec.h"
#include "platform/ui/DrawContext.h"
#include "platform/ui/Window.h"

namespace platform::ui {

using namespace platform::gl;

WindowRenderer::WindowRenderer(std::shared_ptr<GLContext> context, float scale)
    : context_(std::move(context)), scale_(scale > 0 ? scale : 1), ctx_(std::make_unique<DrawContext>()) {}

WindowRenderer::~WindowRenderer() {
    if (!context_ || !context_->makeCurrent()) {
        // Without the context nothing can be deleted; the objects go with the context.
        (void)ctx_.release();
        for (FrameTexture* t : {&old_, &current_}) t->abandon();
        return;
    }
    ctx_.reset();
    destroyFramebuffer();
}

bool WindowRenderer::ensureFramebuffer(int w, int h) {
    if (fbo_ && w == width_ && h == height_) return true;
    if (!framebufferFunctionsLoaded()) return false;
    destroyFramebuffer();
    GLuint rb = 0, fb = 0;
    glGenRenderbuffersOES(1, &rb);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, rb);
    if (!context_->renderbufferStorageFromDrawable(ColorFormat::RGBA8, w, h)) {
        glDeleteRenderbuffersOES(1, &rb);
        return false;
    }
    glGenFramebuffersOES(1, &fb);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, fb);
    glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES, rb);
    if (glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES) {
        glDeleteFramebuffersOES(1, &fb);
        glDeleteRenderbuffersOES(1, &rb);
        return false;
    }
    fbo_ = fb;
    rb_ = rb;
    width_ = w;
    height_ = h;
    hasLast_ = false;  // a frame of another size cannot be animated from
    return true;
}

void WindowRenderer::destroyFramebuffer() {
    if (fbo_) {
        GLuint fb = fbo_;
        glDeleteFramebuffersOES(1, &fb);
    }
    if (rb_) {
        GLuint rb = rb_;
        glDeleteRenderbuffersOES(1, &rb);
    }
    fbo_ = rb_ = 0;
    width_ = height_ = 0;
}

void WindowRenderer::copyFrameInto(FrameTexture& t) {
    t.copyFromBoundFramebuffer(width_, height_);
}

bool WindowRenderer::render(Window& window) {
    if (!context_ || !context_->makeCurrent()) return false;
    const double started = window.now();
    const Rect b = window.bounds();
    const int w = std::max(1, static_cast<int>(std::lround(b.size.width * scale_)));
    const int h = std::max(1, static_cast<int>(std::lround(b.size.height * scale_)));
    if (!ensureFramebuffer(w, h)) return false;
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, fbo_);
    glDisable(GL_SCISSOR_TEST);

    window.layoutIfNeeded();
    if (window.activeTransition() != WindowTransition::None && window.transitionSerial() != seenSerial_) {
        // The frame on screen when the transition began is where it animates from: it is still
        // in the framebuffer, so only a transition pays for a copy.
        seenSerial_ = window.transitionSerial();
        hasOld_ = hasLast_;
        if (hasOld_) copyFrameInto(old_);
    }
    // Cleared before drawing, so a view may ask for its next frame while it draws.
    window.didDisplay();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ctx_->beginFrame(b.size, scale_, window.now());
    window.drawHierarchy(*ctx_);
    ctx_->endFrame();
    window.didDraw();

    if (window.activeTransition() != WindowTransition::None && hasOld_) {
        composeTransition(window, window.transitionProgress());
    }
    hasLast_ = true;
    const bool presented = context_->presentFramebuffer(fbo_);
    window.frameDrawn(window.now() - started);
    return presented;
}

bool WindowRenderer::presentAgain() {
    if (!fbo_ || !hasLast_ || !context_ || !context_->makeCurrent()) return false;
    return context_->presentFramebuffer(fbo_);
}

void WindowRenderer::drawFrame(const FrameTexture& t, float y0, float y1, float v0pts, float v1pts,
                               float shade) {
    const float W = static_cast<float>(width_) / scale_, H = static_cast<float>(height_) / scale_;
    const float u = t.maxS();
    const float vmax = t.maxT();
    // Frame rows are stored bottom first.
    const float va = (1 - v0pts / H) * vmax, vb = (1 - v1pts / H) * vmax;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, W, H, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat pos[8] = {0, y0, W, y0, 0, y1, W, y1};
    const GLfloat uv[8] = {0, va, u, va, 0, vb, u, vb};
    t.draw(pos, uv, shade);
}

void WindowRenderer::drawFlip(const FrameTexture& t, float angleDegrees) {
    const float W = static_cast<float>(width_) / scale_, H = static_cast<float>(height_) / scale_;
    const float D = 2 * std::max(W, H);
    const float nearZ = D / 2;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustumf(-W / 2 * nearZ / D, W / 2 * nearZ / D, -H / 2 * nearZ / D, H / 2 * nearZ / D, nearZ, D * 3);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -D);
    glRotatef(angleDegrees, 0, 1, 0);
    const float u = t.maxS();
    const float v = t.maxT();
    const GLfloat pos[8] = {-W / 2, -H / 2, W / 2, -H / 2, -W / 2, H / 2, W / 2, H / 2};
    const GLfloat uv[8] = {0, 0, u, 0, 0, v, u, v};
    // Turning away darkens the page a little.
    const float shade = 1.0f - 0.5f * std::fabs(std::sin(angleDegrees * 3.14159265f / 180.0f));
    t.draw(pos, uv, shade);
}

void WindowRenderer::composeTransition(Window& window, float p) {
    copyFrameInto(current_);
    glViewport(0, 0, width_, height_);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_BLEND);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const float H = static_cast<float>(height_) / scale_, W = static_cast<float>(width_) / scale_;
    const auto kind = window.activeTransition();
    if (kind == WindowTransition::FlipFromLeft || kind == WindowTransition::FlipFromRight) {
        const float dir = kind == WindowTransition::FlipFromLeft ? 1.0f : -1.0f;
        if (p < 0.5f)
            drawFlip(old_, dir * 180.0f * p);
        else
            drawFlip(current_, dir * (180.0f * p - 180.0f));
    } else {
        // Curl down: the new page comes down over the old; curl up: the old page goes up.
        const bool down = kind == WindowTransition::CurlDown;
        const FrameTexture& under = down ? old_ : current_;
        const FrameTexture& sheet = down ? current_ : old_;
        const float edge = (down ? p : 1 - p) * H;
        drawFrame(under, 0, H, 0, H, 1);
        drawFrame(sheet, 0, edge, 0, edge, 1);
        // The back of the curling page, narrowing as the curl completes.
        const float band = 36 * std::min(p, 1 - p) * 2;
        if (band > 0.5f) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            const GLfloat pos[8] = {0, edge, W, edge, 0, edge + band, W, edge + band};
            const GLfloat col[16] = {0.95f, 0.95f, 0.95f, 1,    0.95f, 0.95f, 0.95f, 1,
                                     0.55f, 0.55f, 0.55f, 0.9f, 0.55f, 0.55f, 0.55f, 0.9f};
            glEnableClientState(GL_COLOR_ARRAY);
            glVertexPointer(2, GL_FLOAT, 0, pos);
            glColorPointer(4, GL_FLOAT, 0, col);
            glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
            glDisableClientState(GL_COLOR_ARRAY);
        }
    }
    glEnable(GL_BLEND);
}

std::vector<std::uint8_t> WindowRenderer::readPixels(int& width, int& height) {
    width = height = 0;
    if (!fbo_ || !hasLast_ || !context_ || !context_->makeCurrent()) return {};
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, fbo_);
    width = width_;
    height = height_;
    return GLContext::readPixels(0, 0, width_, height_);
}

bool WindowRenderer::capturePng(const std::string& path, std::string* error) {
    int w = 0, h = 0;
    const auto rgba = readPixels(w, h);
    if (rgba.empty()) {
        if (error) *error = "no frame has been rendered";
        return false;
    }
    return writePng(path, rgba.data(), w, h, error);
}

}  // namespace platform::ui
