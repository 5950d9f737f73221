#include "platform/deadline.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/files.h"

namespace syl {

struct PeerDeadline::Watch {
    std::mutex lock;
    std::condition_variable done;
    bool returned = false;
    std::thread thread;
};

PeerDeadline::PeerDeadline(std::string peer, int seconds) : watch_(std::make_unique<Watch>())
{
    Watch* w = watch_.get();
    w->thread = std::thread([w, peer = std::move(peer), seconds] {
        std::unique_lock<std::mutex> hold(w->lock);
        if (w->done.wait_for(hold, std::chrono::seconds(seconds), [w] { return w->returned; })) return;
        std::fprintf(stderr, "sylvadra: %s did not answer within %d s\n", peer.c_str(), seconds);
        std::fflush(stderr);
        removeHeldTemporaryFiles();
        std::_Exit(1);
    });
}

PeerDeadline::~PeerDeadline()
{
    {
        std::lock_guard<std::mutex> hold(watch_->lock);
        watch_->returned = true;
    }
    watch_->done.notify_all();
    watch_->thread.join();
}

} // namespace syl
