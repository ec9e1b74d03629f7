#pragma once
// Where the slot finds the component's own purchase flow, which lives in a later layer: when the
// app switched that flow on, it takes the purchases of every slot before any owner's delegate.
// Empty (no flow) until that layer installs it at start-up, on the main thread.
#include <functional>
#include <memory>

class DZInAppPurchaseDelegate;

class DZSlotInAppPurchaseHooks {
  public:
    // The default purchase flow while it is enabled; null otherwise.
    inline static std::function<std::shared_ptr<DZInAppPurchaseDelegate>()> defaultPurchaseFlow;
};
