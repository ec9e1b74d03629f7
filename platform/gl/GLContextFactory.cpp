// The two ways of making a context, behind the one interface.
#include "platform/gl/GLContext.h"
#include "platform/gl/HeadlessGLContext.h"
#include "platform/gl/WindowGLContext.h"

namespace platform {

std::shared_ptr<GLContext> GLContext::createHeadless(std::string* error) {
    return HeadlessGLContext::create(error);
}

std::shared_ptr<GLContext> GLContext::createForWindow(Window& window, std::string* error) {
    return WindowGLContext::create(window, error);
}

}  // namespace platform
