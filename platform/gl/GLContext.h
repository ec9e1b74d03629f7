#pragma once
// A rendering context and the drawable it presents to: what the view layer needs of the phone's
// context object plus its layer. Two kinds exist (headless EGL, SDL window); code above this
// layer only ever sees this interface.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class Window;

// Colour layouts a view's drawable can ask for.
enum class ColorFormat { RGB565, RGBA8 };

class GLContext {
  public:
    virtual ~GLContext();
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;

    // An OpenGL ES 1.1 context on Mesa's surfaceless platform; needs no display. Null with a
    // reason in `error` when EGL or the driver is unavailable.
    static std::shared_ptr<GLContext> createHeadless(std::string* error = nullptr);
    // An OpenGL ES 1.1 context for `window`, presenting onto it. The window must outlive it.
    static std::shared_ptr<GLContext> createForWindow(Window& window, std::string* error = nullptr);

    // Makes this context current on the calling thread.
    virtual bool makeCurrent() = 0;
    // Whether this context is the calling thread's current one.
    virtual bool isCurrent() const = 0;
    // The context made current through this interface on the calling thread, null when none is.
    static GLContext* current();
    // Makes no context current on the calling thread.
    static bool clearCurrent();

    // Gives the bound renderbuffer colour storage of `width` x `height` pixels for the view's
    // drawable. The context must be current.
    virtual bool renderbufferStorageFromDrawable(ColorFormat format, int width, int height) = 0;
    // Shows what `framebuffer` holds (the framebuffer whose colour attachment got storage from
    // the drawable). The context must be current; GL bindings are left as they were.
    virtual bool presentFramebuffer(unsigned framebuffer) = 0;
    // Frames presented so far.
    std::uint64_t presentedFrames() const { return presentedFrames_; }

    // "OpenGL ES-CM 1.1 ..." of the driver; empty unless current.
    static std::string versionString();
    // Reads the rectangle (x, y, width, height) of the bound framebuffer (GL coordinates, y up)
    // as RGBA bytes, top row first.
    static std::vector<std::uint8_t> readPixels(int x, int y, int width, int height);

  protected:
    GLContext() = default;
    // Implementations report make-current and release through these so `current()` stays right.
    static void noteCurrent(GLContext* context);
    static void noteReleased(const GLContext* context);
    virtual bool releaseCurrent() = 0;
    void countPresentedFrame() { ++presentedFrames_; }
    // Plain renderbuffer storage for the bound renderbuffer; false on a GL error or a size the
    // driver cannot hold.
    static bool allocateBoundRenderbuffer(ColorFormat format, int width, int height);

  private:
    std::uint64_t presentedFrames_ = 0;
};

}  // namespace platform
