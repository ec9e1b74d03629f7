#include "platform/ui/SnapshotView.h"

#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewSnapshot.h"

namespace platform::ui {

std::shared_ptr<ImageView> snapshotViewOf(View& view) {
    auto snapshot = std::make_shared<ImageView>();
    const float scale = Screen::mainScale() > 0 ? Screen::mainScale() : 1.0f;
    if (auto picture = snapshotView(view, scale))
        snapshot->setImage(std::make_shared<const Image>(std::move(*picture)));
    snapshot->setFrame({{0, 0}, view.bounds().size});
    return snapshot;
}

}  // namespace platform::ui
