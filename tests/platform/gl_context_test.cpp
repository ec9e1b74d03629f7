// The headless OpenGL ES 1.1 context: version, current-context bookkeeping, drawable storage,
// presenting and reading pixels back from a framebuffer object.
#include <gtest/gtest.h>

#include "platform/gl/GL.h"
#include "platform/gl/GLContext.h"
#include "support/GLTestContext.h"

using platform::ColorFormat;
using platform::GLContext;
namespace gl = platform::gl;

TEST(HeadlessContext, IsOpenGLES11AndTracksWhichContextIsCurrent) {
    std::string error;
    auto a = GLContext::createHeadless(&error);
    ASSERT_TRUE(a) << error;
    auto b = GLContext::createHeadless(&error);
    ASSERT_TRUE(b) << error;
    EXPECT_TRUE(gl::framebufferFunctionsLoaded());

    ASSERT_TRUE(a->makeCurrent());
    EXPECT_EQ(GLContext::versionString().rfind("OpenGL ES-CM 1.1", 0), 0u) << GLContext::versionString();
    EXPECT_TRUE(a->isCurrent());
    EXPECT_EQ(GLContext::current(), a.get());

    ASSERT_TRUE(b->makeCurrent());
    EXPECT_FALSE(a->isCurrent());
    EXPECT_EQ(GLContext::current(), b.get());

    EXPECT_TRUE(GLContext::clearCurrent());
    EXPECT_FALSE(b->isCurrent());
    EXPECT_EQ(GLContext::current(), nullptr);
    EXPECT_EQ(GLContext::versionString(), "");
    EXPECT_TRUE(GLContext::clearCurrent());  // nothing current: still fine

    // Destroying the current context leaves none current rather than a dangling one.
    ASSERT_TRUE(a->makeCurrent());
    a.reset();
    EXPECT_EQ(GLContext::current(), nullptr);
}

TEST(HeadlessContext, FramebufferLoadingHappensOncePerProcess) {
    ASSERT_TRUE(GLContext::createHeadless());
    // A later loader, even one that finds nothing, cannot undo the first successful load.
    EXPECT_TRUE(gl::loadFramebufferFunctions([](const char*) -> void* { return nullptr; }));
    EXPECT_NE(gl::glGenFramebuffersOES, nullptr);
    EXPECT_NE(gl::glGetRenderbufferParameterivOES, nullptr);
}

TEST(HeadlessContext, ClearColourOfTheFramebufferReadsBackTopRowFirst) {
    GLTestContext ctx(8, 4);
    ASSERT_TRUE(ctx.ok()) << ctx.error();
    ctx.clear(1, 0, 0, 1);
    EXPECT_EQ(ctx.pixel(0, 0), (std::array<std::uint8_t, 4>{255, 0, 0, 255}));
    EXPECT_EQ(ctx.pixel(7, 3), (std::array<std::uint8_t, 4>{255, 0, 0, 255}));

    // Fill the upper half (y up: GL rows 2..3) blue; the first rows read back must be blue.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 2, 8, 2);
    ctx.clear(0, 0, 1, 1);
    glDisable(GL_SCISSOR_TEST);
    const auto pixels = ctx.readPixels();
    ASSERT_EQ(pixels.size(), 8u * 4u * 4u);
    EXPECT_EQ(pixels[2], 255);  // row 0 (top): blue
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[3 * 8 * 4 + 0], 255);  // row 3 (bottom): red
    EXPECT_EQ(pixels[3 * 8 * 4 + 2], 0);
}

TEST(HeadlessContext, DrawableStorageHonoursSizeAndFormatAndRefusesImpossibleOnes) {
    auto context = GLContext::createHeadless();
    ASSERT_TRUE(context);
    GLuint renderbuffer = 0;
    // Not current: no storage.
    GLContext::clearCurrent();
    EXPECT_FALSE(context->renderbufferStorageFromDrawable(ColorFormat::RGB565, 4, 4));

    ASSERT_TRUE(context->makeCurrent());
    gl::glGenRenderbuffersOES(1, &renderbuffer);
    gl::glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer);
    EXPECT_FALSE(context->renderbufferStorageFromDrawable(ColorFormat::RGB565, 0, 10));
    EXPECT_FALSE(context->renderbufferStorageFromDrawable(ColorFormat::RGB565, 10, -1));
    EXPECT_FALSE(context->renderbufferStorageFromDrawable(ColorFormat::RGB565, 1 << 20, 4));

    ASSERT_TRUE(context->renderbufferStorageFromDrawable(ColorFormat::RGB565, 30, 20));
    GLint w = 0, h = 0, red = 0, green = 0;
    gl::glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &w);
    gl::glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &h);
    gl::glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_RED_SIZE_OES, &red);
    gl::glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_GREEN_SIZE_OES, &green);
    EXPECT_EQ(w, 30);
    EXPECT_EQ(h, 20);
    EXPECT_EQ(red, 5);
    EXPECT_EQ(green, 6);

    ASSERT_TRUE(context->renderbufferStorageFromDrawable(ColorFormat::RGBA8, 30, 20));
    gl::glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_RED_SIZE_OES, &red);
    EXPECT_EQ(red, 8);
    gl::glDeleteRenderbuffersOES(1, &renderbuffer);
}

TEST(HeadlessContext, PresentingCountsFramesOnlyForARealFramebuffer) {
    GLTestContext ctx(4, 4);
    ASSERT_TRUE(ctx.ok()) << ctx.error();
    EXPECT_FALSE(ctx.context()->presentFramebuffer(0));
    EXPECT_EQ(ctx.context()->presentedFrames(), 0u);
    EXPECT_TRUE(ctx.context()->presentFramebuffer(ctx.framebuffer()));
    EXPECT_TRUE(ctx.context()->presentFramebuffer(ctx.framebuffer()));
    EXPECT_EQ(ctx.context()->presentedFrames(), 2u);
    GLContext::clearCurrent();
    EXPECT_FALSE(ctx.context()->presentFramebuffer(ctx.framebuffer()));
    EXPECT_EQ(ctx.context()->presentedFrames(), 2u);
}

TEST(HeadlessContext, ReadPixelsRefusesEmptyRectanglesAndMissingContext) {
    GLTestContext ctx(4, 4);
    ASSERT_TRUE(ctx.ok());
    EXPECT_TRUE(GLContext::readPixels(0, 0, 0, 4).empty());
    EXPECT_EQ(GLContext::readPixels(0, 0, 3, 2).size(), 24u);
    GLContext::clearCurrent();
    EXPECT_TRUE(GLContext::readPixels(0, 0, 4, 4).empty());
}
