#pragma once
// The editor of one event before it goes into a calendar. Save writes the event to the store;
// either way the delegate hears how the editor ended and closes it. Main thread only.
#include <memory>

#include "platform/calendar/Event.h"
#include "platform/ui/ViewController.h"

namespace platform::calendar {

class EventStore;
class EventEditViewController;

enum class EventEditAction : int { Cancelled = 0, Saved = 1, Deleted = 2 };

class EventEditViewDelegate {
  public:
    virtual ~EventEditViewDelegate() = default;
    virtual void eventEditViewControllerDidComplete(EventEditViewController& controller,
                                                    EventEditAction action) = 0;
};

class EventEditViewController : public ui::ViewController {
  public:
    void setEvent(Event event) { event_ = std::move(event); }
    const Event& event() const { return event_; }
    void setEventStore(std::shared_ptr<EventStore> store) { store_ = std::move(store); }
    const std::shared_ptr<EventStore>& eventStore() const { return store_; }
    void setEditViewDelegate(std::weak_ptr<EventEditViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<EventEditViewDelegate> editViewDelegate() const { return delegate_.lock(); }

    // The user's Save or Cancel. A save the store refuses ends the editor as cancelled.
    void complete(EventEditAction action);

  private:
    Event event_;
    std::shared_ptr<EventStore> store_;
    std::weak_ptr<EventEditViewDelegate> delegate_;
};

}  // namespace platform::calendar
