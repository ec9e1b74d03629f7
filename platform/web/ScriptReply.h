#pragma once
// The host's answer to one script request of a page (an ad's "mraid.js"), given once: the body
// from memory, a decline (the request then loads from the network as if nothing had
// intercepted it), or a failure. It may be given inside the responder or later on the main
// loop; copies share the one answer. When the last copy goes unanswered the request fails, and
// an answer that comes after the load's time-out is dropped.
#include <functional>
#include <memory>
#include <string>

namespace platform::web {

struct ScriptAnswer {
    enum class Kind { Body, Decline, Fail };
    Kind kind = Kind::Fail;
    std::string body;  // Body only: the script's text
};

class ScriptReply {
  public:
    using Sink = std::function<void(const ScriptAnswer&)>;

    // `sink` receives the answer once: the first one given, or a failure when no copy is left.
    explicit ScriptReply(Sink sink);

    void answer(std::string body) const { give({ScriptAnswer::Kind::Body, std::move(body)}); }
    void decline() const { give({ScriptAnswer::Kind::Decline, {}}); }
    void fail() const { give({ScriptAnswer::Kind::Fail, {}}); }
    // True once an answer was given (or the request ended without one).
    bool answered() const;

  private:
    struct State;
    void give(const ScriptAnswer& answer) const;
    std::shared_ptr<State> state_;
};

}  // namespace platform::web
