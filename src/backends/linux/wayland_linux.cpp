// The full-screen scene on a Wayland compositor: a full-screen xdg-shell
// surface on every output, shared-memory buffers that take only the changed
// rectangles of each frame, the seat's keyboard and pointer, and the loop
// that runs the animation ticks.
//
// SDL's own Wayland driver is not used here: the one of the SDL 2.26
// libraries that Debian 12 ships has no window surface in shared memory
// (every frame would be uploaded whole through OpenGL, drawn again and
// composited again, many times the cost of the frame itself), and it ends
// with a segmentation fault on a compositor that offers no seat (a headless
// or kiosk one).
#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "backends/linux/wayland_run.h"
#include "errors/handler.h"
#include "platform/signals.h"
#include "shell/options.h"

namespace syl {

uint32_t wayland::nowMs()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

using namespace wayland;

namespace {

// The listeners of the shell, the outputs and the registry: they only note
// what came.

void wmPing(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener kWmListener = {wmPing};

void outputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*, int32_t)
{}
void outputMode(void* data, wl_output*, uint32_t flags, int32_t w, int32_t h, int32_t)
{
    if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
    auto* head = static_cast<Head*>(data);
    head->modeW = w;
    head->modeH = h;
}
void outputDone(void* data, wl_output*)
{
    auto* h = static_cast<Head*>(data);
    if (h->pendingScale != h->outputScale) {
        h->outputScale = h->pendingScale;
        h->resizePending = true;
    }
}
void outputScale(void* data, wl_output*, int32_t factor)
{
    static_cast<Head*>(data)->pendingScale = std::clamp(factor, 1, 8);
}
void outputName(void*, wl_output*, const char*) {}
void outputDescription(void*, wl_output*, const char*) {}
const wl_output_listener kOutputListener = {outputGeometry, outputMode, outputDone,
                                            outputScale,    outputName, outputDescription};

void registryGlobal(void* data, wl_registry* reg, uint32_t name, const char* iface, uint32_t version)
{
    auto* run = static_cast<Run*>(data);
    const std::string i(iface);
    if (i == wl_compositor_interface.name && !run->compositor) {
        run->compositorVersion = std::min(version, 4u);
        run->compositor =
            static_cast<wl_compositor*>(wl_registry_bind(reg, name, &wl_compositor_interface, run->compositorVersion));
    } else if (i == wl_shm_interface.name && !run->shm) {
        run->shm = static_cast<wl_shm*>(wl_registry_bind(reg, name, &wl_shm_interface, 1));
    } else if (i == xdg_wm_base_interface.name && !run->wmBase) {
        run->wmBase = static_cast<xdg_wm_base*>(wl_registry_bind(reg, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(run->wmBase, &kWmListener, run);
    } else if (i == zwlr_layer_shell_v1_interface.name && !run->layerShell) {
        run->layerShell = static_cast<zwlr_layer_shell_v1*>(
            wl_registry_bind(reg, name, &zwlr_layer_shell_v1_interface, std::min(version, 2u)));
    } else if (i == wp_viewporter_interface.name && !run->viewporter) {
        run->viewporter = static_cast<wp_viewporter*>(wl_registry_bind(reg, name, &wp_viewporter_interface, 1));
    } else if (i == wp_fractional_scale_manager_v1_interface.name && !run->fractionalManager) {
        run->fractionalManager = static_cast<wp_fractional_scale_manager_v1*>(
            wl_registry_bind(reg, name, &wp_fractional_scale_manager_v1_interface, 1));
    } else if (i == wl_seat_interface.name && !run->seat && !run->background) {
        // The background takes no input: it binds no seat.
        // Else the first seat: the one whose keyboard and pointer the user
        // has.
        run->seat = static_cast<wl_seat*>(wl_registry_bind(reg, name, &wl_seat_interface, std::min(version, 5u)));
        wl_seat_add_listener(run->seat, &kSeatListener, run);
    } else if (i == wl_output_interface.name) {
        run->addOutput(name, version);
    }
}
void registryGlobalRemove(void* data, wl_registry*, uint32_t name) { static_cast<Run*>(data)->removeOutput(name); }
const wl_registry_listener kRegistryListener = {registryGlobal, registryGlobalRemove};

} // namespace

void Run::addOutput(uint32_t name, uint32_t version)
{
    auto h = std::make_unique<Head>();
    h->run = this;
    h->outputName = name;
    h->output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 3u)));
    wl_output_add_listener(h->output, &kOutputListener, h.get());
    // An output plugged in while the saver runs gets its own surface (and
    // the first one, when the compositor had none).
    if (running || surfacesWanted) createSurface(*h);
    heads.push_back(std::move(h));
}

