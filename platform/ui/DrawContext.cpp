#include "platform/ui/DrawContext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/gl/GL.h"
#include "platform/text/TextRasterizer.h"
#include "platform/ui/TextMeasure.h"

namespace platform::ui {

namespace {
// Frames a texture may go unused before it is deleted.
constexpr std::uint64_t kKeepFrames = 120;
constexpr std::size_t kMaxTextTextures = 512;

int nextPow2(int v) {
    int p = 1;
    while (p < v) p <<= 1;
    return p;
}

Rect intersect(const Rect& a, const Rect& b) {
    const float x0 = std::max(a.minX(), b.minX()), y0 = std::max(a.minY(), b.minY());
    const float x1 = std::min(a.maxX(), b.maxX()), y1 = std::min(a.maxY(), b.maxY());
    return {x0, y0, std::max(0.0f, x1 - x0), std::max(0.0f, y1 - y0)};
}
}  // namespace

DrawContext::DrawContext() = default;

DrawContext::~DrawContext() {
    for (auto& [k, e] : images_) release(e.tex);
    for (auto& [k, t] : texts_) release(t);
}

void DrawContext::beginFrame(Size size, float scale, double now) {
    size_ = size;
    scale_ = scale > 0 ? scale : 1;
    now_ = now;
    ++frame_;
    state_ = State{};
    applyState();
}

void DrawContext::applyState() {
    glViewport(0, 0, static_cast<GLsizei>(std::lround(size_.width * scale_)),
               static_cast<GLsizei>(std::lround(size_.height * scale_)));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, size_.width, size_.height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DITHER);
    glEnable(GL_BLEND);
    glEnableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    loadMatrix();
    applyClip();
}

void DrawContext::endFrame() {
    glDisable(GL_SCISSOR_TEST);
    for (auto it = images_.begin(); it != images_.end();) {
        if (it->second.image.expired() || frame_ - it->second.tex.lastFrame > kKeepFrames) {
            release(it->second.tex);
            it = images_.erase(it);
        } else {
            ++it;
        }
    }
    const bool crowded = texts_.size() > kMaxTextTextures;
    for (auto it = texts_.begin(); it != texts_.end();) {
        const std::uint64_t age = frame_ - it->second.lastFrame;
        if (age > kKeepFrames || (crowded && age > 0)) {
            release(it->second);
            it = texts_.erase(it);
        } else {
            ++it;
        }
    }
}

void DrawContext::restore(const State& state) {
    const bool clipChanged = state.clipping != state_.clipping || !(state.clip == state_.clip);
    const bool ctmChanged = !(state.ctm == state_.ctm);
    state_ = state;
    if (ctmChanged) loadMatrix();
    if (clipChanged) applyClip();
}

void DrawContext::concat(const AffineTransform& t) {
    state_.ctm = t.concat(state_.ctm);
    loadMatrix();
}

void DrawContext::loadMatrix() {
    const AffineTransform& m = state_.ctm;
    const GLfloat mat[16] = {m.a, m.b, 0, 0, m.c, m.d, 0, 0, 0, 0, 1, 0, m.tx, m.ty, 0, 1};
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(mat);
}

void DrawContext::clip(const Rect& r) {
    const Rect w = state_.ctm.apply(r);
    state_.clip = state_.clipping ? intersect(state_.clip, w) : w;
    state_.clipping = true;
    applyClip();
}

void DrawContext::applyClip() {
    if (!state_.clipping) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    const Rect& c = state_.clip;
    const float fbH = size_.height * scale_;
    const int x0 = static_cast<int>(std::floor(c.minX() * scale_));
    const int x1 = static_cast<int>(std::ceil(c.maxX() * scale_));
    const int yTop = static_cast<int>(std::floor(c.minY() * scale_));
    const int yBottom = static_cast<int>(std::ceil(c.maxY() * scale_));
    glEnable(GL_SCISSOR_TEST);
    glScissor(x0, static_cast<GLint>(fbH) - yBottom, std::max(0, x1 - x0), std::max(0, yBottom - yTop));
}

