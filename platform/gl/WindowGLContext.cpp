#include "platform/gl/WindowGLContext.h"

#include <EGL/egl.h>
#include <SDL.h>

#include <array>
#include <cstring>
#include <utility>

#include "platform/gl/GL.h"
#include "platform/window/Window.h"

namespace platform {

namespace {

void* sdlLoader(const char* name) {
    return SDL_GL_GetProcAddress(name);
}

// Everything presenting touches, put back afterwards so the frame loop's state survives.
class SavedState {
  public:
    SavedState() {
        glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &framebuffer_);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture_);
        glGetIntegerv(GL_CLIENT_ACTIVE_TEXTURE, &clientActiveTexture_);
        glActiveTexture(GL_TEXTURE0);
        glClientActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode_);
        glGetIntegerv(GL_VIEWPORT, viewport_.data());
        glGetFloatv(GL_CURRENT_COLOR, color_.data());
        for (size_t i = 0; i < kCaps.size(); ++i) caps_[i] = glIsEnabled(kCaps[i]);
        for (size_t i = 0; i < kArrays.size(); ++i) arrays_[i] = glIsEnabled(kArrays[i]);
        glGetIntegerv(GL_VERTEX_ARRAY_SIZE, &vertexSize_);
        glGetIntegerv(GL_VERTEX_ARRAY_TYPE, &vertexType_);
        glGetIntegerv(GL_VERTEX_ARRAY_STRIDE, &vertexStride_);
        glGetPointerv(GL_VERTEX_ARRAY_POINTER, &vertexPointer_);
        glGetIntegerv(GL_TEXTURE_COORD_ARRAY_SIZE, &texSize_);
        glGetIntegerv(GL_TEXTURE_COORD_ARRAY_TYPE, &texType_);
        glGetIntegerv(GL_TEXTURE_COORD_ARRAY_STRIDE, &texStride_);
        glGetPointerv(GL_TEXTURE_COORD_ARRAY_POINTER, &texPointer_);
        glGetIntegerv(GL_MATRIX_MODE, &matrixMode_);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
    }

    ~SavedState() {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glMatrixMode(static_cast<GLenum>(matrixMode_));
        glVertexPointer(vertexSize_, static_cast<GLenum>(vertexType_), vertexStride_, vertexPointer_);
        glTexCoordPointer(texSize_, static_cast<GLenum>(texType_), texStride_, texPointer_);
        for (size_t i = 0; i < kArrays.size(); ++i) {
            arrays_[i] ? glEnableClientState(kArrays[i]) : glDisableClientState(kArrays[i]);
        }
        for (size_t i = 0; i < kCaps.size(); ++i) caps_[i] ? glEnable(kCaps[i]) : glDisable(kCaps[i]);
        glColor4f(color_[0], color_[1], color_[2], color_[3]);
        glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, envMode_);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture_));
        glClientActiveTexture(static_cast<GLenum>(clientActiveTexture_));
        glActiveTexture(static_cast<GLenum>(activeTexture_));
        gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(framebuffer_));
    }

    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

  private:
    static constexpr std::array<GLenum, 10> kCaps = {
        GL_BLEND,    GL_SCISSOR_TEST, GL_ALPHA_TEST, GL_DEPTH_TEST,     GL_CULL_FACE,
        GL_LIGHTING, GL_FOG,          GL_TEXTURE_2D, GL_COLOR_LOGIC_OP, GL_STENCIL_TEST};
    static constexpr std::array<GLenum, 4> kArrays = {GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_COLOR_ARRAY,
                                                      GL_NORMAL_ARRAY};
    GLint framebuffer_ = 0;
    GLint activeTexture_ = GL_TEXTURE0;
    GLint clientActiveTexture_ = GL_TEXTURE0;
    GLint texture_ = 0;
    GLint envMode_ = GL_MODULATE;
    std::array<GLint, 4> viewport_{};
    std::array<GLfloat, 4> color_{};
    std::array<GLboolean, kCaps.size()> caps_{};
    std::array<GLboolean, kArrays.size()> arrays_{};
    GLint vertexSize_ = 4, vertexType_ = GL_FLOAT, vertexStride_ = 0;
    GLint texSize_ = 4, texType_ = GL_FLOAT, texStride_ = 0;
    void* vertexPointer_ = nullptr;
    void* texPointer_ = nullptr;
    GLint matrixMode_ = GL_MODELVIEW;
};

}  // namespace

std::shared_ptr<WindowGLContext> WindowGLContext::create(Window& window, std::string* error) {
    auto* sdlWindow = static_cast<SDL_Window*>(window.nativeHandle());
    SDL_GLContext context = SDL_GL_CreateContext(sdlWindow);
    if (context == nullptr) {
        if (error != nullptr)
            *error = std::string("cannot create an OpenGL ES 1.1 context: ") + SDL_GetError();
        return nullptr;
    }
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version == nullptr || std::strncmp(version, "OpenGL ES-CM 1.", 15) != 0) {
        if (error != nullptr)
            *error = std::string("not an OpenGL ES 1.x context: ") + (version ? version : "?");
        SDL_GL_DeleteContext(context);
        return nullptr;
    }
    if (!gl::loadFramebufferFunctions(&sdlLoader)) {
        if (error != nullptr) *error = "the driver lacks the OES framebuffer-object entry points";
        SDL_GL_DeleteContext(context);
        return nullptr;
    }
    const bool viaEgl = eglGetCurrentContext() == static_cast<EGLContext>(context);
    // Present at the display's pace when it allows; a failure just means no vsync.
    SDL_GL_SetSwapInterval(1);
    auto created = std::shared_ptr<WindowGLContext>(new WindowGLContext(sdlWindow, context, viaEgl));
    noteCurrent(created.get());
    return created;
}

