// The wallpaper and the outputs of sway, through its IPC socket.
#include "backends/linux/desktop_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <set>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "backends/linux/desktop_private.h"
#include "backends/linux/json_linux.h"
#include "art/bytes.h"
#include "platform/files.h"
#include "platform/host.h"

namespace syl {

using namespace desktop;

namespace {

// ---- sway ----

bool sendAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

using Clock = std::chrono::steady_clock;

// Reads all of size bytes before the deadline: a peer that dribbles its
// answer a byte at a time does not hold the program for longer.
bool receiveAll(int fd, char* into, size_t size, Clock::time_point deadline)
{
    size_t done = 0;
    while (done < size) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        timeval timeout{static_cast<time_t>(left / 1000000), static_cast<suseconds_t>(left % 1000000)};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ssize_t n = ::recv(fd, into + done, size - done, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

constexpr char kIpcMagic[] = "i3-ipc";
constexpr size_t kIpcMagicSize = 6;
constexpr size_t kIpcHeaderSize = kIpcMagicSize + 8;
constexpr uint32_t kIpcRunCommand = 0;
constexpr uint32_t kIpcGetOutputs = 3;
// A reply larger than this is not one of a single command.
constexpr uint32_t kIpcMaxReply = 1u << 20;

void putLittleEndian32(std::string& out, uint32_t v)
{
    uint8_t b[4];
    putLe32(b, v);
    out.append(reinterpret_cast<const char*>(b), sizeof b);
}

uint32_t getLittleEndian32(const char* p) { return le32(reinterpret_cast<const uint8_t*>(p)); }

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

namespace {
std::string swayQuoted(const std::string& s)
{
    std::string quoted = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}
} // namespace

std::string swayBackgroundCommand(const std::string& path) { return "output * bg " + swayQuoted(path) + " fill"; }

std::string swayBackgroundCommands(const std::vector<MonitorPicture>& pictures)
{
    std::string commands;
    for (const MonitorPicture& m : pictures) {
        if (m.output.empty()) {
            const MonitorPicture* primary = &pictures[0];
            for (const MonitorPicture& p : pictures)
                if (p.primary) primary = &p;
            return swayBackgroundCommand(primary->path);
        }
        commands += (commands.empty() ? "" : "; ") + std::string("output ") + swayQuoted(m.output) + " bg " +
                    swayQuoted(m.path) + " fill";
    }
    return commands;
}

bool swayReplySucceeded(const std::string& reply)
{
    // [{"success":true}], one object for each command; sway may put spaces
    // between the parts.
    static const std::string key = "\"success\"";
    int successes = 0;
    for (size_t at = reply.find(key); at != std::string::npos; at = reply.find(key, at + 1)) {
        size_t i = at + key.size();
        auto skipSpace = [&] {
            while (i < reply.size() && (reply[i] == ' ' || reply[i] == '\t' || reply[i] == '\r' || reply[i] == '\n'))
                ++i;
        };
        skipSpace();
        if (i >= reply.size() || reply[i] != ':') continue;
        ++i;
        skipSpace();
        if (reply.compare(i, 4, "true") != 0) return false;
        ++successes;
    }
    return successes > 0;
}

namespace {
// One message to sway's IPC socket and its reply.
bool swayRequest(const std::string& socketPath, uint32_t type, const std::string& payload, std::string& reply,
                 std::string* why)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof addr.sun_path)
        return fail(why, "the sway socket's name is empty or too long");
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);

    Fd s;
    s.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s.fd < 0) return fail(why, std::string("no socket: ") + std::strerror(errno));
    timeval timeout{kCallTimeoutMs / 1000, 0};
    ::setsockopt(s.fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    if (::connect(s.fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
        return fail(why, "cannot connect to sway at " + socketPath + ": " + std::strerror(errno));

    std::string message(kIpcMagic, kIpcMagicSize);
    putLittleEndian32(message, static_cast<uint32_t>(payload.size()));
    putLittleEndian32(message, type);
    message += payload;
    if (!sendAll(s.fd, message)) return fail(why, std::string("cannot write to sway: ") + std::strerror(errno));

    // The whole answer within the deadline of a call.
    const auto deadline = Clock::now() + std::chrono::milliseconds(kCallTimeoutMs);
    char header[kIpcHeaderSize];
    if (!receiveAll(s.fd, header, sizeof header, deadline)) return fail(why, "sway did not answer in time");
    if (std::memcmp(header, kIpcMagic, kIpcMagicSize) != 0) return fail(why, "sway's answer is not an IPC message");
    uint32_t length = getLittleEndian32(header + kIpcMagicSize);
    uint32_t answered = getLittleEndian32(header + kIpcMagicSize + 4);
    if (answered != type || length > kIpcMaxReply) return fail(why, "sway's answer is not one to the request");
    reply.assign(length, '\0');
    if (length && !receiveAll(s.fd, reply.data(), length, deadline))
        return fail(why, "sway's answer is cut short or late");
    return true;
}
} // namespace

namespace {

// Whether sway takes the path as it is. sway expands a background's path
// as a shell word (variables, commands in $(...) and backticks, patterns,
// splitting at blanks), so only plain characters reach it unchanged.
bool plainForSway(const std::string& path)
{
    if (path.empty() || path[0] != '/') return false;
    for (unsigned char c : path)
        if (!std::isalnum(c) && !std::strchr("/._-+,@=", c)) return false;
    return true;
}

// The pictures as sway is to be given them: each path itself where it is
// plain, else a symbolic link with a plain name to it, in a folder of the
// user's own under the runtime folder (which lives as long as the session
// that shows the background). Links of earlier sets there go.
bool plainPaths(std::vector<MonitorPicture>& pictures, std::string* why)
{
    if (std::all_of(pictures.begin(), pictures.end(), [](const MonitorPicture& m) { return plainForSway(m.path); }))
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime ? std::string(runtime) + "/sylvadra-wallpaper" : std::string();
    if (!runtime || !plainForSway(folder))
        return fail(why, "the picture's path holds characters that sway would expand, and there is no plain "
                         "runtime folder (XDG_RUNTIME_DIR) for a link to it");
    if (!makeUserFolder(folder)) return fail(why, "cannot make the folder " + folder);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (dir < 0 || ::fstat(dir, &st) != 0 || st.st_uid != ::geteuid()) {
        if (dir >= 0) ::close(dir);
        return fail(why, "the folder " + folder + " is a link or not the user's own");
    }
    std::set<std::string> made;
    for (size_t i = 0; i < pictures.size(); ++i) {
        MonitorPicture& m = pictures[i];
        if (plainForSway(m.path)) continue;
        std::string name = baseNameOf(m.path);
        name = (plainForSway("/" + name) ? name : "picture") + "-" + std::to_string(i + 1) + ".link";
        const std::string temporary = name + ".new";
        ::unlinkat(dir, temporary.c_str(), 0);
        if (::symlinkat(m.path.c_str(), dir, temporary.c_str()) != 0 ||
            ::renameat(dir, temporary.c_str(), dir, name.c_str()) != 0) {
            const std::string reason = std::strerror(errno);
            ::unlinkat(dir, temporary.c_str(), 0);
            ::close(dir);
            return fail(why, "cannot link to the picture in " + folder + ": " + reason);
        }
        made.insert(name);
        m.path = folder + "/" + name;
    }
    // Earlier links go: only links, only those the program names so.
    if (DIR* d = ::fdopendir(::dup(dir))) {
        while (dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (made.count(name) || name.size() < 5 || name.compare(name.size() - 5, 5, ".link") != 0) continue;
            if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
                ::unlinkat(dir, name.c_str(), 0);
        }
        ::closedir(d);
    }
    ::close(dir);
    return true;
}

} // namespace

bool setSwayWallpaper(const std::string& socketPath, const std::string& path, std::string* why)
{
    return setSwayWallpapers(socketPath, {{std::string(), true, path}}, why);
}

bool setSwayWallpapers(const std::string& socketPath, const std::vector<MonitorPicture>& pictures, std::string* why)
{
    if (pictures.empty()) return fail(why, "no picture");
    std::vector<MonitorPicture> plain = pictures;
    if (!plainPaths(plain, why)) return false;
    std::string reply;
    if (!swayRequest(socketPath, kIpcRunCommand, swayBackgroundCommands(plain), reply, why)) return false;
    if (!swayReplySucceeded(reply)) return fail(why, "sway refused the background: " + reply);
    return true;
}

bool swayOutputs(const std::string& socketPath, std::vector<MonitorArea>& outputs, std::string* why)
{
    std::string reply;
    if (!swayRequest(socketPath, kIpcGetOutputs, "", reply, why)) return false;
    outputs = parseSwayOutputs(reply);
    return !outputs.empty() || fail(why, "sway has no active output");
}

std::vector<MonitorArea> parseSwayOutputs(const std::string& json)
{
    std::vector<MonitorArea> outputs;
    Json all;
    if (!readJson(json, all) || all.kind != Json::Kind::Array) return outputs;
    for (const Json& o : all.items) {
        const Json* name = o["name"];
        const Json* mode = o["current_mode"];
        const Json* rect = o["rect"];
        // An output that is off has no mode (and sway marks it inactive).
        if (o.kind != Json::Kind::Object || !trueOf(o["active"]) || !name || name->kind != Json::Kind::String ||
            !mode || mode->kind != Json::Kind::Object)
            continue;
        MonitorArea m;
        m.name = name->text;
        // The mode is the output's own pixels; a turned output shows them
        // turned.
        double w = numberOf((*mode)["width"], 0), h = numberOf((*mode)["height"], 0);
        const Json* transform = o["transform"];
        if (transform && transform->kind == Json::Kind::String &&
            (transform->text.find("90") != std::string::npos || transform->text.find("270") != std::string::npos))
            std::swap(w, h);
        if (!(w >= 1 && h >= 1 && w <= 16384 && h <= 16384)) continue;
        m.width = static_cast<int>(w);
        m.height = static_cast<int>(h);
        if (rect && rect->kind == Json::Kind::Object) {
            m.x = static_cast<int>(std::clamp(numberOf((*rect)["x"], 0), -65536.0, 65536.0));
            m.y = static_cast<int>(std::clamp(numberOf((*rect)["y"], 0), -65536.0, 65536.0));
        }
        m.primary = trueOf(o["focused"]);
        outputs.push_back(std::move(m));
    }
    if (!outputs.empty() &&
        std::none_of(outputs.begin(), outputs.end(), [](const MonitorArea& m) { return m.primary; }))
        outputs[0].primary = true;
    return outputs;
}

} // namespace syl
