#include "ads/render/view/DZDelayPageLoadAMSGHandler.h"

#include <limits>

#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "platform/dispatch/DispatchQueue.h"

const DZAMSGHandler::ActionTable& DZDelayPageLoadAMSGHandler::actionBlockDictionary() const {
    static const ActionTable table{
        {"delayPageLoaded",
         [](DZAMSGHandler& handler, const DZAMSGArguments& arguments) {
             static_cast<DZDelayPageLoadAMSGHandler&>(handler).delayPageLoadWithArguments(arguments);
         }},
    };
    return table;
}

void DZDelayPageLoadAMSGHandler::delayPageLoadWithArguments(const DZAMSGArguments& arguments) {
    platform::DispatchQueue::main()->async([weak = weak_from_this(), note = arguments.note] {
        if (auto self = weak.lock()) self->apply(*note);
    });
}

void DZDelayPageLoadAMSGHandler::apply(const DZNotification& note) {
    const auto& parameters = note.parameters();
    auto self = shared_from_this();  // the delegate may let go of this handler
    if (parameters.count("start")) {
        // A page sending "start" for ever must not wrap the count round to a release.
        if (delayCount_ == std::numeric_limits<int>::max()) return;
        const int from = delayCount_++;
        if (auto delegate = delegate_.lock()) delegate->loadHandlerDidChangeDelay(*this, from, delayCount_);
    } else if (parameters.count("stop")) {
        if (delayCount_ < 1) return;
        const int from = delayCount_--;
        if (auto delegate = delegate_.lock()) delegate->loadHandlerDidChangeDelay(*this, from, delayCount_);
    } else if (parameters.count("cancel")) {
        cancel();
    }
}

void DZDelayPageLoadAMSGHandler::cancel() {
    auto self = shared_from_this();
    auto delegate = delegate_.lock();
    delegate_.reset();
    delayCount_ = 0;
    if (delegate) delegate->loadHandlerDidCancel(*this);
}

void DZDelayPageLoadAMSGHandler::reset(std::weak_ptr<DZDelayLoadDelegate> delegate) {
    delegate_ = std::move(delegate);
    delayCount_ = 0;
}