void Run::removeOutput(uint32_t name)
{
    // The full screen's primary surface stays: the compositor moves it to
    // another output or closes it.
    for (size_t k = background ? 0 : 1; k < heads.size(); ++k)
        if (heads[k]->output && heads[k]->outputName == name) heads[k]->gone = true;
}

bool Run::connect()
{
    display = wl_display_connect(nullptr);
    if (!display) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        std::fprintf(stderr, "sylvadra: cannot connect to the Wayland display %s\n",
                     name && *name ? name : "wayland-0");
        return false;
    }
    registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, this);
    // The globals, then what the outputs and the seat tell of themselves.
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) {
        std::fprintf(stderr, "sylvadra: the Wayland display does not answer\n");
        return false;
    }
    if (!compositor || !shm || (!background && !wmBase)) {
        std::fprintf(stderr, "sylvadra: the Wayland compositor offers no %s\n",
                     !compositor ? "wl_compositor"
                     : !shm      ? "wl_shm"
                                 : "xdg_wm_base (xdg-shell)");
        return false;
    }
    if (background && !layerShell) {
        std::fprintf(stderr, "sylvadra: this desktop lets no program draw its background (it offers no layer shell, "
                             "zwlr_layer_shell_v1); use sylvadra --set-wallpaper and its daily timer instead\n");
        return false;
    }
    // A compositor without outputs (yet, or with all of them switched
    // off): the surfaces wait for the first one, until a stop signal.
    surfacesWanted = true;
    while (heads.empty()) {
        if (stopSignal()) {
            stopped = true;
            return false;
        }
        if (!dispatch(1000) && lost) {
            std::fprintf(stderr, "sylvadra: the connection to the Wayland compositor was lost\n");
            return false;
        }
        if (lost) {
            std::fprintf(stderr, "sylvadra: the connection to the Wayland compositor was lost\n");
            return false;
        }
    }
    for (auto& h : heads)
        if (!h->surface) createSurface(*h);
    // Every surface's first configure: its size on its output.
    const uint32_t start = nowMs();
    for (;;) {
        bool all = true;
        for (auto& h : heads) all = all && (h->configured || h->gone);
        if (all) break;
        if (stopSignal()) {
            stopped = true;
            return false;
        }
        if (nowMs() - start > 5000 || (!dispatch(100) && lost)) {
            std::fprintf(stderr, "sylvadra: the Wayland compositor did not show the %s\n",
                         background ? "background" : "full-screen surface");
            return false;
        }
    }
    return true;
}

void Run::disconnect()
{
    heads.clear();
    if (!display) return;
    if (pointer) wl_pointer_destroy(pointer);
    if (keyboard) wl_keyboard_destroy(keyboard);
    if (seat) wl_seat_destroy(seat);
    if (wmBase) xdg_wm_base_destroy(wmBase);
    if (layerShell) zwlr_layer_shell_v1_destroy(layerShell);
    if (viewporter) wp_viewporter_destroy(viewporter);
    if (fractionalManager) wp_fractional_scale_manager_v1_destroy(fractionalManager);
    if (shm) wl_shm_destroy(shm);
    if (compositor) wl_compositor_destroy(compositor);
    if (registry) wl_registry_destroy(registry);
    wl_display_flush(display);
    wl_display_disconnect(display);
    display = nullptr;
    pointer = nullptr;
    keyboard = nullptr;
    seat = nullptr;
    wmBase = nullptr;
    layerShell = nullptr;
    viewporter = nullptr;
    fractionalManager = nullptr;
    shm = nullptr;
    compositor = nullptr;
    registry = nullptr;
}

bool Run::dispatch(int ms)
{
    if (lost) return true;
    while (wl_display_prepare_read(display) != 0) {
        if (wl_display_dispatch_pending(display) < 0) {
            lost = true;
            return false;
        }
        ms = 0; // something came already
    }
    wl_display_flush(display);
    // poll passes over descriptors of -1: no stop signal listened for, no
    // session watched.
    pollfd fds[3] = {
        {wl_display_get_fd(display), POLLIN, 0}, {stopSignalFd(), POLLIN, 0}, {platform->watchFd(), POLLIN, 0}};
    const int n = poll(fds, 3, ms);
    if (fds[2].revents & POLLIN) platform->noteMood();
    if (n > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
        if (wl_display_read_events(display) < 0) lost = true;
    } else {
        wl_display_cancel_read(display);
    }
    if (!lost && wl_display_dispatch_pending(display) < 0) lost = true;
    // A stop signal counts as input, as does an interrupted wait.
    return n != 0 || lost || !inputs.empty();
}

