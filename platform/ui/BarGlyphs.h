#pragma once
// The platform's own pictures for system bar items (refresh, stop, action), drawn white on
// clear at run time, 20 x 20 points at the given pixels per point, and kept once made. Main
// thread only.
#include <memory>

#include "platform/image/Image.h"
#include "platform/ui/BarButtonItem.h"

namespace platform::ui {

class BarGlyphs {
  public:
    static constexpr float kSide = 20;
    // Null for an item that is a title or a space.
    static std::shared_ptr<const Image> glyph(BarButtonItem::SystemItem item, float scale);
};

}  // namespace platform::ui
