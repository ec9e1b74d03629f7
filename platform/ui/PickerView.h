#pragma once
// A spinning-wheel list of rows with one selected row in the middle band. One component is
// supported (the only shape the screens use); its width and row height come from the delegate.
// Data source and delegate are held weakly.
#include <algorithm>
#include <memory>
#include <string>

#include "platform/ui/Font.h"
#include "platform/ui/View.h"

namespace platform::ui {

class PickerView;

class PickerViewDataSource {
  public:
    virtual ~PickerViewDataSource() = default;
    virtual int numberOfComponentsInPickerView(PickerView& picker) { return 1; }
    virtual int pickerViewNumberOfRowsInComponent(PickerView& picker, int component) = 0;
};

class PickerViewDelegate {
  public:
    virtual ~PickerViewDelegate() = default;
    virtual std::string pickerViewTitleForRow(PickerView& picker, int row, int component) { return ""; }
    // 0 = the view's width less a margin.
    virtual float pickerViewWidthForComponent(PickerView& picker, int component) { return 0; }
    virtual float pickerViewRowHeightForComponent(PickerView& picker, int component) { return 44; }
    virtual void pickerViewDidSelectRow(PickerView& picker, int row, int component) {}
};

class PickerView : public View {
  public:
    PickerView();
    explicit PickerView(Rect frame);
    const char* className() const override { return "PickerView"; }

    void setDataSource(std::weak_ptr<PickerViewDataSource> source) { dataSource_ = std::move(source); }
    void setDelegate(std::weak_ptr<PickerViewDelegate> delegate) { delegate_ = std::move(delegate); }

    int numberOfComponents();
    int numberOfRowsInComponent(int component);
    // Asks the data source again; the selection is kept inside the new row range.
    void reloadAllComponents();
    // Selects by code: the delegate is not told (as on the platform).
    void selectRow(int row, int component, bool animated);
    // -1 when the component has no rows.
    int selectedRowInComponent(int component);
    float rowHeight();
    float componentWidth();
    // A row's title as the delegate gives it ("" without one), its font, and the width it is
    // drawn in: one line, shrunk or ellipsized to fit.
    std::string titleForRow(int row);
    static constexpr Font kRowFont{20, true};
    float rowTextWidth() { return std::max(0.0f, componentWidth() - 24); }
    // A wheel: moves the selection by whole rows as the turned amount adds up (a notch is a
    // row), and tells the delegate as a finger's choice does.
    void scrollByRows(float rows);
    bool scrollWheel(Point location, float dx, float dy) override;
    // The row whose band contains `p` (own coordinates), -1 when none.
    int rowAtPoint(Point p);

    void touchesBegan(const TouchList& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchList& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchList& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchList& touches, const TouchEvent& event) override;
    void draw(DrawContext& ctx) override;

    static constexpr float kDefaultHeight = 216;

  private:
    // Settles on a row from a user gesture and tells the delegate when it changed.
    void settle(int row);
    int clampRow(int row);

    std::weak_ptr<PickerViewDataSource> dataSource_;
    std::weak_ptr<PickerViewDelegate> delegate_;
    int selected_ = 0;
    float offset_ = 0;  // scroll position in points: row r sits in the middle at r * rowHeight
    bool tracking_ = false;
    bool dragging_ = false;
    std::uint64_t trackedTouch_ = 0;
    Point dragStart_;
    float offsetAtStart_ = 0;
    float wheelRows_ = 0;  // turned but not yet a whole row
};

}  // namespace platform::ui
