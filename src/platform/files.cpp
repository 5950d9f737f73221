#include "platform/files.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace syl {

namespace {

// Temporary names held for removal on a fatal signal. Files are written on
// more than one thread (pictures are painted in the background): a slot is
// claimed first, its name written, and only then marked used, so two
// writers never share a slot and the handler never reads half a name.
constexpr int kHeldNames = 8;
constexpr std::size_t kHeldNameSize = 4096;
char g_heldNames[kHeldNames][kHeldNameSize];
std::atomic<bool> g_heldClaimed[kHeldNames];
std::atomic<bool> g_heldUsed[kHeldNames];

} // namespace

int holdTemporaryName(const std::string& path)
{
    if (path.size() >= kHeldNameSize) return -1;
    for (int i = 0; i < kHeldNames; ++i) {
        bool free = false;
        if (!g_heldClaimed[i].compare_exchange_strong(free, true)) continue;
        std::memcpy(g_heldNames[i], path.c_str(), path.size() + 1);
        g_heldUsed[i].store(true);
        return i;
    }
    return -1;
}

void releaseTemporaryName(int slot)
{
    if (slot < 0 || slot >= kHeldNames) return;
    g_heldUsed[slot].store(false);
    g_heldClaimed[slot].store(false);
}

void removeHeldTemporaryFiles()
{
    for (int i = 0; i < kHeldNames; ++i) {
        if (!g_heldUsed[i].load()) continue;
#ifdef _WIN32
        std::remove(g_heldNames[i]);
#else
        unlink(g_heldNames[i]);
#endif
        g_heldUsed[i].store(false);
    }
}

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::fail(const std::string& why)
{
    if (!failed_) error_ = why;
    failed_ = true;
    return false;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes, AtomicFile::Links links, std::string* why,
                         unsigned newFileMode)
{
    AtomicFile f(path, links, newFileMode);
    const bool ok = f.write(bytes) && f.commit();
    if (!ok && why) *why = f.error();
    return ok;
}

bool writeNamedOutput(const std::string& path, std::string_view bytes, std::string* why)
{
    switch (pathKind(path, true)) {
    case PathKind::Directory:
        if (why) *why = "is a folder";
        return false;
    case PathKind::Special: return detail::writeIntoDevice(path, bytes, why);
    default: return writeFileAtomically(path, bytes, AtomicFile::Links::Follow, why);
    }
}

} // namespace syl
