#include "ads/formats/native/DZNativeAdAttributionView.h"

#include <algorithm>
#include <vector>

#include "ads/formats/native/DZNativeAdAttribution.h"
#include "ads/formats/native/DZNativeAdImage.h"
#include "ads/render/swipe/DZPushTransitionView.h"
#include "platform/ui/DrawContext.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"

std::shared_ptr<DZNativeAdAttributionView> DZNativeAdAttributionView::create(platform::Rect frame) {
    auto view = std::make_shared<DZNativeAdAttributionView>(frame);
    // Added once the view is shared: a subview keeps a weak link to it.
    view->addSubview(view->textView_);
    view->addSubview(view->iconView_);
    return view;
}

DZNativeAdAttributionView::DZNativeAdAttributionView(platform::Rect frame)
    : View(frame),
      iconView_(DZPushTransitionView::create({})),
      textView_(std::make_shared<platform::ui::Label>(platform::Rect{})) {
    // The rounded background is drawn, not clipped: the parts must not paint past it.
    setClipsToBounds(true);
}

void DZNativeAdAttributionView::setAttribution(const std::shared_ptr<DZNativeAdAttribution>& attribution) {
    textView_->setText(attribution ? attribution->text().value_or("") : "");
    if (attribution) {
        textView_->setFont(attribution->font());
        textView_->setTextColor(attribution->textColor());
    }
    change(badgeColor_, attribution ? attribution->backgroundColor() : platform::ui::Color::clear());

    std::vector<std::shared_ptr<platform::ui::View>> icons;
    platform::Size largest;
    if (attribution) {
        for (const auto& icon : attribution->icons()) {
            if (!icon || !icon->image()) continue;
            const float scale = icon->scale() > 0 ? icon->scale() : 1;
            const platform::Size size{icon->image()->width / scale, icon->image()->height / scale};
            auto view = std::make_shared<platform::ui::ImageView>(icon->image());
            view->setFrame({0, 0, size.width, size.height});
            icons.push_back(view);
            largest.width = std::max(largest.width, size.width);
            largest.height = std::max(largest.height, size.height);
        }
        iconView_->setAnimationDuration(attribution->iconAnimationDuration());
        iconView_->setPresentationDuration(attribution->iconPresentationDuration());
    }
    // The icon area takes the largest icon's size anew each time, never adding to the last one.
    iconSize_ = largest;
    iconView_->setViews(std::move(icons));
    setNeedsLayout();
}

platform::Size DZNativeAdAttributionView::textSize() const {
    if (textView_->text().empty()) return {};
    return textView_->sizeThatFits({1e4f, 1e4f});
}

platform::Size DZNativeAdAttributionView::sizeThatFits(platform::Size) const {
    const platform::Size text = textSize();
    const float padding = kTextPaddingRatio * text.height;
    return {padding + text.width + padding + iconSize_.width, std::max(text.height, iconSize_.height)};
}

void DZNativeAdAttributionView::layoutSubviews() {
    const platform::Size text = textSize();
    const float padding = kTextPaddingRatio * text.height;
    const float height = bounds().size.height;
    textView_->setFrame({padding, (height - text.height) / 2, text.width, text.height});
    iconView_->setFrame(
        {padding + text.width + padding, (height - iconSize_.height) / 2, iconSize_.width, iconSize_.height});
}

void DZNativeAdAttributionView::draw(platform::ui::DrawContext& ctx) {
    ctx.fillRoundedRect(bounds(), kCornerRadius, badgeColor_);
}
