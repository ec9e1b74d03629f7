#pragma once
// The base of every handler of ad-page messages: a table from message name to action, built
// once per handler class. A handler that knows a message's name takes it, whatever the action
// then does. Actions run on the main thread.
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ads/render/bridge/DZNotification.h"

class DZAdView;
class DZAMSGHandler;

struct DZAMSGArguments {
    std::shared_ptr<const DZNotification> note;
    std::shared_ptr<DZAdView> adView;  // may be null
};

class DZAMSGHandler {
  public:
    using Action = std::function<void(DZAMSGHandler& handler, const DZAMSGArguments& arguments)>;
    using ActionTable = std::map<std::string, Action>;

    virtual ~DZAMSGHandler() = default;

    // Name to action; empty in the base.
    virtual const ActionTable& actionBlockDictionary() const;

    // False unless the URL is an amsg URL whose message this handler takes.
    bool handleRequest(const std::string& url, const std::shared_ptr<DZAdView>& adView);
    bool handleNotification(const std::shared_ptr<const DZNotification>& note,
                            const std::shared_ptr<DZAdView>& adView);
};
