#pragma once
// Stands in for the phone platform's dispatch queues: serial queues whose blocks run one at a
// time in submission order on a shared pool of worker threads, a main queue that is the
// process's main run loop (so "on the main queue" is the thread the game and the UI run on, in
// the window and headless alike), and a global queue whose blocks run concurrently.
// Once-only initialisation is std::call_once (or a function-local static); nothing here adds to it.
//
// sync() runs its block on the calling thread once every block submitted before it has run, and
// nothing else runs on that queue meanwhile. A sync() onto a queue whose block the calling thread
// is running (directly or through nested sync calls), or onto the main queue from the main
// thread, would wait for itself forever: it throws DispatchDeadlockError instead.
// A block that lets an exception escape from async() or after() ends the process with a log
// line naming the queue: there is no caller left to hand it to.
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace platform {

class DispatchDeadlockError : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

class DispatchQueue : public std::enable_shared_from_this<DispatchQueue> {
  public:
    using Task = std::function<void()>;

    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;
    virtual ~DispatchQueue() = default;

    // A new serial queue. Pending blocks keep their queue alive until they have run.
    static std::shared_ptr<DispatchQueue> createSerial(std::string label);
    // The main run loop (RunLoop::main() at the time of each call); throws std::logic_error
    // when no main loop is installed.
    static std::shared_ptr<DispatchQueue> main();
    // Blocks run concurrently on the worker pool, in no particular order.
    static std::shared_ptr<DispatchQueue> global();

    const std::string& label() const { return label_; }

    // Runs fn later; returns at once. Safe from any thread.
    virtual void async(Task fn) = 0;
    // Runs fn now, in queue order, and returns when it has run; fn's exception reaches the caller.
    virtual void sync(const std::function<void()>& fn) = 0;
    // Runs fn on the queue delaySeconds from now (a negative or NaN delay counts as 0). Serial
    // and global queues count real time; the main queue counts its run loop's time (a virtual
    // clock in tests and headless runs).
    virtual void after(double delaySeconds, Task fn) = 0;
    // Whether the calling thread is running a block of this queue (for the main queue: whether
    // it is the main loop's thread).
    virtual bool isCurrent() const = 0;

  protected:
    explicit DispatchQueue(std::string label) : label_(std::move(label)) {}

  private:
    std::string label_;
};

}  // namespace platform
