// One full-screen saver per user at a time. An idle daemon starts the saver
// each time its timeout passes, also while one still runs; the saver takes
// this lock before it opens a window, and a second one that finds it held
// ends at once. The lock goes with the process: it is released when the
// holder ends, however it ends.
//
// Linux: an flock on a file of the user's own, in XDG_RUNTIME_DIR when that
// is a private folder of the user's, else in the per-user cache folder
// (with the host's name, as a home folder may be shared between machines).
// The file is opened without following a symlink and taken only when it is
// a regular file of the user's own. Windows: a named mutex in the session's
// namespace.
#pragma once

#include <cstdint>
#include <string>

namespace syl {

class SaverLock {
public:
    enum class State {
        Taken,  // this process holds the lock
        Busy,   // another saver holds it
        Failed, // the lock cannot be made (error() says why)
    };
    // Takes the user's saver lock; name, when given, is the lock's own
    // (a file's path on Linux, a mutex's name on Windows).
    explicit SaverLock(const std::string& name = {});
    ~SaverLock();
    SaverLock(const SaverLock&) = delete;
    SaverLock& operator=(const SaverLock&) = delete;

    State state() const { return state_; }
    const std::string& error() const { return error_; }
    // Where the lock lives (a path, a mutex's name).
    const std::string& name() const { return name_; }

private:
    State state_ = State::Failed;
    std::string name_, error_;
    intptr_t handle_ = -1;
};

// The user's saver lock's name: on Linux a path (the per-user folder is
// made when missing), empty when the user has no folder for it.
std::string saverLockName();

} // namespace syl
