// The file rules on POSIX systems: O_EXCL for new names, O_NOFOLLOW for
// appends, O_NONBLOCK with fstat before any read, rename for replacement.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/files.h"

namespace syl {

namespace {

std::string reason(int err) { return std::strerror(err); }

// The process's umask, read once (reading it means setting it).
mode_t processUmask()
{
    static const mode_t mask = [] {
        const mode_t m = umask(077);
        umask(m);
        return m;
    }();
    return mask;
}

bool writeAll(int fd, const uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// An unpredictable name beside the target, created exclusively.
int createTemporary(const std::string& target, std::string& tmp)
{
    std::string pattern = target + ".XXXXXX.part";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const int fd = mkostemps(buf.data(), 5, O_CLOEXEC);
    if (fd >= 0) tmp.assign(buf.data());
    return fd;
}

} // namespace

PathKind pathKind(const std::string& path, bool followLinks)
{
    struct stat st {};
    const int r = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    if (r != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return PathKind::Missing;
        return PathKind::Unknown;
    }
    if (S_ISREG(st.st_mode)) return PathKind::Regular;
    if (S_ISDIR(st.st_mode)) return PathKind::Directory;
    if (S_ISLNK(st.st_mode)) return PathKind::Link;
    return PathKind::Special;
}

namespace {

// The reading of readRegularFile and readOwnFile: own asks for a file of
// the user's own, not reached through a symlink; head takes the first
// maxBytes of a longer file.
ReadStatus readFile(const std::string& path, std::size_t maxBytes, std::string& out, std::string* why, bool own,
                    bool head)
{
    out.clear();
    auto fail = [&](const std::string& w) {
        if (why) *why = w;
        return ReadStatus::Unreadable;
    };
    // Non-blocking, so that a FIFO in the file's place cannot hold the
    // program; what it is decides before a single byte is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (own ? O_NOFOLLOW : 0));
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            if (why) *why = reason(errno);
            return ReadStatus::Missing;
        }
        return fail(reason(errno));
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(reason(e));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail("not a regular file");
    }
    if (own && st.st_uid != ::geteuid()) {
        ::close(fd);
        return fail("not the user's own");
    }
    if (!head && static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return fail("larger than " + std::to_string(maxBytes) + " bytes");
    }
    // Room for one byte more than fstat told, so that the probe for a file
    // that grew needs no second buffer.
    out.resize(std::min(maxBytes, static_cast<std::size_t>(st.st_size)) + 1);
    std::size_t got = 0;
    for (;;) {
        if (got == out.size()) {
            // The file may have grown since fstat: one byte more tells.
            if (got >= maxBytes + 1) break;
            out.resize(std::min(maxBytes + 1, got + 4096));
        }
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            ::close(fd);
            out.clear();
            return fail(reason(e));
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(got);
    if (got > maxBytes) {
        if (head) {
            out.resize(maxBytes);
            return ReadStatus::Ok;
        }
        out.clear();
        return fail("larger than " + std::to_string(maxBytes) + " bytes");
    }
    return ReadStatus::Ok;
}

} // namespace

ReadStatus readRegularFile(const std::string& path, std::size_t maxBytes, std::string& out, std::string* why)
{
    return readFile(path, maxBytes, out, why, false, false);
}

ReadStatus readOwnFile(const std::string& path, std::size_t maxBytes, std::string& out, bool head)
{
    return readFile(path, maxBytes, out, nullptr, true, head);
}

bool ownRealFolder(const std::string& dir)
{
    struct stat st {};
    return !dir.empty() && ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

AtomicFile::AtomicFile(const std::string& path, Links links, unsigned newFileMode) : target_(path)
{
    struct stat st {};
    bool exists = false;
    if (::lstat(path.c_str(), &st) == 0) {
        exists = true;
        if (S_ISLNK(st.st_mode) && links == Links::Follow) {
            char* real = realpath(path.c_str(), nullptr);
            if (!real) {
                fail("the link leads nowhere");
                return;
            }
            target_ = real;
            std::free(real);
            if (::lstat(target_.c_str(), &st) != 0) {
                fail(reason(errno));
                return;
            }
        }
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
            fail(S_ISDIR(st.st_mode) ? "is a folder" : "not a regular file");
            return;
        }
    } else if (errno != ENOENT) {
        fail(reason(errno));
        return;
    }
    fd_ = createTemporary(target_, tmp_);
    if (fd_ < 0) {
        fail(reason(errno));
        return;
    }
    slot_ = holdTemporaryName(tmp_);
    const mode_t mode =
        exists && S_ISREG(st.st_mode) ? (st.st_mode & 07777) : (static_cast<mode_t>(newFileMode) & ~processUmask());
    if (fchmod(fd_, mode) != 0) fail(reason(errno));
}

void AtomicFile::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tmp_.empty()) {
        ::unlink(tmp_.c_str());
        tmp_.clear();
    }
    releaseTemporaryName(slot_);
    slot_ = -1;
}

