#pragma once
// A store product's sheet: a bar with Done at the top right and a message area. Its content comes
// from the process's store backend; while it loads, and when the load failed, the message says
// so. Done tells the delegate, which closes the sheet. Main thread only.
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/ui/ViewController.h"

namespace platform::ui {
class BarButtonItem;
class Label;
class Toolbar;
}  // namespace platform::ui

namespace platform::store {

class StoreProductViewController;

class StoreProductViewControllerDelegate {
  public:
    virtual ~StoreProductViewControllerDelegate() = default;
    virtual void productViewControllerDidFinish(StoreProductViewController& controller) = 0;
};

class StoreProductViewController : public ui::ViewController {
  public:
    // The one load parameter: the product's store number, in decimal.
    static constexpr const char* kItemIdentifierParameter = "id";
    using Completion = std::function<void(bool loaded, const std::string& error)>;

    void setDelegate(std::weak_ptr<StoreProductViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<StoreProductViewControllerDelegate> delegate() const { return delegate_.lock(); }

    // The completion runs once, on a later main-loop turn; the sheet is held until then.
    void loadProductWithParameters(const std::map<std::string, std::string>& parameters,
                                   Completion completion);
    const std::string& message() const { return message_; }
    const std::shared_ptr<ui::BarButtonItem>& doneButton();
    // What a tap on Done does.
    void done();

  protected:
    void loadView() override;

  private:
    void setMessage(std::string message);

    std::weak_ptr<StoreProductViewControllerDelegate> delegate_;
    std::string message_;
    std::shared_ptr<ui::BarButtonItem> doneButton_;
    std::shared_ptr<ui::Toolbar> bar_;
    std::shared_ptr<ui::Label> label_;
};

}  // namespace platform::store
