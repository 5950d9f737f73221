// The saver lock on Linux: an flock on a regular file of the user's own.
#include "platform/saver_lock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/system_host.h"

namespace syl {

namespace {

// XDG_RUNTIME_DIR when it is a folder of the user's that nobody else can
// write into (the session manager makes it so, mode 0700).
std::string privateRuntimeDir()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || runtime[0] != '/') return {};
    struct stat st {};
    if (::lstat(runtime, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0)
        return {};
    return runtime;
}

} // namespace

std::string saverLockName()
{
    const std::string runtime = privateRuntimeDir();
    if (!runtime.empty()) return runtime + "/sylvadra-saver.lock";
    const std::string cache = userCacheDir();
    if (cache.empty() || !makeUserFolder(cache)) return {};
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || !host[0] || std::strchr(host, '/')) std::strcpy(host, "localhost");
    return cache + "/saver-" + host + ".lock";
}

SaverLock::SaverLock(const std::string& name) : name_(name.empty() ? saverLockName() : name)
{
    if (name_.empty()) {
        error_ = "no folder of the user's for the saver's lock";
        return;
    }
    const int fd = ::open(name_.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        error_ = name_ + ": " + (errno == ELOOP ? "is a symlink" : std::strerror(errno));
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        error_ = name_ + ": not a regular file of the user's own";
        ::close(fd);
        return;
    }
    int taken;
    do taken = ::flock(fd, LOCK_EX | LOCK_NB);
    while (taken != 0 && errno == EINTR);
    if (taken != 0) {
        const int e = errno;
        ::close(fd);
        if (e == EWOULDBLOCK) {
            state_ = State::Busy;
            return;
        }
        error_ = name_ + ": " + std::strerror(e);
        return;
    }
    handle_ = fd;
    state_ = State::Taken;
}

SaverLock::~SaverLock()
{
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

} // namespace syl
