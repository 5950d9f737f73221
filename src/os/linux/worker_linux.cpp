#include "platform/worker.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <system_error>
#include <thread>

namespace syl {

struct WorkerThread::Impl {
    std::thread thread;
    std::atomic<long> tid{0};
};

WorkerThread::WorkerThread() : impl_(std::make_unique<Impl>()) {}
WorkerThread::~WorkerThread() { join(); }

bool WorkerThread::start(std::function<void()> work)
{
    join();
    try {
        impl_->tid = 0;
        impl_->thread = std::thread([work = std::move(work), impl = impl_.get()] {
            // A thread's nice value is its own on Linux.
            const long tid = syscall(SYS_gettid);
            setpriority(PRIO_PROCESS, static_cast<id_t>(tid), 19);
            impl->tid = tid;
            work();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void WorkerThread::hurry()
{
    if (const long tid = impl_->tid.load(); tid > 0 && impl_->thread.joinable())
        setpriority(PRIO_PROCESS, static_cast<id_t>(tid), 0);
}

void WorkerThread::join()
{
    if (impl_->thread.joinable()) impl_->thread.join();
}

} // namespace syl
