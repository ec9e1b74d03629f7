#include "platform/ui/ImageView.h"

#include "platform/ui/DrawContext.h"
#include "platform/ui/InterfaceAttributes.h"

namespace platform::ui {

ImageView::ImageView() {
    setUserInteractionEnabled(false);
}

ImageView::ImageView(std::shared_ptr<const Image> image) : image_(std::move(image)) {
    setUserInteractionEnabled(false);
    if (image_) setFrame({{0, 0}, DrawContext::imageSizeInPoints(*image_)});
}

Size ImageView::sizeThatFits(Size) const {
    return image_ ? DrawContext::imageSizeInPoints(*image_) : Size{};
}

void ImageView::draw(DrawContext& ctx) {
    if (image_) ctx.drawImage(image_, bounds());
}

void ImageView::loadAttributes(InterfaceAttributes& attrs) {
    View::loadAttributes(attrs);
    if (auto img = attrs.optImage("image")) {
        image_ = img;
        // Without a frame of its own the view takes the image's size.
        if (!attrs.has("frame")) setFrame({{0, 0}, DrawContext::imageSizeInPoints(*image_)});
    }
}

}  // namespace platform::ui
