#pragma once
// "delayPageLoaded": a creative holds back the report of its load ("start") until it is ready
// ("stop"), or gives it up ("cancel"). Holders are counted; only a key's presence counts, never
// its value. The work runs on the main loop's next turn, after the current dispatch.
#include <memory>

#include "ads/render/bridge/DZAMSGHandler.h"

class DZDelayLoadDelegate;

class DZDelayPageLoadAMSGHandler : public DZAMSGHandler,
                                   public std::enable_shared_from_this<DZDelayPageLoadAMSGHandler> {
  public:
    explicit DZDelayPageLoadAMSGHandler(std::weak_ptr<DZDelayLoadDelegate> delegate = {})
        : delegate_(std::move(delegate)) {}

    const ActionTable& actionBlockDictionary() const override;
    std::shared_ptr<DZDelayLoadDelegate> delegate() const { return delegate_.lock(); }
    int delayCount() const { return delayCount_; }

    void delayPageLoadWithArguments(const DZAMSGArguments& arguments);
    // What "cancel" does: the delegate is told, then forgotten, and the count returns to 0.
    void cancel();
    // A new page starts with no delays, reporting to `delegate`.
    void reset(std::weak_ptr<DZDelayLoadDelegate> delegate);

  private:
    void apply(const DZNotification& note);

    std::weak_ptr<DZDelayLoadDelegate> delegate_;
    int delayCount_ = 0;
};
