#include "platform/signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>

#include "platform/files.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace syl {

namespace {

volatile std::sig_atomic_t g_signal = 0;
std::atomic<bool> g_listening{false};
[[maybe_unused]] int g_pipe[2] = {-1, -1};

#ifndef _WIN32
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

void onStopSignal(int sig)
{
    if (!g_listening.load()) {
        // Nobody can end the run in an orderly way: what is half-written
        // goes, and the signal ends the program as it would have.
        removeHeldTemporaryFiles();
        std::signal(sig, SIG_DFL);
        raise(sig);
        return;
    }
    g_signal = sig;
    if (g_pipe[1] >= 0) {
        const int saved = errno;
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
        errno = saved;
    }
}
#endif

} // namespace

void installStopSignals()
{
#ifndef _WIN32
    if (g_pipe[0] < 0 && pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    // No SA_RESTART: a blocking call returns, so the loop sees the signal.
    sa.sa_flags = 0;
    for (int sig : kStopSignals) sigaction(sig, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // A write past the file-size limit fails (EFBIG) like a full disk, and
    // is handled as one, instead of ending the program in the middle.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

void listenForStopSignals(bool listen) { g_listening.store(listen); }

int stopSignal() { return g_signal; }

int stopSignalFd() { return g_pipe[0]; }

} // namespace syl
