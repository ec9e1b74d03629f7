#include "platform/ui/TouchEvent.h"

#include "platform/ui/View.h"

namespace platform::ui {

TouchList TouchEvent::touchesForView(const View* view) const {
    TouchList out;
    for (const auto& t : all_) {
        if (t->view().get() == view) out.push_back(t);
    }
    return out;
}

}  // namespace platform::ui