void DrawContext::fillRect(const Rect& r, Color color) {
    const float a = color.a * state_.alpha;
    if (a <= 0 || r.size.width <= 0 || r.size.height <= 0) return;
    const GLfloat v[8] = {r.minX(), r.minY(), r.maxX(), r.minY(), r.minX(), r.maxY(), r.maxX(), r.maxY()};
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(color.r, color.g, color.b, a);
    glVertexPointer(2, GL_FLOAT, 0, v);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void DrawContext::fillRoundedRect(const Rect& r, float radius, Color color) {
    const float a = color.a * state_.alpha;
    if (a <= 0 || r.size.width <= 0 || r.size.height <= 0) return;
    radius = std::clamp(radius, 0.0f, std::min(r.size.width, r.size.height) / 2);
    if (radius < 0.5f) {
        fillRect(r, color);
        return;
    }
    // A fan from the centre around the four corner arcs.
    constexpr int kSegments = 8;
    std::vector<GLfloat> v{r.midX(), r.midY()};
    const float cx[4] = {r.maxX() - radius, r.minX() + radius, r.minX() + radius, r.maxX() - radius};
    const float cy[4] = {r.maxY() - radius, r.maxY() - radius, r.minY() + radius, r.minY() + radius};
    constexpr float kHalfPi = 1.57079632679f;
    for (int corner = 0; corner < 4; ++corner) {
        for (int i = 0; i <= kSegments; ++i) {
            const float ang = kHalfPi * (static_cast<float>(corner) + static_cast<float>(i) / kSegments);
            v.push_back(cx[corner] + radius * std::cos(ang));
            v.push_back(cy[corner] + radius * std::sin(ang));
        }
    }
    v.push_back(v[2]);
    v.push_back(v[3]);
    glDisable(GL_TEXTURE_2D);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(color.r, color.g, color.b, a);
    glVertexPointer(2, GL_FLOAT, 0, v.data());
    glDrawArrays(GL_TRIANGLE_FAN, 0, static_cast<GLsizei>(v.size() / 2));
}

DrawContext::Texture DrawContext::upload(const std::uint8_t* pixels, int width, int height, bool alphaOnly) {
    Texture t;
    t.width = width;
    t.height = height;
    t.potWidth = nextPow2(width);
    t.potHeight = nextPow2(height);
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (t.potWidth > maxSize || t.potHeight > maxSize) return Texture{};
    const GLenum format = alphaOnly ? GL_ALPHA : GL_RGBA;
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), t.potWidth, t.potHeight, 0, format,
                 GL_UNSIGNED_BYTE, nullptr);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, pixels);
    t.id = id;
    return t;
}

void DrawContext::release(Texture& tex) {
    if (tex.id) {
        GLuint id = tex.id;
        glDeleteTextures(1, &id);
    }
    tex.id = 0;
}

void DrawContext::drawTexturedQuad(const Texture& tex, const Rect& dst, Color tint) {
    const float a = tint.a * state_.alpha;
    if (!tex.id || a <= 0) return;
    const float u = static_cast<float>(tex.width) / static_cast<float>(tex.potWidth);
    const float v = static_cast<float>(tex.height) / static_cast<float>(tex.potHeight);
    const GLfloat pos[8] = {dst.minX(), dst.minY(), dst.maxX(), dst.minY(),
                            dst.minX(), dst.maxY(), dst.maxX(), dst.maxY()};
    const GLfloat uv[8] = {0, 0, u, 0, 0, v, u, v};
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, tex.id);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    if (tex.premultiplied) {
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(a, a, a, a);
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(tint.r, tint.g, tint.b, a);
    }
    glVertexPointer(2, GL_FLOAT, 0, pos);
    glTexCoordPointer(2, GL_FLOAT, 0, uv);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}

