#pragma once
// What a view controller shows on a navigation bar: a title and optional left and right buttons.
// The bar showing the item is told of every change.
#include <memory>
#include <string>

#include "platform/ui/BarButtonItem.h"

namespace platform::ui {

class View;

class NavigationItem {
  public:
    const std::string& title() const { return title_; }
    void setTitle(std::string title);
    const std::shared_ptr<BarButtonItem>& leftBarButtonItem() const { return left_; }
    void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item);
    const std::shared_ptr<BarButtonItem>& rightBarButtonItem() const { return right_; }
    void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item);

    // The bar that shows this item (set by the bar).
    void setObserver(std::weak_ptr<View> bar) { observer_ = std::move(bar); }

  private:
    void changed();

    std::string title_;
    std::shared_ptr<BarButtonItem> left_;
    std::shared_ptr<BarButtonItem> right_;
    std::weak_ptr<View> observer_;
};

}  // namespace platform::ui
