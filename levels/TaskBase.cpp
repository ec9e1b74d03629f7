#include "levels/TaskBase.h"

namespace JTApp {

using JTCore::JTArrayList;
using JTCore::Ref;

// A missing pool or an element that is not an actor is passed over: one stray object must not
// take the whole level down.

void TaskBase::updateAll(const Ref<JTArrayList>& pool) {
    if (!pool) return;
    const int n = pool->size();
    for (int i = 0; i < n; ++i) {
        Ref<TaskBase> task = pool->getAs<TaskBase>(i);
        if (task && task->isActive()) task->update();
    }
}

void TaskBase::drawAll(const Ref<JTArrayList>& pool) {
    if (!pool) return;
    const int n = pool->size();
    for (int i = 0; i < n; ++i) {
        Ref<TaskBase> task = pool->getAs<TaskBase>(i);
        if (task && task->isActive()) task->draw();
    }
}

Ref<TaskBase> TaskBase::findInactive(const Ref<JTArrayList>& pool) {
    if (!pool) return nullptr;
    for (int i = 0; i < pool->size(); ++i) {
        Ref<TaskBase> task = pool->getAs<TaskBase>(i);
        if (task && !task->isActive()) return task;
    }
    return nullptr;
}

}  // namespace JTApp
