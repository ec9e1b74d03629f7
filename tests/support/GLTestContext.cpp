#include "GLTestContext.h"

namespace gl = platform::gl;

GLTestContext::GLTestContext(int width, int height) : width_(width), height_(height) {
    context_ = platform::GLContext::createHeadless(&error_);
    if (!context_) return;
    if (!context_->makeCurrent()) {
        error_ = "cannot make the headless context current";
        return;
    }
    gl::glGenRenderbuffersOES(1, &renderbuffer_);
    gl::glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer_);
    gl::glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width, height);
    gl::glGenFramebuffersOES(1, &framebuffer_);
    gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
    gl::glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                     renderbuffer_);
    if (gl::glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES) {
        error_ = "test framebuffer is incomplete";
        return;
    }
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, static_cast<GLfloat>(width), 0, static_cast<GLfloat>(height), -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DITHER);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor4f(1, 1, 1, 1);
    clear(0, 0, 0, 1);
    ok_ = true;
}

GLTestContext::~GLTestContext() {
    if (!context_) return;
    if (context_->makeCurrent()) {
        if (framebuffer_ != 0) gl::glDeleteFramebuffersOES(1, &framebuffer_);
        if (renderbuffer_ != 0) gl::glDeleteRenderbuffersOES(1, &renderbuffer_);
    }
    platform::GLContext::clearCurrent();
}

void GLTestContext::bind() {
    context_->makeCurrent();
    gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
    glViewport(0, 0, width_, height_);
}

void GLTestContext::clear(float r, float g, float b, float a) {
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT);
}

std::vector<std::uint8_t> GLTestContext::readPixels() {
    bind();
    return platform::GLContext::readPixels(0, 0, width_, height_);
}

std::array<std::uint8_t, 4> GLTestContext::pixel(int x, int y) {
    bind();
    const auto one = platform::GLContext::readPixels(x, height_ - 1 - y, 1, 1);
    if (one.size() != 4) return {0, 0, 0, 0};
    return {one[0], one[1], one[2], one[3]};
}
