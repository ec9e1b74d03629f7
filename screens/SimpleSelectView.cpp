#include "screens/SimpleSelectView.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Window.h"
#include "screens/MyNavigationController.h"
#include "shell/AppDoor.h"
#include "shell/MiscUtil.h"

SimpleSelectView::SimpleSelectView(std::string interfaceName) : ViewControllerBase(std::move(interfaceName)) {
    registerOutlet("picker", picker_);
    registerOutlet("itemInfoTextView", itemInfoTextView_);
}

SimpleSelectView::~SimpleSelectView() {
    if (registeredEnterBackground_)
        platform::ui::NotificationCenter::defaultCenter().removeObserver(enterBackgroundToken_);
}

void SimpleSelectView::viewDidLoad() {
    if (!picker_) return;
    auto self = std::static_pointer_cast<SimpleSelectView>(shared_from_this());
    picker_->setDataSource(std::static_pointer_cast<platform::ui::PickerViewDataSource>(self));
    picker_->setDelegate(std::static_pointer_cast<platform::ui::PickerViewDelegate>(self));
}

void SimpleSelectView::startWithDelegate(std::shared_ptr<SimpleSelectViewDelegate> delegate,
                                         const std::string& title, int initialIndex) {
    navigationItem().setTitle(title);
    view();  // the picker must exist before the selection is shown
    delegate_ = delegate;
    setSelectedIndex(initialIndex);
    closeAnimationEnabled_ = true;
    startWithDelegate(std::move(delegate));
}

void SimpleSelectView::startWithDelegate(std::shared_ptr<SimpleSelectViewDelegate> delegate) {
    delegate_ = std::move(delegate);
    view();
    if (picker_) picker_->reloadAllComponents();
    if (!containerVC_) {
        using platform::ui::BarButtonItem;
        navigationItem().setLeftBarButtonItem(std::make_shared<BarButtonItem>(
            "Done", BarButtonItem::Style::Done, [this](BarButtonItem&) { onDoneBtn(); }));
        navigationItem().setRightBarButtonItem(std::make_shared<BarButtonItem>(
            "Cancel", BarButtonItem::Style::Bordered, [this](BarButtonItem&) { closeWithAnimation(); }));
        setEdgesForExtendedLayout(0);
        containerVC_ = std::make_shared<MyNavigationController>(shared_from_this());
        containerVC_->setAppCore(appCore());
    }
    if (appCore() && appCore()->window()) appCore()->window()->setRootViewController(containerVC_);
}

void SimpleSelectView::releaseContainer() {
    if (containerVC_ && containerVC_->isViewLoaded()) containerVC_->view()->removeFromSuperview();
    containerVC_.reset();
}

void SimpleSelectView::setSelectedIndex(int index) {
    selectedIndex_ = index;
    updateView();
}

void SimpleSelectView::updateView() {
    if (!picker_) return;
    picker_->selectRow(selectedIndex_, 0, false);
    pickerViewDidSelectRow(*picker_, selectedIndex_, 0);
}

void SimpleSelectView::viewWillAppear(bool) {
    updateView();
}

int SimpleSelectView::pickerViewNumberOfRowsInComponent(platform::ui::PickerView&, int) {
    return delegate_ ? delegate_->itemsNum() : 0;
}

std::string SimpleSelectView::pickerViewTitleForRow(platform::ui::PickerView&, int row, int) {
    return delegate_ ? delegate_->itemLabelAt(row) : "";
}

void SimpleSelectView::pickerViewDidSelectRow(platform::ui::PickerView&, int row, int) {
    selectedIndex_ = row;
    std::optional<std::string> info;
    if (delegate_ && row >= 0 && row < delegate_->itemsNum()) info = delegate_->itemInfoTextAt(row);
    if (info == prevInfo_ && itemInfoTextView_ && prevInfo_.has_value()) return;
    if (itemInfoTextView_) {
        if (!info || info->empty()) {
            itemInfoTextView_->setHidden(true);
        } else {
            itemInfoTextView_->setHidden(false);
            itemInfoTextView_->setText(*info);
            itemInfoTextView_->flashScrollIndicators();
        }
    }
    prevInfo_ = std::move(info);
}

void SimpleSelectView::onDoneBtn() {
    if (!delegate_) return;
    // Held here: the delegate may close the sheet from inside its own call.
    auto delegate = delegate_;
    if (!delegate->canBeDoneWithIndex(selectedIndex_, *this)) return;
    delegate->didBeDoneWithIndex(selectedIndex_, *this);
    closeWithAnimation();
}

void SimpleSelectView::closeWithAnimation() {
    close();
    if (closeAnimationEnabled_ && appCore()) appCore()->transitionAnimation(1, 0.5);
}

void SimpleSelectView::close() {
    if (registeredEnterBackground_ && systemSupportsMultitasking()) {
        platform::ui::NotificationCenter::defaultCenter().removeObserver(enterBackgroundToken_);
        registeredEnterBackground_ = false;
    }
    if (containerVC_ && containerVC_->isViewLoaded()) containerVC_->view()->removeFromSuperview();
    auto delegate = std::move(delegate_);
    delegate_.reset();
    if (delegate) delegate->startNextView();
}

void SimpleSelectView::closeWhenSuspend() {
    if (registeredEnterBackground_ || !systemSupportsMultitasking()) return;
    enterBackgroundToken_ = platform::ui::NotificationCenter::defaultCenter().addObserver(
        platform::ui::kApplicationDidEnterBackgroundNotification,
        [this](const platform::ui::Notification&) { close(); }, this);
    registeredEnterBackground_ = true;
}
