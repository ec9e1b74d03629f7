#pragma once
// Shows one image stretched over its bounds. Takes no touches by default.
#include <memory>

#include "platform/image/Image.h"
#include "platform/ui/View.h"

namespace platform::ui {

class ImageView : public View {
  public:
    ImageView();
    explicit ImageView(std::shared_ptr<const Image> image);
    const char* className() const override { return "ImageView"; }

    const std::shared_ptr<const Image>& image() const { return image_; }
    void setImage(std::shared_ptr<const Image> image) { change(image_, std::move(image)); }

    // The image's size in points (zero without an image).
    Size sizeThatFits(Size size) const override;
    void draw(DrawContext& ctx) override;
    void loadAttributes(InterfaceAttributes& attrs) override;

  private:
    std::shared_ptr<const Image> image_;
};

}  // namespace platform::ui
