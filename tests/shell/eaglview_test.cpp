// The OpenGL view on the headless context: surface size from bounds and scale, creating once,
// autoresizing, presenting, context switching and the messages of its failures.
#include <gtest/gtest.h>

#include "platform/window/Window.h"
#include "shell/EAGLView.h"

using platform::GLContext;
using platform::Point;
using platform::Rect;
using platform::Size;
namespace gl = platform::gl;

namespace {

class TestView : public EAGLView {
  public:
    explicit TestView(Rect frame, std::shared_ptr<GLContext> context = GLContext::createHeadless())
        : EAGLView(frame), context_(std::move(context)) {}
    std::shared_ptr<GLContext> initialEAGLContext() override { return context_; }

  private:
    std::shared_ptr<GLContext> context_;
};

struct CountingDelegate : EAGLViewDelegate {
    void didResizeEAGLSurfaceForView(EAGLView* view) override {
        ++calls;
        last = view;
    }
    int calls = 0;
    EAGLView* last = nullptr;
};

std::array<GLint, 4> viewport() {
    std::array<GLint, 4> v{};
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

}  // namespace

TEST(EAGLView, RetinaViewGetsASurfaceOfPixelsAndTellsItsDelegate) {
    TestView view(Rect(0, 0, 320, 480));
    view.setContentsScale(2.0f);
    CountingDelegate delegate;
    view.setDelegate(&delegate);
    view.start();
    ASSERT_TRUE(view.context());
    EXPECT_NE(view.framebuffer(), 0u);
    EXPECT_NE(view.renderbuffer(), 0u);
    EXPECT_EQ(view.surfaceSize(), (Size{640, 960}));
    EXPECT_EQ(viewport(), (std::array<GLint, 4>{0, 0, 640, 960}));
    EXPECT_EQ(view.pixelFormat(), platform::ColorFormat::RGB565);
    EXPECT_EQ(view.depthFormat(), 0u);
    EXPECT_TRUE(view.isOpaque());
    EXPECT_EQ(delegate.calls, 1);
    EXPECT_EQ(delegate.last, &view);
    EXPECT_EQ(gl::glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES),
              static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_OES));

    // A surface exists: a second creation does nothing.
    const GLuint framebuffer = view.framebuffer();
    EXPECT_FALSE(view._createSurface());
    EXPECT_EQ(view.framebuffer(), framebuffer);
    EXPECT_EQ(delegate.calls, 1);
}

TEST(EAGLView, BoundsAreRoundedBeforeScalingAndViewportTruncates) {
    TestView view(Rect(0, 0, 100.4f, 50.6f));
    view.setContentsScale(1.5f);
    view.start();
    EXPECT_EQ(view.surfaceSize(), (Size{150, 76.5f}));
    EXPECT_EQ(viewport(), (std::array<GLint, 4>{0, 0, 150, 76}));
}

TEST(EAGLView, AutoresizeRebuildsOnlyWhenThePixelSizeChanges) {
    TestView view(Rect(0, 0, 320, 480));
    view.setContentsScale(2.0f);
    CountingDelegate delegate;
    view.setDelegate(&delegate);
    view.start();
    ASSERT_EQ(delegate.calls, 1);

    // Off: a different size leaves the surface as it is.
    view.setBounds(Rect(0, 0, 300, 400));
    EXPECT_EQ(delegate.calls, 1);
    EXPECT_EQ(view.surfaceSize(), (Size{640, 960}));

    view.setBounds(Rect(0, 0, 320.3f, 479.8f));
    view.setAutoresizesEAGLSurface(true);  // lays out at once: same rounded size, no rebuild
    EXPECT_TRUE(view.autoresizesSurface());
    EXPECT_EQ(delegate.calls, 1);

    view.setFrame(Rect(10, 20, 321, 480));
    EXPECT_EQ(delegate.calls, 2);
    EXPECT_EQ(view.surfaceSize(), (Size{642, 960}));
    EXPECT_EQ(view.bounds(), Rect(0, 0, 321, 480));
    EXPECT_EQ(view.frame(), Rect(10, 20, 321, 480));
    EXPECT_NE(view.framebuffer(), 0u);

    view.setAutoresizesSurface(false);  // no relayout
    view.setBounds(Rect(0, 0, 10, 10));
    EXPECT_EQ(delegate.calls, 2);
}

TEST(EAGLView, NoContextOrNoAreaMeansNoSurfaceUntilALaterStart) {
    EAGLView plain(Rect(0, 0, 100, 100));
    plain.start();
    EXPECT_FALSE(plain.context());
    EXPECT_EQ(plain.framebuffer(), 0u);
    EXPECT_FALSE(plain._createSurface());

    TestView empty(Rect(0, 0, 0, 0));
    empty.start();
    ASSERT_TRUE(empty.context());
    EXPECT_EQ(empty.framebuffer(), 0u);
    EXPECT_EQ(empty.renderbuffer(), 0u) << "a refused renderbuffer is deleted, not kept";
    EXPECT_EQ(empty.convertPointFromViewToSurface(Point{5, 5}), (Point{0, 0}));

    empty.setBounds(Rect(0, 0, 8, 8));
    empty.start();
    EXPECT_NE(empty.framebuffer(), 0u);
    EXPECT_EQ(empty.surfaceSize(), (Size{8, 8}));
}

