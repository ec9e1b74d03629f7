#include "platform/web/ScriptReply.h"

namespace platform::web {

struct ScriptReply::State {
    Sink sink;

    ~State() {
        if (sink) sink({ScriptAnswer::Kind::Fail, {}});
    }
};

ScriptReply::ScriptReply(Sink sink) : state_(std::make_shared<State>()) {
    state_->sink = std::move(sink);
}

bool ScriptReply::answered() const {
    return !state_->sink;
}

void ScriptReply::give(const ScriptAnswer& answer) const {
    // Taken out first: the sink may drop the last other copy of this reply.
    Sink sink = std::move(state_->sink);
    state_->sink = nullptr;
    if (sink) sink(answer);
}

}  // namespace platform::web
