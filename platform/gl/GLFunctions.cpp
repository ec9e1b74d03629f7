#include "platform/gl/GL.h"

#include <mutex>

namespace platform::gl {

PFNGLGENFRAMEBUFFERSOESPROC glGenFramebuffersOES = nullptr;
PFNGLDELETEFRAMEBUFFERSOESPROC glDeleteFramebuffersOES = nullptr;
PFNGLBINDFRAMEBUFFEROESPROC glBindFramebufferOES = nullptr;
PFNGLGENRENDERBUFFERSOESPROC glGenRenderbuffersOES = nullptr;
PFNGLDELETERENDERBUFFERSOESPROC glDeleteRenderbuffersOES = nullptr;
PFNGLBINDRENDERBUFFEROESPROC glBindRenderbufferOES = nullptr;
PFNGLRENDERBUFFERSTORAGEOESPROC glRenderbufferStorageOES = nullptr;
PFNGLFRAMEBUFFERRENDERBUFFEROESPROC glFramebufferRenderbufferOES = nullptr;
PFNGLFRAMEBUFFERTEXTURE2DOESPROC glFramebufferTexture2DOES = nullptr;
PFNGLCHECKFRAMEBUFFERSTATUSOESPROC glCheckFramebufferStatusOES = nullptr;
PFNGLGETRENDERBUFFERPARAMETERIVOESPROC glGetRenderbufferParameterivOES = nullptr;
PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVOESPROC glGetFramebufferAttachmentParameterivOES = nullptr;
PFNGLISFRAMEBUFFEROESPROC glIsFramebufferOES = nullptr;
PFNGLISRENDERBUFFEROESPROC glIsRenderbufferOES = nullptr;

namespace {

std::mutex loadMutex;
bool attempted = false;
bool loaded = false;

template <typename Fn>
bool resolve(ProcLoader loader, const char* name, Fn& out) {
    out = reinterpret_cast<Fn>(loader(name));
    return out != nullptr;
}

}  // namespace

bool loadFramebufferFunctions(ProcLoader loader) {
    std::lock_guard<std::mutex> lock(loadMutex);
    if (attempted || loader == nullptr) return loaded;
    attempted = true;
    bool ok = true;
    ok &= resolve(loader, "glGenFramebuffersOES", glGenFramebuffersOES);
    ok &= resolve(loader, "glDeleteFramebuffersOES", glDeleteFramebuffersOES);
    ok &= resolve(loader, "glBindFramebufferOES", glBindFramebufferOES);
    ok &= resolve(loader, "glGenRenderbuffersOES", glGenRenderbuffersOES);
    ok &= resolve(loader, "glDeleteRenderbuffersOES", glDeleteRenderbuffersOES);
    ok &= resolve(loader, "glBindRenderbufferOES", glBindRenderbufferOES);
    ok &= resolve(loader, "glRenderbufferStorageOES", glRenderbufferStorageOES);
    ok &= resolve(loader, "glFramebufferRenderbufferOES", glFramebufferRenderbufferOES);
    ok &= resolve(loader, "glFramebufferTexture2DOES", glFramebufferTexture2DOES);
    ok &= resolve(loader, "glCheckFramebufferStatusOES", glCheckFramebufferStatusOES);
    ok &= resolve(loader, "glGetRenderbufferParameterivOES", glGetRenderbufferParameterivOES);
    ok &=
        resolve(loader, "glGetFramebufferAttachmentParameterivOES", glGetFramebufferAttachmentParameterivOES);
    ok &= resolve(loader, "glIsFramebufferOES", glIsFramebufferOES);
    ok &= resolve(loader, "glIsRenderbufferOES", glIsRenderbufferOES);
    if (!ok) {
        // Half a set is worse than none: callers test one pointer and would call a null one.
        glGenFramebuffersOES = nullptr;
        glDeleteFramebuffersOES = nullptr;
        glBindFramebufferOES = nullptr;
        glGenRenderbuffersOES = nullptr;
        glDeleteRenderbuffersOES = nullptr;
        glBindRenderbufferOES = nullptr;
        glRenderbufferStorageOES = nullptr;
        glFramebufferRenderbufferOES = nullptr;
        glFramebufferTexture2DOES = nullptr;
        glCheckFramebufferStatusOES = nullptr;
        glGetRenderbufferParameterivOES = nullptr;
        glGetFramebufferAttachmentParameterivOES = nullptr;
        glIsFramebufferOES = nullptr;
        glIsRenderbufferOES = nullptr;
    }
    loaded = ok;
    return loaded;
}

bool framebufferFunctionsLoaded() {
    std::lock_guard<std::mutex> lock(loadMutex);
    return loaded;
}

}  // namespace platform::gl
