// The saver lock on Windows: a named mutex in the session's namespace, so
// that one saver runs per session (a user's desktop).
#include "platform/saver_lock.h"

#include <windows.h>

#include <string>

namespace syl {

std::string saverLockName() { return "Local\\Sylvadra.FullScreenSaver"; }

SaverLock::SaverLock(const std::string& name) : name_(name.empty() ? saverLockName() : name)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name_.c_str());
    const DWORD e = GetLastError();
    if (!mutex && e == ERROR_ACCESS_DENIED) {
        // The mutex is there, made by a saver this process may not open
        // (one running with more rights).
        state_ = State::Busy;
        return;
    }
    if (!mutex) {
        error_ = name_ + ": cannot make the mutex (error " + std::to_string(e) + ")";
        return;
    }
    if (e == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        state_ = State::Busy;
        return;
    }
    handle_ = reinterpret_cast<intptr_t>(mutex);
    state_ = State::Taken;
}

SaverLock::~SaverLock()
{
    if (state_ == State::Taken) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

} // namespace syl