WindowGLContext::~WindowGLContext() {
    // The copy's texture belongs to this context: free it while the context is still there.
    if (presentCopy_ && makeCurrent()) presentCopy_.reset();
    if (isCurrent()) {
        releaseCurrent();
        noteReleased(this);
    }
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
}

bool WindowGLContext::makeCurrent() {
    auto* window = static_cast<SDL_Window*>(window_);
    // SDL skips the call when it believes the context is current already, which is stale after
    // another context (the headless one) was made current behind its back.
    if (!isCurrent() && SDL_GL_GetCurrentContext() == context_) SDL_GL_MakeCurrent(window, nullptr);
    if (SDL_GL_MakeCurrent(window, static_cast<SDL_GLContext>(context_)) != 0) return false;
    noteCurrent(this);
    return true;
}

bool WindowGLContext::isCurrent() const {
    if (viaEgl_) return eglGetCurrentContext() == static_cast<EGLContext>(context_);
    return SDL_GL_GetCurrentContext() == context_;
}

bool WindowGLContext::releaseCurrent() {
    return SDL_GL_MakeCurrent(static_cast<SDL_Window*>(window_), nullptr) == 0;
}

bool WindowGLContext::renderbufferStorageFromDrawable(ColorFormat format, int width, int height) {
    return isCurrent() && allocateBoundRenderbuffer(format, width, height);
}

bool WindowGLContext::presentFramebuffer(unsigned framebuffer) {
    if (!isCurrent() || framebuffer == 0) return false;
    while (glGetError() != GL_NO_ERROR) {
    }
    bool ok = true;
    {
        SavedState saved;
        gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer);
        // Each framebuffer is shown at its own size: the window's view tree and a game view
        // drawing at another resolution both get storage from this context.
        int width = 0;
        int height = 0;
        ok = colourSizeOfBoundFramebuffer(width, height);
        if (ok) {
            if (!presentCopy_) presentCopy_ = std::make_unique<gl::FramebufferTexture>(GL_RGBA);
            ok = presentCopy_->copyFromBoundFramebuffer(width, height);
        }
        if (ok) {
            drawPresentCopy();
            ok = glGetError() == GL_NO_ERROR;
            SDL_GL_SwapWindow(static_cast<SDL_Window*>(window_));
        }
    }
    if (ok) countPresentedFrame();
    return ok;
}

std::vector<std::uint8_t> WindowGLContext::readPresentedFrame(int& width, int& height) {
    width = height = 0;
    if (!presentCopy_ || presentCopy_->empty() || !makeCurrent()) return {};
    std::vector<std::uint8_t> pixels;
    {
        SavedState saved;
        // The last frame presented, drawn again into the back buffer exactly as presenting drew
        // it, and read before any swap: what the window shows, without asking the desktop.
        drawPresentCopy();
        SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(window_), &width, &height);
        pixels = readPixels(0, 0, width, height);
    }
    if (pixels.empty()) width = height = 0;
    return pixels;
}

bool WindowGLContext::colourSizeOfBoundFramebuffer(int& width, int& height) {
    GLint type = 0;
    GLint name = 0;
    gl::glGetFramebufferAttachmentParameterivOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES,
                                                 GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_OES, &type);
    if (type != GL_RENDERBUFFER_OES) return false;
    gl::glGetFramebufferAttachmentParameterivOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES,
                                                 GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_OES, &name);
    GLint previous = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &previous);
    gl::glBindRenderbufferOES(GL_RENDERBUFFER_OES, static_cast<GLuint>(name));
    gl::glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &width);
    gl::glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &height);
    gl::glBindRenderbufferOES(GL_RENDERBUFFER_OES, static_cast<GLuint>(previous));
    return width > 0 && height > 0;
}

void WindowGLContext::drawPresentCopy() {
    gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
    int drawableW = 0;
    int drawableH = 0;
    SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(window_), &drawableW, &drawableH);
    glViewport(0, 0, drawableW, drawableH);
    for (GLenum cap : {GL_BLEND, GL_SCISSOR_TEST, GL_ALPHA_TEST, GL_DEPTH_TEST, GL_CULL_FACE, GL_LIGHTING,
                       GL_FOG, GL_COLOR_LOGIC_OP, GL_STENCIL_TEST}) {
        glDisable(cap);
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    // Texture row 0 is the framebuffer's bottom row, so it goes to the window's bottom.
    const GLfloat vertices[] = {-1, -1, 1, -1, -1, 1, 1, 1};
    presentCopy_->draw(vertices);
}

}  // namespace platform