TEST(EAGLView, SwapPresentsAndPutsThePreviousContextBack) {
    auto other = GLContext::createHeadless();
    TestView view(Rect(0, 0, 16, 8));
    view.start();
    view.setCurrentContext();
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    ASSERT_TRUE(other->makeCurrent());
    view.swapBuffers();
    EXPECT_EQ(view.context()->presentedFrames(), 1u);
    EXPECT_TRUE(other->isCurrent()) << "the caller's context is current again";
    EXPECT_FALSE(view.isCurrentContext());

    // Read back works from anywhere and also leaves the caller's context current.
    const auto frame = view.readFrameRGBA();
    ASSERT_EQ(frame.size(), 16u * 8u * 4u);
    EXPECT_EQ(frame[0], 255);
    EXPECT_EQ(frame[1], 0);
    EXPECT_EQ(frame[frame.size() - 4], 255);
    EXPECT_TRUE(other->isCurrent());

    GLContext::clearCurrent();
    view.swapBuffers();
    EXPECT_EQ(GLContext::current(), nullptr) << "nothing was current before, nothing after";
    EXPECT_EQ(view.context()->presentedFrames(), 2u);
}

TEST(EAGLView, CurrentContextCallsAndFailureMessages) {
    TestView view(Rect(0, 0, 4, 4));
    view.start();
    view.clearCurrentContext();
    EXPECT_FALSE(view.isCurrentContext());
    view.setCurrentContext();
    EXPECT_TRUE(view.isCurrentContext());

    TestView unstarted(Rect(0, 0, 4, 4));
    testing::internal::CaptureStderr();
    unstarted.swapBuffers();  // no context, no surface
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Failed to swap renderbuffer in -[EAGLView swapBuffers]\n");
    EXPECT_TRUE(view.isCurrentContext()) << "a failed swap leaves the current context alone";
}

TEST(EAGLView, DestroyingTheSurfaceFreesItsNamesInItsOwnContext) {
    auto other = GLContext::createHeadless();
    TestView view(Rect(0, 0, 4, 4));
    view.start();
    const GLuint framebuffer = view.framebuffer();
    const GLuint renderbuffer = view.renderbuffer();
    ASSERT_TRUE(other->makeCurrent());
    view._destroySurface();
    EXPECT_EQ(view.framebuffer(), 0u);
    EXPECT_EQ(view.renderbuffer(), 0u);
    EXPECT_TRUE(other->isCurrent());
    ASSERT_TRUE(view.context()->makeCurrent());
    EXPECT_FALSE(gl::glIsFramebufferOES(framebuffer));
    EXPECT_FALSE(gl::glIsRenderbufferOES(renderbuffer));

    // dispose does the same; a second destroy is harmless.
    view.start();
    EXPECT_NE(view.framebuffer(), 0u);
    view.dispose();
    EXPECT_EQ(view.framebuffer(), 0u);
    view._destroySurface();
}

TEST(EAGLView, PointsMapFromViewToSurfacePixels) {
    TestView view(Rect(0, 0, 320, 480));
    view.setContentsScale(2.0f);
    view.start();
    EXPECT_EQ(view.convertPointFromViewToSurface(Point{160, 240}), (Point{320, 480}));
    EXPECT_EQ(view.convertPointFromViewToSurface(Point{0, 0}), (Point{0, 0}));
    view.setBounds(Rect(20, 40, 320, 480));
    EXPECT_EQ(view.convertPointFromViewToSurface(Point{20, 40}), (Point{0, 0}));
    EXPECT_EQ(view.convertPointFromViewToSurface(Point{340, 520}), (Point{640, 960}));
}

TEST(EAGLViewInWindow, ClearedFrameShowsInTheWindowAfterSwap) {
    std::string error;
    auto window = platform::Window::create(40, 30, "eaglview test", &error);
    if (!window) GTEST_SKIP() << "no display: " << error;
    auto context = GLContext::createForWindow(*window, &error);
    ASSERT_TRUE(context) << error;
    TestView view(Rect(0, 0, 40, 30), context);
    view.start();
    ASSERT_NE(view.framebuffer(), 0u);
    view.setCurrentContext();
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    view.swapBuffers();
    EXPECT_EQ(context->presentedFrames(), 1u);

    ASSERT_TRUE(context->makeCurrent());
    gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, 0);
    const auto pixel = GLContext::readPixels(static_cast<int>(window->pixelSize().width) / 2,
                                             static_cast<int>(window->pixelSize().height) / 2, 1, 1);
    ASSERT_EQ(pixel.size(), 4u);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[2], 255);
    view.dispose();
}
