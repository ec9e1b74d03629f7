#include "platform/ui/ViewSnapshot.h"

#include <algorithm>
#include <cmath>

#include "platform/gl/GL.h"
#include "platform/gl/GLContext.h"
#include "platform/ui/DrawContext.h"
#include "platform/ui/View.h"

namespace platform::ui {

std::optional<Image> snapshotView(View& view, float scale) {
    using namespace platform::gl;
    if (!GLContext::current() || !(scale > 0)) return std::nullopt;
    const Rect bounds = view.bounds();
    const int width = std::max(1, static_cast<int>(std::lround(bounds.size.width * scale)));
    const int height = std::max(1, static_cast<int>(std::lround(bounds.size.height * scale)));
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &previous);
    GLuint fbo = 0, rb = 0;
    glGenFramebuffersOES(1, &fbo);
    glGenRenderbuffersOES(1, &rb);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, rb);
    glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width, height);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, fbo);
    glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES, rb);
    std::optional<Image> image;
    if (glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) == GL_FRAMEBUFFER_COMPLETE_OES) {
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        DrawContext ctx;
        ctx.beginFrame(bounds.size, scale, 0);
        // Undo the view's place in its parent: its bounds' origin lands on the picture's origin.
        const Rect frame = view.frame();
        ctx.concat(AffineTransform::translation(-frame.minX(), -frame.minY()));
        view.drawHierarchy(ctx);
        ctx.endFrame();
        Image out;
        out.width = width;
        out.height = height;
        out.content = Image::Content::RGBAPremultiplied;
        out.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out.pixels.data());
        // GL rows come bottom first.
        const size_t row = static_cast<size_t>(width) * 4;
        for (int y = 0; y < height / 2; ++y) {
            std::swap_ranges(out.pixels.begin() + static_cast<long>(y * row),
                             out.pixels.begin() + static_cast<long>((y + 1) * row),
                             out.pixels.begin() + static_cast<long>((height - 1 - y) * row));
        }
        image = std::move(out);
    }
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(previous));
    glDeleteFramebuffersOES(1, &fbo);
    glDeleteRenderbuffersOES(1, &rb);
    return image;
}

}  // namespace platform::ui
