#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/JTArrayList.h"
#include "core/JTString.h"
#include "levels/TaskBase.h"

using JTApp::TaskBase;
using JTCore::JTArrayList;
using JTCore::makeRef;
using JTCore::Ref;

namespace {

// Writes its name into a shared log on update and draw; may wake another actor while updating.
class LoggingTask : public TaskBase {
  public:
    LoggingTask(std::vector<std::string>* log, std::string name) : log_(log), name_(std::move(name)) {}
    void update() override {
        log_->push_back("update " + name_);
        if (wakeOnUpdate) wakeOnUpdate->activate();
    }
    void draw() override { log_->push_back("draw " + name_); }
    Ref<TaskBase> wakeOnUpdate;

  private:
    std::vector<std::string>* log_;
    std::string name_;
};

struct Pool {
    explicit Pool(int n) {
        for (int i = 0; i < n; ++i) {
            auto task = makeRef<LoggingTask>(&log, std::to_string(i));
            tasks.push_back(task);
            list->add(task);
        }
    }
    std::vector<std::string> log;
    std::vector<Ref<LoggingTask>> tasks;
    Ref<JTArrayList> list = makeRef<JTArrayList>();
};

}  // namespace

TEST(TaskBaseTest, FindInactiveReusesActorsInListOrder) {
    Pool pool(3);
    EXPECT_FALSE(pool.tasks[0]->isActive());
    EXPECT_EQ(TaskBase::findInactive(pool.list), pool.tasks[0]);

    for (auto& task : pool.tasks) task->activate();
    EXPECT_EQ(TaskBase::findInactive(pool.list), nullptr);

    pool.tasks[2]->deactivate();
    pool.tasks[1]->deactivate();
    EXPECT_EQ(TaskBase::findInactive(pool.list), pool.tasks[1]);

    EXPECT_EQ(TaskBase::findInactive(makeRef<JTArrayList>()), nullptr);
}

TEST(TaskBaseTest, WalksVisitOnlyActiveActorsInOrder) {
    Pool pool(4);
    pool.tasks[3]->activate();
    pool.tasks[1]->activate();
    TaskBase::updateAll(pool.list);
    TaskBase::drawAll(pool.list);
    EXPECT_EQ(pool.log, (std::vector<std::string>{"update 1", "update 3", "draw 1", "draw 3"}));
}

TEST(TaskBaseTest, ActorWokenDuringTheWalkIsUpdatedInTheSameWalkOnlyWhenLater) {
    Pool pool(4);
    pool.tasks[1]->activate();
    pool.tasks[1]->wakeOnUpdate = pool.tasks[3];  // later in the list: reached in this walk
    pool.tasks[3]->wakeOnUpdate = pool.tasks[0];  // earlier: waits for the next walk
    TaskBase::updateAll(pool.list);
    EXPECT_EQ(pool.log, (std::vector<std::string>{"update 1", "update 3"}));

    pool.log.clear();
    TaskBase::updateAll(pool.list);
    EXPECT_EQ(pool.log, (std::vector<std::string>{"update 0", "update 1", "update 3"}));
}

TEST(TaskBaseTest, ActorsAppendedDuringTheWalkWaitForTheNextOne) {
    Pool pool(1);
    pool.tasks[0]->activate();
    auto late = makeRef<LoggingTask>(&pool.log, "late");
    late->activate();

    class Spawner : public TaskBase {
      public:
        Spawner(Ref<JTArrayList> list, Ref<TaskBase> child)
            : list_(std::move(list)), child_(std::move(child)) {}
        void update() override {
            if (child_) list_->add(child_);
            child_.reset();
        }

      private:
        Ref<JTArrayList> list_;
        Ref<TaskBase> child_;
    };
    auto spawner = makeRef<Spawner>(pool.list, late);
    spawner->activate();
    pool.list->add(spawner);

    TaskBase::updateAll(pool.list);
    EXPECT_EQ(pool.log, std::vector<std::string>{"update 0"});
    TaskBase::updateAll(pool.list);
    EXPECT_EQ(pool.log, (std::vector<std::string>{"update 0", "update 0", "update late"}));
    pool.list->clear();  // the spawner holds the list that holds it
}

TEST(TaskBaseTest, StrayObjectsAndMissingPoolsArePassedOver) {
    Pool pool(2);
    pool.list->add(makeRef<JTCore::JTString>("not an actor"));
    pool.tasks[1]->activate();
    TaskBase::updateAll(pool.list);
    TaskBase::drawAll(pool.list);
    EXPECT_EQ(pool.log, (std::vector<std::string>{"update 1", "draw 1"}));
    pool.tasks[0]->activate();
    EXPECT_EQ(TaskBase::findInactive(pool.list), nullptr);

    TaskBase::updateAll(nullptr);
    TaskBase::drawAll(nullptr);
    EXPECT_EQ(TaskBase::findInactive(nullptr), nullptr);
}
