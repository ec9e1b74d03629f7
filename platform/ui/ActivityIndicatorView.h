#pragma once
// A spinner: twelve spokes round a centre, the lit one stepping on twelve times a second on the
// window's clock while it animates. Hidden while stopped unless told otherwise.
#include "platform/ui/View.h"

namespace platform::ui {

class ActivityIndicatorView : public View {
  public:
    enum class Style { White, WhiteLarge, Gray };
    static constexpr int kSpokes = 12;
    static constexpr double kStepSeconds = 1.0 / kSpokes;

    // 20 x 20 points (37 x 37 for the large one).
    explicit ActivityIndicatorView(Style style = Style::White);
    const char* className() const override { return "ActivityIndicatorView"; }

    Style style() const { return style_; }
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool hides);

    void draw(DrawContext& ctx) override;

  private:
    Style style_;
    bool animating_ = false;
    bool hidesWhenStopped_ = true;
    double startedAt_ = 0;
};

}  // namespace platform::ui
