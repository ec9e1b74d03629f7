#include "ads/render/overlay/DZUnclickableView.h"

std::shared_ptr<platform::ui::View> DZUnclickableView::hitTest(platform::Point p) {
    auto hit = View::hitTest(p);
    return hit.get() == this ? nullptr : hit;
}
