// The file rules on Windows: CREATE_NEW for new names, reparse points
// (symlinks, junctions) opened as themselves and refused for appends, the
// file type asked before any read, MoveFileEx for replacement.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/files.h"

namespace syl {

namespace {

std::string reason(DWORD err)
{
    char buf[256] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, err, 0, buf,
                             sizeof buf, nullptr);
    while (n > 0 && (buf[n - 1] == '\r' || buf[n - 1] == '\n' || buf[n - 1] == '.')) --n;
    return n ? std::string(buf, n) : "error " + std::to_string(err);
}

// Random letters for a temporary name, from the system's generator.
extern "C" BOOLEAN NTAPI SystemFunction036(PVOID buffer, ULONG length); // RtlGenRandom, advapi32

std::string randomLetters()
{
    unsigned char bytes[8] = {};
    if (!SystemFunction036(bytes, sizeof bytes)) {
        LARGE_INTEGER c{};
        QueryPerformanceCounter(&c);
        for (unsigned i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(c.QuadPart >> (i * 7));
    }
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string s;
    for (unsigned char b : bytes) s += kLetters[b % 36];
    return s;
}

// Creates a new file under an unpredictable name built from prefix; never
// opens one that is there already (a planted name fails, and another is tried).
HANDLE createExclusive(const std::string& prefix, const std::string& suffix, std::string& name, DWORD flags)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = prefix + randomLetters() + suffix;
        HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL | flags, nullptr);
        if (h != INVALID_HANDLE_VALUE) return h;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    name.clear();
    return INVALID_HANDLE_VALUE;
}

bool writeAll(HANDLE h, const uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(h, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

} // namespace

PathKind pathKind(const std::string& path, bool followLinks)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) {
            // Device names (NUL, CON) have no attributes on every system.
            HANDLE h =
                CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            if (h == INVALID_HANDLE_VALUE) return PathKind::Missing;
            const DWORD type = GetFileType(h);
            CloseHandle(h);
            return type == FILE_TYPE_DISK ? PathKind::Regular : PathKind::Special;
        }
        return PathKind::Unknown;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !followLinks) return PathKind::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Directory;
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? PathKind::Missing : PathKind::Unknown;
    const DWORD type = GetFileType(h);
    CloseHandle(h);
    return type == FILE_TYPE_DISK ? PathKind::Regular : PathKind::Special;
}

ReadStatus readRegularFile(const std::string& path, std::size_t maxBytes, std::string& out, std::string* why)
{
    out.clear();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        if (why) *why = reason(e);
        return (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) ? ReadStatus::Missing : ReadStatus::Unreadable;
    }
    LARGE_INTEGER size{};
    const bool regular = GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &size);
    if (!regular || static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
        CloseHandle(h);
        if (why) *why = regular ? "larger than " + std::to_string(maxBytes) + " bytes" : "not a regular file";
        return ReadStatus::Unreadable;
    }
    out.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    const bool ok = out.empty() || (ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &got, nullptr) != 0);
    CloseHandle(h);
    if (!ok) {
        out.clear();
        if (why) *why = reason(GetLastError());
        return ReadStatus::Unreadable;
    }
    out.resize(got);
    return ReadStatus::Ok;
}

ReadStatus readOwnFile(const std::string& path, std::size_t maxBytes, std::string& out, bool head)
{
    out.clear();
    if (pathKind(path, false) != PathKind::Regular) return ReadStatus::Unreadable;
    if (!head) return readRegularFile(path, maxBytes, out);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return ReadStatus::Unreadable;
    out.resize(maxBytes);
    DWORD got = 0;
    const bool ok = GetFileType(h) == FILE_TYPE_DISK &&
                    (out.empty() || ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &got, nullptr) != 0);
    CloseHandle(h);
    out.resize(ok ? got : 0);
    return ok ? ReadStatus::Ok : ReadStatus::Unreadable;
}

bool ownRealFolder(const std::string& dir) { return pathKind(dir, false) == PathKind::Directory; }