void Run::nap(int ms)
{
    wl_display_flush(display);
    pollfd fds[2] = {{stopSignalFd(), POLLIN, 0}, {platform->watchFd(), POLLIN, 0}};
    poll(fds, 2, ms);
    if (fds[1].revents & POLLIN) platform->noteMood();
}

void Run::pump()
{
    presentAll();
    endOnSignal();
    if (!running) return;
    dispatch(0);
    takeInputs();
}

WaylandPlatform::WaylandPlatform(const CommandLine& c) : SdlPlatform(c) {}

WaylandPlatform::~WaylandPlatform() = default;

void WaylandPlatform::unloadForms()
{
    if (!run_ || !run_->running) return;
    run_->running = false;
    for (auto& h : run_->heads)
        if (h->scene) h->scene->form().Form_Unload();
}

// The longest sleep between ticks that does not read the compositor's
// messages: the saver ends at most this long after the input that ends it.
constexpr int32_t kNapMs = 50;

void WaylandPlatform::runFullScreen()
{
    // The saver options of the command line take the place of the stored
    // settings that Main has loaded, for this run.
    applyPendingOverrides();
    run_ = std::make_unique<Run>();
    Run& r = *run_;
    r.platform = this;
    r.background = cmd_.background;
    r.layerOf = cmd_.layerBottom ? ZWLR_LAYER_SHELL_V1_LAYER_BOTTOM : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND;
    listenForStopSignals(true);
    watchSession();
    if (!r.connect()) {
        // A stop signal while waiting for an output ends the run as usual.
        if (!r.stopped) status_ = 1;
        listenForStopSignals(false);
        watch_.reset();
        run_.reset();
        return;
    }
    auto& lh = static_cast<LinuxHost&>(host());
    r.running = true;
    lh.pump = [&r] { r.pump(); };
    try {
        // The primary first, exactly as a single output runs; then every
        // further output.
        r.applyPendingSizes();
        while (r.running) {
            r.applyPendingSizes();
            if (!r.running) break;
            // Only surfaces whose last frame the compositor has taken draw:
            // an output switched off or a surface nobody sees sends no
            // frame callbacks, and the run sleeps until something comes.
            const uint32_t now = nowMs();
            // Still or not drawn at all as the session's mood says.
            const bool paceChanged = takeMood();
            const bool hidden = pace_ == Pace::Hidden;
            for (auto& h : r.heads)
                if (h->scene) {
                    h->scene->setStill(pace_ == Pace::Still, now);
                    if (paceChanged && !hidden) r.present(*h);
                }
            // Between ticks a few dozen milliseconds apart the run does not
            // wake for what the compositor sends (the buffer it let go, the
            // frame callback, a move of the pointer): it is read at the
            // next tick, one wake-up a tick instead of three. A frame whose
            // callback has not come by its tick waits for it as before.
            // The next tick of any scene (nap), and of those that may draw
            // now (wait).
            int32_t nap = -1, wait = -1;
            auto sooner = [](int32_t a, int32_t b) { return a < 0 ? b : std::min(a, b); };
            if (!hidden)
                for (auto& h : r.heads)
                    if (h->scene) {
                        const int32_t due = std::max(h->scene->untilDue(now), 0);
                        nap = sooner(nap, due);
                        if (Run::canDraw(*h)) wait = sooner(wait, due);
                    }
            if (nap > 0 && nap <= kNapMs && r.inputs.empty()) {
                r.nap(nap);
                continue;
            }
            r.endOnSignal();
            if (!r.running) break;
            if (r.dispatch(wait)) {
                r.endOnSignal();
                r.takeInputs();
                // Changes that waited for a frame callback.
                for (auto& h : r.heads) r.flush(*h);
                if (wait != 0) continue;
            }
            for (size_t k = 0; k < r.heads.size() && r.running; ++k) {
                Run::Head& h = *r.heads[k];
                if (h.scene && Run::canDraw(h) && !hidden && h.scene->tick(nowMs()) && r.running) r.present(h, false);
            }
        }
    } catch (const ProgramEnd&) {
    }
    lh.pump = nullptr;
    setWallpaperScene(nullptr);
    r.running = false;
    listenForStopSignals(false);
    watch_.reset();
    run_.reset();
}

} // namespace syl
