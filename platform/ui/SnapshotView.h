#pragma once
// A view showing a still picture of another view and its subviews as they are drawn now, at the
// window's scale, so a transition can move the picture while the view itself stays put. Without
// a GL context (unit tests) the picture is left out and the view is a clear view of the same size.
#include <memory>

#include "platform/ui/ImageView.h"

namespace platform::ui {

class View;

// The snapshot's frame is the view's bounds at the origin; place it where it should be shown.
std::shared_ptr<ImageView> snapshotViewOf(View& view);

}  // namespace platform::ui
