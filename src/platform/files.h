// Files read and written where others may be. The saver runs unattended on
// machines that several users share, sometimes as root, so every file it
// creates is created as if someone hostile had planted names beside it:
// - a new file is written under an unpredictable name, created exclusively
//   in the target's own folder, synced, and renamed over the target, so that
//   no reader ever sees half a file and a failed write loses nothing;
// - an append opens the file without following a symlink and only when it
//   is a regular file of the user's own;
// - a read takes only a regular file of a sane size, so that a FIFO or a
//   device in a file's place never hangs or floods the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace syl {

// What a name stands for.
enum class PathKind {
    Missing,   // nothing there (or a symlink to nothing)
    Regular,   // a regular file
    Directory, // a folder
    Special,   // a device, a FIFO, a socket
    Link,      // a symlink (only when links are not followed)
    Unknown,   // cannot be told (no permission to look)
};
PathKind pathKind(const std::string& path, bool followLinks);

// The outcome of a read.
enum class ReadStatus {
    Ok,
    Missing,    // there is no file of that name
    Unreadable, // there is something, but not a regular file of at most maxBytes that can be read
};

// Reads a whole regular file of at most maxBytes into out. why, when given,
// receives a short reason on failure ("not a regular file").
ReadStatus readRegularFile(const std::string& path, std::size_t maxBytes, std::string& out, std::string* why = nullptr);

// For the program's own files (the cache of painted pictures): reads a
// regular file of the user's own, never through a symlink, opened before
// anything is asked of it (a FIFO swapped in cannot hold the program). At
// most maxBytes; with head, the first maxBytes of a longer file, else a
// longer file is Unreadable.
ReadStatus readOwnFile(const std::string& path, std::size_t maxBytes, std::string& out, bool head = false);

// Whether the folder is a real folder of the user's own: not a symlink (on
// Windows: a folder that is there).
bool ownRealFolder(const std::string& dir);

// A file written through a temporary file and a rename, so that it is never
// left half-written: write the pieces, then commit. Without a successful
// commit the temporary file is removed and the old file stays as it was.
// The temporary name is unpredictable and created exclusively in the
// target's folder; the target is replaced only when it is a regular file or
// a new name (anything else fails). An existing file keeps its mode; a new
// one gets newFileMode less the umask.
class AtomicFile {
public:
    enum class Links {
        Replace, // a symlink at the name is replaced by the new file (files the program names itself)
        Follow,  // the file a symlink points to is written (files the user named or linked)
    };
    explicit AtomicFile(const std::string& path, Links links = Links::Replace, unsigned newFileMode = 0644);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // False once anything failed.
    bool write(std::span<const uint8_t> bytes);
    bool write(std::string_view text) { return write({reinterpret_cast<const uint8_t*>(text.data()), text.size()}); }
    // Syncs the temporary file and puts it in the file's place; false when
    // anything failed.
    bool commit();
    // Why the last step failed ("not a regular file", the system's reason).
    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& why);
    void discard();

    std::string target_, tmp_, error_;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    int slot_ = -1; // the temporary name's place among those removed on a fatal signal
    bool failed_ = false;
};

// Writes bytes to a file with an AtomicFile. False when it cannot be written.
bool writeFileAtomically(const std::string& path, std::string_view bytes,
                         AtomicFile::Links links = AtomicFile::Links::Replace, std::string* why = nullptr,
                         unsigned newFileMode = 0644);

// Writes a file that the user named on the command line: a regular file or a
// new name is replaced atomically (through a symlink), a device or a FIFO is
// written into and never replaced, a folder is refused. why receives the
// reason of a failure.
bool writeNamedOutput(const std::string& path, std::string_view bytes, std::string* why = nullptr);

// Whether two names are the same file (both existing), or the same text.
bool sameFile(const std::string& a, const std::string& b);

// Appends text to a regular file of the user's own, creating it when
// missing; never through a symlink, never into a device, FIFO or folder.
bool appendToUserFile(const std::string& path, std::string_view text);

// Whether the program's own folder may hold the files it writes beside
// itself (the wallpaper, the protocol). On Linux only a folder of the
// user's own that is no system folder (/usr, /bin, /opt, ... where a
// package puts programs, also when root runs them); else the per-user
// folder takes them. On Windows any folder that can be written.
bool programFolderUsable(const std::string& dir);

// Whether a file can be created in the folder: creates one exclusively
// under an unpredictable name and removes it again.
bool folderWritable(const std::string& dir);

// Creates a per-user folder and its missing parents (mode 0700 for those
// made); false when the folder is not there afterwards.
bool makeUserFolder(const std::string& dir);

// The names of temporary files that a fatal signal removes before the
// program ends (at most a few at a time; AtomicFile uses them).
int holdTemporaryName(const std::string& path);
void releaseTemporaryName(int slot);
// Removes every held temporary file; safe to call in a signal handler.
void removeHeldTemporaryFiles();

namespace detail {
// Writes into a device or a FIFO that is there already (no creation, no
// truncation, no rename); the systems' halves of writeNamedOutput.
bool writeIntoDevice(const std::string& path, std::string_view bytes, std::string* why);
} // namespace detail

} // namespace syl
