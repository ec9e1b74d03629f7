#include "platform/gl/HeadlessGLContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/gl/GL.h"

namespace platform {

namespace {

void* eglLoader(const char* name) {
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

bool hasExtension(const char* list, const char* name) {
    if (list == nullptr) return false;
    const size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p != nullptr; p = std::strstr(p + 1, name)) {
        const bool startOk = p == list || p[-1] == ' ';
        const bool endOk = p[length] == '\0' || p[length] == ' ';
        if (startOk && endOk) return true;
    }
    return false;
}

// One display for the whole process: eglTerminate would pull it from under every live context.
EGLDisplay surfacelessDisplay(std::string* error) {
    static std::once_flag once;
    static EGLDisplay display = EGL_NO_DISPLAY;
    static std::string failure;
    std::call_once(once, [] {
        const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (!hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
            failure = "EGL has no surfaceless platform (EGL_MESA_platform_surfaceless)";
            return;
        }
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay == nullptr) {
            failure = "eglGetPlatformDisplayEXT is unavailable";
            return;
        }
        EGLDisplay candidate =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (candidate == EGL_NO_DISPLAY) {
            failure = "no surfaceless EGL display";
            return;
        }
        // The web engine, started later in the process, probes its DMA-BUF renderer on this same
        // display (EGL keeps one per platform) and terminates it afterwards, taking every context
        // on it along. Its other renderer leaves the display alone; the engine reads this once,
        // when it starts.
        ::setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", 1);
        EGLint major = 0;
        EGLint minor = 0;
        if (eglInitialize(candidate, &major, &minor) != EGL_TRUE) {
            failure = "eglInitialize failed on the surfaceless display";
            return;
        }
        display = candidate;
    });
    if (display == EGL_NO_DISPLAY && error != nullptr) *error = failure;
    return display;
}

}  // namespace

std::shared_ptr<HeadlessGLContext> HeadlessGLContext::create(std::string* error) {
    EGLDisplay display = surfacelessDisplay(error);
    if (display == EGL_NO_DISPLAY) return nullptr;
    if (!hasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context")) {
        if (error != nullptr) *error = "EGL display cannot make a context current without a surface";
        return nullptr;
    }
    const EGLint configAttributes[] = {
        EGL_RENDERABLE_TYPE, EGL_OPENGL_ES_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RED_SIZE, 1, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(display, configAttributes, &config, 1, &count) != EGL_TRUE || count < 1) {
        if (error != nullptr) *error = "no EGL configuration for OpenGL ES 1.x";
        return nullptr;
    }
    // The API binding is per thread: bind it here, where the context is made.
    if (eglBindAPI(EGL_OPENGL_ES_API) != EGL_TRUE) {
        if (error != nullptr) *error = "EGL cannot bind the OpenGL ES API";
        return nullptr;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        if (error != nullptr) *error = "eglCreateContext failed for OpenGL ES 1.1";
        return nullptr;
    }
    if (!gl::loadFramebufferFunctions(&eglLoader)) {
        eglDestroyContext(display, context);
        if (error != nullptr) *error = "the driver lacks the OES framebuffer-object entry points";
        return nullptr;
    }
    return std::shared_ptr<HeadlessGLContext>(new HeadlessGLContext(display, context));
}

HeadlessGLContext::~HeadlessGLContext() {
    if (isCurrent()) {
        releaseCurrent();
        noteReleased(this);
    }
    eglDestroyContext(static_cast<EGLDisplay>(display_), static_cast<EGLContext>(context_));
}

bool HeadlessGLContext::makeCurrent() {
    eglBindAPI(EGL_OPENGL_ES_API);
    if (eglMakeCurrent(static_cast<EGLDisplay>(display_), EGL_NO_SURFACE, EGL_NO_SURFACE,
                       static_cast<EGLContext>(context_)) != EGL_TRUE) {
        return false;
    }
    noteCurrent(this);
    return true;
}

bool HeadlessGLContext::isCurrent() const {
    return eglGetCurrentContext() == static_cast<EGLContext>(context_);
}

bool HeadlessGLContext::releaseCurrent() {
    return eglMakeCurrent(static_cast<EGLDisplay>(display_), EGL_NO_SURFACE, EGL_NO_SURFACE,
                          EGL_NO_CONTEXT) == EGL_TRUE;
}

bool HeadlessGLContext::renderbufferStorageFromDrawable(ColorFormat format, int width, int height) {
    if (!isCurrent()) return false;
    return allocateBoundRenderbuffer(format, width, height);
}

bool HeadlessGLContext::presentFramebuffer(unsigned framebuffer) {
    // Framebuffer 0 is no view's: there is nothing behind it to present.
    if (!isCurrent() || framebuffer == 0) return false;
    // Nothing to show it on: the frame stays in the framebuffer for whoever reads it back.
    glFlush();
    countPresentedFrame();
    return true;
}

}  // namespace platform
