#include "platform/ui/NavigationItem.h"

#include "platform/ui/View.h"

namespace platform::ui {

void NavigationItem::setTitle(std::string title) {
    title_ = std::move(title);
    changed();
}

void NavigationItem::setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item) {
    left_ = std::move(item);
    changed();
}

void NavigationItem::setRightBarButtonItem(std::shared_ptr<BarButtonItem> item) {
    right_ = std::move(item);
    changed();
}

void NavigationItem::changed() {
    if (auto bar = observer_.lock()) {
        bar->setNeedsLayout();
        bar->layoutIfNeeded();
    }
}

}  // namespace platform::ui