AtomicFile::AtomicFile(const std::string& path, Links links, unsigned newFileMode) : target_(path)
{
    (void)newFileMode;
    const PathKind kind = pathKind(path, links == Links::Follow);
    if (kind == PathKind::Directory) {
        fail("is a folder");
        return;
    }
    if (kind == PathKind::Special || kind == PathKind::Unknown) {
        fail("not a regular file");
        return;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (links == Links::Follow && kind == PathKind::Regular && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // The file that the link leads to is written, under its own name.
        HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        char buf[MAX_PATH * 2] = {};
        if (h != INVALID_HANDLE_VALUE) {
            const DWORD n = GetFinalPathNameByHandleA(h, buf, sizeof buf, FILE_NAME_NORMALIZED);
            CloseHandle(h);
            if (n > 0 && n < sizeof buf) {
                target_ = buf;
                if (target_.rfind("\\\\?\\", 0) == 0) target_ = target_.substr(4);
            }
        }
    }
    HANDLE h = createExclusive(target_ + ".", ".part", tmp_, 0);
    if (h == INVALID_HANDLE_VALUE) {
        fail(reason(GetLastError()));
        return;
    }
    handle_ = h;
    slot_ = holdTemporaryName(tmp_);
}

void AtomicFile::discard()
{
    if (handle_) {
        CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = nullptr;
    }
    if (!tmp_.empty()) {
        DeleteFileA(tmp_.c_str());
        tmp_.clear();
    }
    releaseTemporaryName(slot_);
    slot_ = -1;
}

bool AtomicFile::write(std::span<const uint8_t> bytes)
{
    if (failed_) return false;
    if (!writeAll(static_cast<HANDLE>(handle_), bytes.data(), bytes.size())) return fail(reason(GetLastError()));
    return true;
}

bool AtomicFile::commit()
{
    if (failed_ || !handle_) {
        discard();
        return fail("cannot be written");
    }
    HANDLE h = static_cast<HANDLE>(handle_);
    const bool flushed = FlushFileBuffers(h) != 0;
    const DWORD flushError = GetLastError();
    CloseHandle(h);
    handle_ = nullptr;
    if (!flushed) {
        discard();
        return fail(reason(flushError));
    }
    if (!MoveFileExA(tmp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD e = GetLastError();
        discard();
        return fail(reason(e));
    }
    tmp_.clear();
    releaseTemporaryName(slot_);
    slot_ = -1;
    return true;
}

bool detail::writeIntoDevice(const std::string& path, std::string_view bytes, std::string* why)
{
    auto failWith = [&](const std::string& w) {
        if (why) *why = w;
        return false;
    };
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return failWith(reason(GetLastError()));
    const bool ok =
        GetFileType(h) != FILE_TYPE_DISK && writeAll(h, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    const DWORD e = GetLastError();
    CloseHandle(h);
    return ok || failWith(reason(e));
}

bool sameFile(const std::string& a, const std::string& b)
{
    if (a == b) return true;
    auto id = [](const std::string& p, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE h = CreateFileA(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        const bool ok = GetFileInformationByHandle(h, &info) != 0;
        CloseHandle(h);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    return id(a, ia) && id(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool appendToUserFile(const std::string& path, std::string_view text)
{
    // A reparse point at the name is opened as itself and then refused, so
    // that a planted link never leads the append elsewhere.
    HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    bool ok = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
              !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
    ok = ok && writeAll(h, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    CloseHandle(h);
    return ok;
}

bool programFolderUsable(const std::string&) { return true; }

bool folderWritable(const std::string& dir)
{
    std::string base = dir;
    if (base.empty()) return false;
    if (base.back() != '\\' && base.back() != '/') base += '\\';
    std::string name;
    HANDLE h = createExclusive(base + ".sylvadra-probe-", "", name, FILE_FLAG_DELETE_ON_CLOSE);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool makeUserFolder(const std::string& dir)
{
    if (dir.empty()) return false;
    for (std::size_t at = 1; at <= dir.size(); ++at) {
        if (at != dir.size() && dir[at] != '\\' && dir[at] != '/') continue;
        const std::string part = dir.substr(0, at);
        if (part.size() == 2 && part[1] == ':') continue; // a drive
        CreateDirectoryA(part.c_str(), nullptr);
    }
    const DWORD a = GetFileAttributesA(dir.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace syl
