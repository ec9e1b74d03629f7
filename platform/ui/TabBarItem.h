#pragma once
// What a view controller shows on a tab bar: a title and an image (by resource name or given).
#include <memory>
#include <string>
#include "platform/image/Image.h"

namespace platform::ui {

class TabBarItem {
  public:
    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    // A resource image name such as "icon_scores.png", resolved when the tab bar is laid out.
    const std::string& imageName() const { return imageName_; }
    void setImageName(std::string name) { imageName_ = std::move(name); }
    const std::shared_ptr<const Image>& image() const { return image_; }
    void setImage(std::shared_ptr<const Image> image) { image_ = std::move(image); }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

  private:
    std::string title_;
    std::string imageName_;
    std::shared_ptr<const Image> image_;
    int tag_ = 0;
};

}  // namespace platform::ui
