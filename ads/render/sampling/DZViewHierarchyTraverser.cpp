#include "ads/render/sampling/DZViewHierarchyTraverser.h"

#include <cmath>
#include <utility>

#include "platform/dispatch/DispatchQueue.h"

struct DZViewHierarchyTraverser::Walk {
    std::vector<std::weak_ptr<platform::ui::View>> views;
    std::size_t next = 0;
    int32_t sequenceNumber = 0;
    TraversalBlock traversalBlock;
    CompletionBlock completionBlock;
};

std::shared_ptr<DZViewHierarchyTraverser> DZViewHierarchyTraverser::create(double visitTimeoutSeconds) {
    if (!std::isfinite(visitTimeoutSeconds) || visitTimeoutSeconds <= 0)
        visitTimeoutSeconds = kDefaultVisitTimeout;
    return std::shared_ptr<DZViewHierarchyTraverser>(new DZViewHierarchyTraverser(visitTimeoutSeconds));
}

void DZViewHierarchyTraverser::traverseView(const std::shared_ptr<platform::ui::View>& root,
                                            TraversalBlock traversalBlock, CompletionBlock completionBlock) {
    if (traversing_ || !root || !traversalBlock || !completionBlock) {
        if (completionBlock)
            platform::DispatchQueue::main()->async([completionBlock] { completionBlock(false); });
        return;
    }
    traversing_ = true;
    auto walk = std::make_shared<Walk>();
    walk->sequenceNumber = ++sequenceNumber_;
    walk->traversalBlock = std::move(traversalBlock);
    walk->completionBlock = std::move(completionBlock);
    std::vector<std::shared_ptr<platform::ui::View>> stack{root};
    while (!stack.empty()) {
        auto view = std::move(stack.back());
        stack.pop_back();
        walk->views.push_back(view);
        for (const auto& subview : view->subviews()) stack.push_back(subview);
    }
    auto self = shared_from_this();
    platform::DispatchQueue::main()->async([self, walk] { self->visitNext(walk); });
}

void DZViewHierarchyTraverser::visitNext(const std::shared_ptr<Walk>& walk) {
    auto self = shared_from_this();
    std::shared_ptr<platform::ui::View> view;
    while (!view && walk->next < walk->views.size()) view = walk->views[walk->next++].lock();
    if (!view) {
        traversing_ = false;
        auto completion = std::move(walk->completionBlock);
        completion(true);
        return;
    }
    // The visit's continuation and its time-out race; whichever comes first moves the walk on.
    auto moved = std::make_shared<bool>(false);
    auto next = [self, walk, moved] {
        if (*moved) return;
        *moved = true;
        platform::DispatchQueue::main()->async([self, walk] { self->visitNext(walk); });
    };
    auto block = walk->traversalBlock;
    block(view, walk->sequenceNumber, next);
    // Only a visit that goes on after its turn needs a time-out: most end within it, and a timer
    // each would cost every view of every pass.
    if (!*moved) platform::DispatchQueue::main()->after(visitTimeout_, next);
}
