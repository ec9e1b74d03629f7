#include "platform/ui/BarButtonItem.h"

#include "platform/ui/View.h"

namespace platform::ui {

BarButtonItem::BarButtonItem(SystemItem item, Action action)
    : style_(item == SystemItem::Done ? Style::Done : Style::Bordered),
      action_(std::move(action)),
      systemItem_(item) {
    if (item == SystemItem::Done) title_ = "Done";
    if (item == SystemItem::Cancel) title_ = "Cancel";
}

void BarButtonItem::changed() {
    if (auto bar = observer_.lock()) bar->setNeedsLayout();
}

}  // namespace platform::ui
