#pragma once
// Walks a view tree on the main thread one view per main-loop turn, so a pass over a large
// screen never holds the loop for long. A visit may end later (a web view answers its script
// asynchronously): the walk goes on when the visit calls its continuation, or after the visit
// time-out when it never does. The list of views is taken when the walk starts: views removed
// since are skipped, views added since wait for the next walk. One walk at a time.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/View.h"

class DZViewHierarchyTraverser : public std::enable_shared_from_this<DZViewHierarchyTraverser> {
  public:
    // Called once per visit; the walk continues when it is called (at most once counts).
    using Continue = std::function<void()>;
    using TraversalBlock = std::function<void(const std::shared_ptr<platform::ui::View>& view,
                                              int32_t sequenceNumber, Continue next)>;
    // true after the last visit; false, on a later turn, for a refused walk.
    using CompletionBlock = std::function<void(bool finished)>;

    static constexpr double kDefaultVisitTimeout = 10;

    static std::shared_ptr<DZViewHierarchyTraverser> create(
        double visitTimeoutSeconds = kDefaultVisitTimeout);
    DZViewHierarchyTraverser(const DZViewHierarchyTraverser&) = delete;
    DZViewHierarchyTraverser& operator=(const DZViewHierarchyTraverser&) = delete;

    // Main thread. Refused while a walk is in progress or without a root or either block.
    // Views are visited in depth-first pre-order, the last subview of each view first.
    void traverseView(const std::shared_ptr<platform::ui::View>& root, TraversalBlock traversalBlock,
                      CompletionBlock completionBlock);

    bool isTraversing() const { return traversing_; }
    // The number of the last walk; the first is 1.
    int32_t sequenceNumber() const { return sequenceNumber_; }

  private:
    struct Walk;
    explicit DZViewHierarchyTraverser(double visitTimeoutSeconds) : visitTimeout_(visitTimeoutSeconds) {}
    void visitNext(const std::shared_ptr<Walk>& walk);

    double visitTimeout_;
    bool traversing_ = false;
    int32_t sequenceNumber_ = 0;
};