bool AtomicFile::write(std::span<const uint8_t> bytes)
{
    if (failed_) return false;
    if (!writeAll(fd_, bytes.data(), bytes.size())) return fail(reason(errno));
    return true;
}

bool AtomicFile::commit()
{
    if (failed_ || fd_ < 0) {
        discard();
        return fail("cannot be written");
    }
    // The data reaches the disk before the name does, so that a crash
    // leaves the old file or the new one, never an empty one.
    if (fsync(fd_) != 0) {
        const int e = errno;
        discard();
        return fail(reason(e));
    }
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
        const int e = errno;
        discard();
        return fail(reason(e));
    }
    // The target may have been replaced by something else meanwhile; a
    // folder there makes rename fail, anything else is replaced as a name.
    if (::rename(tmp_.c_str(), target_.c_str()) != 0) {
        const int e = errno;
        discard();
        return fail(reason(e));
    }
    tmp_.clear();
    releaseTemporaryName(slot_);
    slot_ = -1;
    // The new name reaches the disk with its folder.
    const auto slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target_.substr(0, slash));
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool detail::writeIntoDevice(const std::string& path, std::string_view bytes, std::string* why)
{
    auto failWith = [&](const std::string& w) {
        if (why) *why = w;
        return false;
    };
    // A device or a FIFO is written into, never replaced.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return failWith(reason(errno));
    struct stat st {};
    if (fstat(fd, &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return failWith("changed while it was opened");
    }
    bool ok = writeAll(fd, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    const int e = errno;
    if (::close(fd) != 0 && ok) return failWith(reason(errno));
    if (!ok) return failWith(reason(e));
    return true;
}

bool sameFile(const std::string& a, const std::string& b)
{
    if (a == b) return true;
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool appendToUserFile(const std::string& path, std::string_view text)
{
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid();
    ok = ok && writeAll(fd, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (::close(fd) != 0) ok = false;
    return ok;
}

bool folderWritable(const std::string& dir)
{
    std::string base = dir;
    if (base.empty()) return false;
    if (base.back() != '/') base += '/';
    std::string pattern = base + ".sylvadra-probe-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const int fd = mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(buf.data());
    return true;
}

bool programFolderUsable(const std::string& dir)
{
    struct stat st {};
    if (dir.empty() || ::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
    char* real = ::realpath(dir.c_str(), nullptr);
    if (!real) return false;
    const std::string path = std::string(real) + "/";
    std::free(real);
    static const char* const kSystem[] = {"/usr/",    "/bin/", "/sbin/", "/lib/",  "/lib32/", "/lib64/",
                                          "/libx32/", "/etc/", "/opt/",  "/boot/", "/var/",   "/snap/"};
    if (path == "/") return false;
    for (const char* system : kSystem)
        if (path.compare(0, std::strlen(system), system) == 0) return false;
    return true;
}

bool makeUserFolder(const std::string& dir)
{
    if (dir.empty() || dir[0] != '/') return false;
    for (std::size_t at = 1; at <= dir.size(); ++at) {
        if (at != dir.size() && dir[at] != '/') continue;
        const std::string part = dir.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    // A folder that someone else made in the user's place is not the user's.
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid();
}

} // namespace syl
