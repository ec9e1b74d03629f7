// The least a process that shows one frame does, as the baseline of the start-up and memory
// benchmarks: an OpenGL ES 1.1 context on Mesa's surfaceless EGL, one textured quad drawn into a
// 320 x 480 framebuffer, read back. It links nothing of the game.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES/gl.h>
#include <GLES/glext.h>

#include <cstdio>
#include <vector>

namespace {

template <typename Fn>
Fn proc(const char* name) {
    return reinterpret_cast<Fn>(eglGetProcAddress(name));
}

}  // namespace

int main() {
    auto getDisplay = proc<PFNEGLGETPLATFORMDISPLAYEXTPROC>("eglGetPlatformDisplayEXT");
    if (getDisplay == nullptr) return 1;
    EGLDisplay display = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || eglInitialize(display, nullptr, nullptr) != EGL_TRUE) return 1;
    const EGLint configAttributes[] = {
        EGL_RENDERABLE_TYPE, EGL_OPENGL_ES_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RED_SIZE, 1, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(display, configAttributes, &config, 1, &count) != EGL_TRUE || count < 1) return 1;
    eglBindAPI(EGL_OPENGL_ES_API);
    const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT ||
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) != EGL_TRUE)
        return 1;

    constexpr int kWidth = 320;
    constexpr int kHeight = 480;
    GLuint renderbuffer = 0;
    GLuint framebuffer = 0;
    proc<PFNGLGENRENDERBUFFERSOESPROC>("glGenRenderbuffersOES")(1, &renderbuffer);
    proc<PFNGLBINDRENDERBUFFEROESPROC>("glBindRenderbufferOES")(GL_RENDERBUFFER_OES, renderbuffer);
    proc<PFNGLRENDERBUFFERSTORAGEOESPROC>("glRenderbufferStorageOES")(GL_RENDERBUFFER_OES, GL_RGBA8_OES,
                                                                      kWidth, kHeight);
    proc<PFNGLGENFRAMEBUFFERSOESPROC>("glGenFramebuffersOES")(1, &framebuffer);
    proc<PFNGLBINDFRAMEBUFFEROESPROC>("glBindFramebufferOES")(GL_FRAMEBUFFER_OES, framebuffer);
    proc<PFNGLFRAMEBUFFERRENDERBUFFEROESPROC>("glFramebufferRenderbufferOES")(
        GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES, renderbuffer);
    glViewport(0, 0, kWidth, kHeight);

    std::vector<unsigned char> texels(64 * 64 * 4, 200);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    const GLfloat vertices[] = {-1, -1, 1, -1, -1, 1, 1, 1};
    const GLfloat uv[] = {0, 0, 1, 0, 0, 1, 1, 1};
    glVertexPointer(2, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, uv);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    std::vector<unsigned char> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    std::printf("%u\n", static_cast<unsigned>(pixels[pixels.size() / 2]));
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display, context);
    eglTerminate(display);
    return 0;
}
