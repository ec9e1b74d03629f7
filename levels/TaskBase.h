#pragma once
#include "core/JTArrayList.h"

namespace JTApp {

// Base of every in-level actor. Actors live in fixed pools made with the level and are switched
// on and off instead of being created and destroyed during play.
class TaskBase : public JTCore::JTObject {
  public:
    TaskBase() = default;

    virtual void update() {}
    virtual void draw() {}
    virtual void activate() { active_ = true; }
    // Back to the pool.
    virtual void deactivate() { active_ = false; }

    bool isActive() const { return active_; }

    // `update` of every active actor, in list order. The count is fixed when the walk starts, so
    // an actor activated at a later index during the walk is updated in the same walk.
    static void updateAll(const JTCore::Ref<JTCore::JTArrayList>& pool);
    // `draw` of every active actor, in list order.
    static void drawAll(const JTCore::Ref<JTCore::JTArrayList>& pool);
    // The first inactive actor in list order; null when all are busy or the pool is empty.
    static JTCore::Ref<TaskBase> findInactive(const JTCore::Ref<JTCore::JTArrayList>& pool);

  private:
    bool active_ = false;
};

}  // namespace JTApp
