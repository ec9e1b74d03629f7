#include "platform/ui/ActionSheet.h"

#include "platform/ui/Button.h"
#include "platform/ui/DrawContext.h"
#include "platform/ui/TextMeasure.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
constexpr float kPad = 16;
constexpr float kButtonH = 44;
const Font kTitleFont = Font::system(13);
}  // namespace

ActionSheet::ActionSheet(std::string title, std::weak_ptr<ActionSheetDelegate> delegate,
                         std::string cancelButtonTitle, std::string destructiveButtonTitle,
                         std::vector<std::string> otherButtonTitles)
    : delegate_(std::move(delegate)), cancelTitle_(std::move(cancelButtonTitle)) {
    title_ = std::move(title);
    if (!destructiveButtonTitle.empty()) {
        titles_.push_back(std::move(destructiveButtonTitle));
        hasDestructive_ = true;
    }
    for (auto& t : otherButtonTitles) titles_.push_back(std::move(t));
}

int ActionSheet::addButtonWithTitle(std::string title) {
    titles_.push_back(std::move(title));
    setNeedsLayout();
    return static_cast<int>(titles_.size()) - 1;
}

std::string ActionSheet::buttonTitleAtIndex(int index) const {
    if (index == kCancelIndex) return cancelTitle_;
    return index >= 0 && index < numberOfButtons() ? titles_[static_cast<std::size_t>(index)] : "";
}

void ActionSheet::showInView(const std::shared_ptr<View>& view) {
    present(view ? view->window() : nullptr);
}

void ActionSheet::dismissWithClickedButtonIndex(int, bool) {
    if (!isPresented()) return;
    auto keep = shared_from_this();
    takeDown();
}

void ActionSheet::cancel() {
    if (!isPresented()) return;
    auto keep = shared_from_this();
    if (auto d = delegate_.lock()) d->actionSheetCancel(*this);
    takeDown();
}

bool ActionSheet::indexOfButtonTitle(const std::string& title, int& index) const {
    for (std::size_t i = 0; i < titles_.size(); ++i) {
        if (titles_[i] == title) {
            index = static_cast<int>(i);
            return true;
        }
    }
    if (!cancelTitle_.empty() && title == cancelTitle_) {
        index = kCancelIndex;
        return true;
    }
    return false;
}

void ActionSheet::clickButtonAtIndex(int index) {
    const bool valid =
        (index == kCancelIndex && !cancelTitle_.empty()) || (index >= 0 && index < numberOfButtons());
    if (!isPresented() || !valid) return;
    auto keep = shared_from_this();
    if (auto d = delegate_.lock()) d->actionSheetClickedButtonAtIndex(*this, index);
    if (clickHandler_) clickHandler_(*this, index);
    dismissWithClickedButtonIndex(index, true);
}

void ActionSheet::layoutSubviews() {
    Rect area{0, 0, 320, 480};
    if (auto parent = superview()) area = parent->bounds();
    const float w = area.size.width - 2 * kPad;
    titleHeight_ = title_.empty() ? 0 : measureText(title_, kTitleFont, w).height;
    clearButtons();
    float y = kPad + (titleHeight_ > 0 ? titleHeight_ + 10 : 0);
    for (int i = 0; i < numberOfButtons(); ++i) {
        auto b = makeButton({titles_[static_cast<std::size_t>(i)], i,
                             (i == 0 && hasDestructive_) ? Look::Destructive : Look::Normal});
        b->setFrame({kPad, y, w, kButtonH});
        y += kButtonH + 8;
    }
    if (!cancelTitle_.empty()) {
        y += 8;
        auto b = makeButton({cancelTitle_, kCancelIndex, Look::Cancel});
        b->setFrame({kPad, y, w, kButtonH});
        y += kButtonH + 8;
    }
    y += kPad - 8;
    setFrame({area.minX(), area.maxY() - y, area.size.width, y});
}

void ActionSheet::draw(DrawContext& ctx) {
    const Rect b = bounds();
    ctx.fillRect(b, Color{0.12f, 0.14f, 0.18f, 0.95f});
    ctx.fillRect({b.minX(), b.minY(), b.size.width, 1}, Color::gray(0.6f));
    if (!title_.empty()) {
        ctx.drawText(title_, TextStyle{kTitleFont, TextAlignment::Center, 0},
                     {kPad, kPad, b.size.width - 2 * kPad, titleHeight_}, Color::gray(0.85f), false);
    }
}

}  // namespace platform::ui
