#include "platform/background.h"

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
        impl_->thread = std::thread(std::move(work));
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
