#include "platform/store/StoreProductViewController.h"

#include "platform/store/StoreBackend.h"
#include "platform/ui/BarButtonItem.h"
#include "platform/ui/Label.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/View.h"

namespace platform::store {

const std::shared_ptr<ui::BarButtonItem>& StoreProductViewController::doneButton() {
    if (!doneButton_) {
        doneButton_ = std::make_shared<ui::BarButtonItem>(
            ui::BarButtonItem::SystemItem::Done, [weak = weak_from_this()](ui::BarButtonItem&) {
                auto self = std::static_pointer_cast<StoreProductViewController>(weak.lock());
                if (self) self->done();
            });
        doneButton_->setAccessibilityLabel("Done");
    }
    return doneButton_;
}

void StoreProductViewController::done() {
    // The delegate closes the sheet, which may be its last owner.
    auto self = shared_from_this();
    if (auto delegate = delegate_.lock()) delegate->productViewControllerDidFinish(*this);
}

void StoreProductViewController::loadView() {
    auto view = std::make_shared<ui::View>(Rect{0, 0, 320, 480});
    view->setBackgroundColor({1, 1, 1, 1});
    bar_ = std::make_shared<ui::Toolbar>(Rect{0, 0, 320, ui::Toolbar::kHeight});
    bar_->setItems(
        {std::make_shared<ui::BarButtonItem>(ui::BarButtonItem::SystemItem::FlexibleSpace, nullptr),
         doneButton()});
    view->addSubview(bar_);
    label_ = std::make_shared<ui::Label>(Rect{16, ui::Toolbar::kHeight + 16, 288, 80});
    label_->setText(message_);
    view->addSubview(label_);
    setView(view);
}

void StoreProductViewController::setMessage(std::string message) {
    message_ = std::move(message);
    if (label_) label_->setText(message_);
}

void StoreProductViewController::loadProductWithParameters(
    const std::map<std::string, std::string>& parameters, Completion completion) {
    const auto id = parameters.find(kItemIdentifierParameter);
    setMessage("Loading...");
    auto self = std::static_pointer_cast<StoreProductViewController>(shared_from_this());
    StoreBackend::shared()->loadProduct(
        id == parameters.end() ? "" : id->second,
        [self, completion = std::move(completion)](bool loaded, const std::string& error) {
            self->setMessage(loaded ? "" : error);
            if (completion) completion(loaded, error);
        });
}

}  // namespace platform::store
