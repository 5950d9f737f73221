#include "platform/background.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <system_error>
#include <thread>

namespace syl {

struct BackgroundThread::Impl {
    std::thread thread;
};

BackgroundThread::BackgroundThread() : impl_(std::make_unique<Impl>()) {}
BackgroundThread::~BackgroundThread() { join(); }

bool BackgroundThread::start(std::function<void()> work)
{
    join();
    try {
        impl_->thread = std::thread([work = std::move(work)] {
            // A thread's nice value is its own on Linux.
            setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
            work();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void BackgroundThread::join()
{
    if (impl_->thread.joinable()) impl_->thread.join();
}

} // namespace syl
