#include "platform/background.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <system_error>
#include <thread>

namespace syl {

struct BackgroundThread::Impl {
    std::thread thread;
    std::atomic<long> tid{0};
};

BackgroundThread::BackgroundThread() : impl_(std::make_unique<Impl>()) {}
BackgroundThread::~BackgroundThread() { join(); }

bool BackgroundThread::start(std::function<void()> work)
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

void BackgroundThread::hurry()
{
    if (const long tid = impl_->tid.load(); tid > 0 && impl_->thread.joinable())
        setpriority(PRIO_PROCESS, static_cast<id_t>(tid), 0);
}

void BackgroundThread::join()
{
    if (impl_->thread.joinable()) impl_->thread.join();
}

} // namespace syl
