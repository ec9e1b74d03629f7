#pragma once
// The badge a native ad view shows to say it is an ad: its text beside the icons taking turns,
// on a background with rounded corners, everything inside clipped to it. It sizes itself to
// its content (sizeThatFits) and lays its parts out in layoutSubviews, left to right: a spacer,
// the text, a spacer, the icons, all centred vertically. Main thread only.
#include <memory>

#include "platform/ui/Color.h"
#include "platform/ui/View.h"

class DZNativeAdAttribution;
class DZPushTransitionView;
namespace platform::ui {
class Label;
}

class DZNativeAdAttributionView : public platform::ui::View {
  public:
    static constexpr float kCornerRadius = 3;
    // Each spacer is this much of the text's height wide.
    static constexpr float kTextPaddingRatio = 0.37f;

    static std::shared_ptr<DZNativeAdAttributionView> create(platform::Rect frame);
    explicit DZNativeAdAttributionView(platform::Rect frame);  // use create()
    const char* className() const override { return "DZNativeAdAttributionView"; }

    // Shows the attribution's text, colours and loaded icons, replacing what an earlier one set
    // (null: nothing at all).
    void setAttribution(const std::shared_ptr<DZNativeAdAttribution>& attribution);

    const std::shared_ptr<DZPushTransitionView>& iconView() const { return iconView_; }
    const std::shared_ptr<platform::ui::Label>& textView() const { return textView_; }
    // The size the icon area is given: the largest icon's, in points.
    platform::Size iconAreaSize() const { return iconSize_; }
    platform::ui::Color badgeColor() const { return badgeColor_; }

    platform::Size sizeThatFits(platform::Size size) const override;
    void layoutSubviews() override;
    void draw(platform::ui::DrawContext& ctx) override;

  private:
    // The text's size; zero without text.
    platform::Size textSize() const;

    std::shared_ptr<DZPushTransitionView> iconView_;
    std::shared_ptr<platform::ui::Label> textView_;
    platform::Size iconSize_;
    platform::ui::Color badgeColor_ = platform::ui::Color::clear();
};
