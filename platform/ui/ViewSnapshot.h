#pragma once
// A picture of one view and its subviews, drawn offscreen with the GL context current on the
// calling thread (both runs keep one current on the main thread): scale pixels per point,
// premultiplied RGBA, rows top first. Nothing without a current context or a usable framebuffer.
#include <optional>

#include "platform/image/Image.h"

namespace platform::ui {

class View;

std::optional<Image> snapshotView(View& view, float scale);

}  // namespace platform::ui
