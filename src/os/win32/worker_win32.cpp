#include "platform/worker.h"

#include <windows.h>

namespace syl {

struct WorkerThread::Impl {
    HANDLE thread = nullptr;
    std::function<void()> work;
};

namespace {
DWORD WINAPI runWork(LPVOID p)
{
    auto* impl = static_cast<std::function<void()>*>(p);
    (*impl)();
    return 0;
}
} // namespace

WorkerThread::WorkerThread() : impl_(std::make_unique<Impl>()) {}
WorkerThread::~WorkerThread() { join(); }

bool WorkerThread::start(std::function<void()> work)
{
    join();
    impl_->work = std::move(work);
    impl_->thread = CreateThread(nullptr, 0, runWork, &impl_->work, 0, nullptr);
    if (impl_->thread) SetThreadPriority(impl_->thread, THREAD_PRIORITY_LOWEST);
    return impl_->thread != nullptr;
}

void WorkerThread::hurry()
{
    if (impl_->thread) SetThreadPriority(impl_->thread, THREAD_PRIORITY_NORMAL);
}

void WorkerThread::join()
{
    if (!impl_->thread) return;
    WaitForSingleObject(impl_->thread, INFINITE);
    CloseHandle(impl_->thread);
    impl_->thread = nullptr;
}

} // namespace syl
