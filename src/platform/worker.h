// Work on a thread of its own.
#pragma once

#include <functional>
#include <memory>

namespace syl {

class WorkerThread {
public:
    WorkerThread();
    ~WorkerThread(); // waits for the work to end
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Runs work on a new thread of the lowest priority (it gives way to the
    // animation) after any work started before has ended.
    // False when no thread can be started (the work is not run).
    bool start(std::function<void()> work);
    // Waits until the work has ended.
    void join();
    // Gives the work the normal priority again, so that its end does not
    // wait for an idle processor (where the system allows it).
    void hurry();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace syl