void DrawContext::drawImage(const std::shared_ptr<const Image>& image, const Rect& dst) {
    if (!image || !image->hasBitmap()) return;
    auto it = images_.find(image.get());
    if (it != images_.end() && it->second.image.lock() != image) {
        // Another image now lives at the address of a dead one.
        release(it->second.tex);
        images_.erase(it);
        it = images_.end();
    }
    if (it == images_.end()) {
        const bool alphaOnly = image->content == Image::Content::AlphaOnly;
        Texture t = upload(image->pixels.data(), image->width, image->height, alphaOnly);
        t.premultiplied = !alphaOnly;
        it = images_.emplace(image.get(), ImageEntry{image, t}).first;
    }
    it->second.tex.lastFrame = frame_;
    drawTexturedQuad(it->second.tex, dst, Color::white());
}

void DrawContext::drawText(const std::string& text, const TextStyle& style, const Rect& r, Color color,
                           bool centerVertically) {
    if (text.empty() || r.size.width <= 0 || r.size.height <= 0 || color.a * state_.alpha <= 0) return;
    const bool oneLine = style.maxLines == 1;
    Font font = style.font;
    if (oneLine) font.size = fitLine(text, style.font, r.size.width, scale_).fontSize;
    platform::TextStyle raster = rasterStyle(font, style.alignment, scale_);
    raster.singleLine = oneLine;
    auto& rasterizer = TextRasterizer::forThisThread();
    const float boxW = std::ceil(r.size.width * scale_);
    // The text's own height (wrapped at the box width), bounded by the line limit and the box.
    float textH = rasterizer.measure(text, style.maxLines == 1 ? 0 : boxW, raster).height;
    if (style.maxLines > 0) {
        const float line = rasterizer.measure("Xg", 0, raster).height;
        textH = std::min(textH, line * static_cast<float>(style.maxLines));
    }
    const float boxH = std::min(std::ceil(textH), std::ceil(r.size.height * scale_));
    if (boxH <= 0) return;
    const int w = static_cast<int>(boxW), h = static_cast<int>(boxH);
    char prefix[96];
    std::snprintf(prefix, sizeof prefix, "%d|%d|%d|%d|%d|%g|", w, h, static_cast<int>(style.alignment),
                  style.font.bold ? 1 : 0, oneLine ? 1 : 0, static_cast<double>(raster.fontSizePixels));
    const std::string key = prefix + text;
    auto it = texts_.find(key);
    if (it == texts_.end()) {
        const auto coverage = rasterizer.render(text, w, h, Size{boxW, boxH}, raster);
        if (coverage.empty()) return;
        Texture t = upload(coverage.data(), w, h, true);
        it = texts_.emplace(key, t).first;
    }
    it->second.lastFrame = frame_;
    const float drawH = boxH / scale_;
    const float y = centerVertically ? r.minY() + (r.size.height - drawH) / 2 : r.minY();
    drawTexturedQuad(it->second, {r.minX(), y, boxW / scale_, drawH}, color);
}

DrawContext::RawGL::RawGL(DrawContext& ctx, const Rect& localBounds) : ctx_(ctx) {
    const Rect w = ctx.state_.ctm.apply(localBounds);
    const float s = ctx.scale_;
    x_ = static_cast<int>(std::lround(w.minX() * s));
    w_ = static_cast<int>(std::lround(w.size.width * s));
    h_ = static_cast<int>(std::lround(w.size.height * s));
    y_ = static_cast<int>(std::lround(ctx.size_.height * s)) - static_cast<int>(std::lround(w.maxY() * s));
    glViewport(x_, y_, w_, h_);
    glEnable(GL_SCISSOR_TEST);
    glScissor(x_, y_, w_, h_);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

DrawContext::RawGL::~RawGL() {
    ctx_.applyState();
}

}  // namespace platform::ui
