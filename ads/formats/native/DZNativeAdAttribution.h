#pragma once
// The badge that says a native ad is an ad: a text beside icons that take turns. Read from the
// ad's "attribution" object with every value checked and kept in range (text size 1-64 pt,
// colour components 0-1, durations 0.05 s to 1 h, at most 64 icons); loaded with the ad's other
// assets. Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/foundation/Error.h"
#include "platform/image/DecodeAllowance.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"

class DZNativeAdImage;

class DZNativeAdAttribution : public std::enable_shared_from_this<DZNativeAdAttribution> {
  public:
    static constexpr double kDefaultAnimationDuration = 1.0;
    static constexpr double kDefaultPresentationDuration = 4.0;
    static constexpr double kMinDuration = 0.05;
    static constexpr double kMaxDuration = 3600;
    static constexpr float kDefaultTextSize = 12;
    static constexpr float kMinTextSize = 1;
    static constexpr float kMaxTextSize = 64;
    static constexpr platform::ui::Color kDefaultTextColor{12 / 255.f, 174 / 255.f, 206 / 255.f, 1};
    static constexpr platform::ui::Color kDefaultBackgroundColor{0.8f, 0.8f, 0.8f, 1};

    using Completion = std::function<void(platform::ErrorRef error)>;

    // Never fails: a missing or malformed dictionary gives the empty badge with the defaults.
    static std::shared_ptr<DZNativeAdAttribution> fromDictionary(const nlohmann::json& dictionary);

    const std::optional<std::string>& text() const { return text_; }
    double iconAnimationDuration() const { return animationDuration_; }
    double iconPresentationDuration() const { return presentationDuration_; }
    platform::ui::Font font() const { return platform::ui::Font::system(textSize_); }
    platform::ui::Color textColor() const { return textColor_; }
    platform::ui::Color backgroundColor() const { return backgroundColor_; }
    // The loaded icons, in configuration order; empty until every icon has loaded.
    const std::vector<std::shared_ptr<DZNativeAdImage>>& icons() const { return icons_; }
    // The icons configured (loaded or not).
    const std::vector<std::shared_ptr<DZNativeAdImage>>& loadingImages() const { return loadingImages_; }
    // Something to show: an icon or a non-empty text.
    bool hasContent() const { return !icons_.empty() || (text_ && !text_->empty()); }

    // Loads every icon, their decode work taken from `allowance` (their ad's) when given; calls
    // completion once through the main loop (the first failure wins).
    void loadAssets(Completion completion, std::shared_ptr<platform::DecodeAllowance> allowance = nullptr);

  private:
    DZNativeAdAttribution() = default;

    std::optional<std::string> text_;
    double animationDuration_ = kDefaultAnimationDuration;
    double presentationDuration_ = kDefaultPresentationDuration;
    float textSize_ = kDefaultTextSize;
    platform::ui::Color textColor_ = kDefaultTextColor;
    platform::ui::Color backgroundColor_ = kDefaultBackgroundColor;
    std::vector<std::shared_ptr<DZNativeAdImage>> loadingImages_;
    std::vector<std::shared_ptr<DZNativeAdImage>> icons_;
    Completion completion_;
};
