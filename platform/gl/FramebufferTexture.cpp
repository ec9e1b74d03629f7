#include "platform/gl/FramebufferTexture.h"

#include <utility>

namespace platform::gl {

namespace {

int nextPowerOfTwo(int v) {
    int p = 1;
    while (p < v) p <<= 1;
    return p;
}

}  // namespace

FramebufferTexture::~FramebufferTexture() {
    if (texture_ != 0) glDeleteTextures(1, &texture_);
}

void FramebufferTexture::swap(FramebufferTexture& other) noexcept {
    std::swap(format_, other.format_);
    std::swap(type_, other.type_);
    std::swap(texture_, other.texture_);
    std::swap(potW_, other.potW_);
    std::swap(potH_, other.potH_);
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    std::swap(nearest_, other.nearest_);
}

bool FramebufferTexture::ensureSize(int width, int height) {
    const int pw = nextPowerOfTwo(width);
    const int ph = nextPowerOfTwo(height);
    if (texture_ != 0 && potW_ >= pw && potH_ >= ph) return true;
    if (texture_ == 0) glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    const GLint filter = nearest_ ? GL_NEAREST : GL_LINEAR;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format_), pw, ph, 0, format_, type_, nullptr);
    if (glGetError() != GL_NO_ERROR) return false;
    potW_ = pw;
    potH_ = ph;
    return true;
}

bool FramebufferTexture::copyFromBoundFramebuffer(int width, int height) {
    if (width <= 0 || height <= 0 || !ensureSize(width, height)) return false;
    glBindTexture(GL_TEXTURE_2D, texture_);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
    if (glGetError() != GL_NO_ERROR) return false;
    width_ = width;
    height_ = height;
    return true;
}

bool FramebufferTexture::copyFrom(GLuint framebuffer, int width, int height) {
    GLint previous = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &previous);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer);
    const bool ok = copyFromBoundFramebuffer(width, height);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(previous));
    return ok;
}

bool FramebufferTexture::upload(const unsigned char* pixels, int width, int height) {
    if (!pixels || width <= 0 || height <= 0 || !ensureSize(width, height)) return false;
    glBindTexture(GL_TEXTURE_2D, texture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format_, type_, pixels);
    if (glGetError() != GL_NO_ERROR) return false;
    width_ = width;
    height_ = height;
    return true;
}

void FramebufferTexture::setNearest(bool nearest) {
    if (nearest == nearest_) return;
    nearest_ = nearest;
    if (texture_ == 0) return;
    const GLint filter = nearest_ ? GL_NEAREST : GL_LINEAR;
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

void FramebufferTexture::draw(const GLfloat pos[8], float shade) const {
    const GLfloat s = maxS();
    const GLfloat t = maxT();
    const GLfloat uv[8] = {0, 0, s, 0, 0, t, s, t};
    draw(pos, uv, shade);
}

void FramebufferTexture::draw(const GLfloat pos[8], const GLfloat uv[8], float shade) const {
    if (texture_ == 0) return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(shade, shade, shade, 1);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, pos);
    glTexCoordPointer(2, GL_FLOAT, 0, uv);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}

}  // namespace platform::gl
