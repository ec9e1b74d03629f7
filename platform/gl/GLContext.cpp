#include "platform/gl/GLContext.h"

#include <cstring>

#include "platform/gl/GL.h"

namespace platform {

namespace {
thread_local GLContext* currentContext = nullptr;
}

GLContext::~GLContext() {
    if (currentContext == this) currentContext = nullptr;
}

GLContext* GLContext::current() {
    if (currentContext != nullptr && !currentContext->isCurrent()) currentContext = nullptr;
    return currentContext;
}

bool GLContext::clearCurrent() {
    GLContext* context = current();
    if (context == nullptr) return true;
    if (!context->releaseCurrent()) return false;
    currentContext = nullptr;
    return true;
}

void GLContext::noteCurrent(GLContext* context) {
    currentContext = context;
}

void GLContext::noteReleased(const GLContext* context) {
    if (currentContext == context) currentContext = nullptr;
}

bool GLContext::allocateBoundRenderbuffer(ColorFormat format, int width, int height) {
    if (!gl::framebufferFunctionsLoaded() || width <= 0 || height <= 0) return false;
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_OES, &maxSize);
    if (width > maxSize || height > maxSize) return false;
    while (glGetError() != GL_NO_ERROR) {
    }
    const GLenum internalFormat = format == ColorFormat::RGB565 ? GL_RGB565_OES : GL_RGBA8_OES;
    gl::glRenderbufferStorageOES(GL_RENDERBUFFER_OES, internalFormat, width, height);
    return glGetError() == GL_NO_ERROR;
}

std::string GLContext::versionString() {
    if (current() == nullptr) return {};
    const GLubyte* version = glGetString(GL_VERSION);
    return version != nullptr ? reinterpret_cast<const char*>(version) : std::string();
}

std::vector<std::uint8_t> GLContext::readPixels(int x, int y, int width, int height) {
    if (width <= 0 || height <= 0 || current() == nullptr) return {};
    const size_t row = static_cast<size_t>(width) * 4;
    std::vector<std::uint8_t> bottomUp(row * static_cast<size_t>(height));
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    // GL rows start at the bottom; callers (PNG files, tests) want the top row first.
    std::vector<std::uint8_t> topDown(bottomUp.size());
    for (int r = 0; r < height; ++r) {
        std::memcpy(topDown.data() + static_cast<size_t>(r) * row,
                    bottomUp.data() + static_cast<size_t>(height - 1 - r) * row, row);
    }
    return topDown;
}

}  // namespace platform
