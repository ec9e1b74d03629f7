#pragma once
// OpenGL ES 1.1 for the whole program. The framebuffer-object extension is not exported by the
// GLES 1 library, so its entry points live here as pointers, filled once per process from the
// loader of whichever context comes up first (EGL or SDL; both hand out the same dispatch stubs).

#include <GLES/gl.h>
#include <GLES/glext.h>

namespace platform::gl {

extern PFNGLGENFRAMEBUFFERSOESPROC glGenFramebuffersOES;
extern PFNGLDELETEFRAMEBUFFERSOESPROC glDeleteFramebuffersOES;
extern PFNGLBINDFRAMEBUFFEROESPROC glBindFramebufferOES;
extern PFNGLGENRENDERBUFFERSOESPROC glGenRenderbuffersOES;
extern PFNGLDELETERENDERBUFFERSOESPROC glDeleteRenderbuffersOES;
extern PFNGLBINDRENDERBUFFEROESPROC glBindRenderbufferOES;
extern PFNGLRENDERBUFFERSTORAGEOESPROC glRenderbufferStorageOES;
extern PFNGLFRAMEBUFFERRENDERBUFFEROESPROC glFramebufferRenderbufferOES;
extern PFNGLFRAMEBUFFERTEXTURE2DOESPROC glFramebufferTexture2DOES;
extern PFNGLCHECKFRAMEBUFFERSTATUSOESPROC glCheckFramebufferStatusOES;
extern PFNGLGETRENDERBUFFERPARAMETERIVOESPROC glGetRenderbufferParameterivOES;
extern PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVOESPROC glGetFramebufferAttachmentParameterivOES;
extern PFNGLISFRAMEBUFFEROESPROC glIsFramebufferOES;
extern PFNGLISRENDERBUFFEROESPROC glIsRenderbufferOES;

using ProcLoader = void* (*)(const char* name);

// Fills the pointers above through `loader` the first time it is called; later calls return the
// first outcome. False when an entry point is missing (the pointers then stay null).
bool loadFramebufferFunctions(ProcLoader loader);

// True once every framebuffer entry point has been loaded.
bool framebufferFunctionsLoaded();

}  // namespace platform::gl
