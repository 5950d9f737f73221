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

void surfaceConfigure(void* data, xdg_surface* s, uint32_t serial)
{
    auto* h = static_cast<Head*>(data);
    xdg_surface_ack_configure(s, serial);
    h->configured = true;
    h->resizePending = true;
}
const xdg_surface_listener kSurfaceListener = {surfaceConfigure};

void toplevelConfigure(void* data, xdg_toplevel*, int32_t w, int32_t h, wl_array*)
{
    auto* head = static_cast<Head*>(data);
    head->askedW = w;
    head->askedH = h;
}
void toplevelClose(void* data, xdg_toplevel*)
{
    auto* h = static_cast<Head*>(data);
    h->run->inputs.push_back({Run::Input::Close, h});
}
void toplevelBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
void toplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
const xdg_toplevel_listener kToplevelListener = {toplevelConfigure, toplevelClose, toplevelBounds,
                                                 toplevelCapabilities};

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
    } else if (i == wl_seat_interface.name && !run->seat) {
        // The first seat: the one whose keyboard and pointer the user has.
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
    // An output plugged in while the saver runs gets its own surface.
    if (running) createSurface(*h);
    heads.push_back(std::move(h));
}

void Run::removeOutput(uint32_t name)
{
    // The primary's surface stays: the compositor moves it to another output
    // or closes it.
    for (size_t k = 1; k < heads.size(); ++k)
        if (heads[k]->output && heads[k]->outputName == name) heads[k]->gone = true;
}

void Run::createSurface(Head& h)
{
    h.surface = wl_compositor_create_surface(compositor);
    h.xsurface = xdg_wm_base_get_xdg_surface(wmBase, h.surface);
    xdg_surface_add_listener(h.xsurface, &kSurfaceListener, &h);
    h.toplevel = xdg_surface_get_toplevel(h.xsurface);
    xdg_toplevel_add_listener(h.toplevel, &kToplevelListener, &h);
    xdg_toplevel_set_title(h.toplevel, "Sylvadra");
    xdg_toplevel_set_app_id(h.toplevel, "sylvadra");
    xdg_toplevel_set_fullscreen(h.toplevel, h.output);
    // The first commit, without a buffer, asks for the first configure.
    wl_surface_commit(h.surface);
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
    if (!compositor || !shm || !wmBase) {
        std::fprintf(stderr, "sylvadra: the Wayland compositor offers no %s\n",
                     !compositor ? "wl_compositor"
                     : !shm      ? "wl_shm"
                                 : "xdg_wm_base (xdg-shell)");
        return false;
    }
    // A compositor without outputs (yet): one surface that it places itself.
    if (heads.empty()) {
        heads.push_back(std::make_unique<Head>());
        heads.back()->run = this;
    }
    for (auto& h : heads) createSurface(*h);
    // Every surface's first configure: its size on its output.
    const uint32_t start = nowMs();
    for (;;) {
        bool all = true;
        for (auto& h : heads) all = all && h->configured;
        if (all) break;
        if (nowMs() - start > 5000 || (!dispatch(100) && lost)) {
            std::fprintf(stderr, "sylvadra: the Wayland compositor did not show the full-screen surface\n");
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
    pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {stopSignalFd(), POLLIN, 0}};
    const int n = poll(fds, stopSignalFd() >= 0 ? 2 : 1, ms);
    if (n > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
        if (wl_display_read_events(display) < 0) lost = true;
    } else {
        wl_display_cancel_read(display);
    }
    if (!lost && wl_display_dispatch_pending(display) < 0) lost = true;
    // A stop signal counts as input, as does an interrupted wait.
    return n != 0 || lost || !inputs.empty();
}

void Run::pump()
{
    presentAll();
    endOnSignal();
    if (!running) return;
    dispatch(0);
    takeInputs();
}

void Run::startScene(Head& h, size_t index)
{
    h.scene = std::make_unique<SceneRunner>(h.width, h.height, SceneOptions{dpi * h.scale});
    if (index == 0) setWallpaperScene(&h.scene->form());
    h.scene->load();
    if (!running) return;
    present(h);
    h.scene->compose();
    if (!running) return;
    present(h);
}

void Run::applyPendingSizes()
{
    // Unplugged outputs' surfaces go (the primary's stays: the compositor
    // moves it to another output).
    for (size_t k = 1; k < heads.size(); ++k)
        if (heads[k]->gone) {
            Head& h = *heads[k];
            if (pointerHead == &h) pointerHead = nullptr;
            if (keyboardHead == &h) keyboardHead = nullptr;
            std::erase_if(inputs, [&h](const Input& in) { return in.head == &h; });
            heads.erase(heads.begin() + static_cast<std::ptrdiff_t>(k--));
        }
    for (size_t k = 0; k < heads.size() && running; ++k) {
        Head& h = *heads[k];
        if (!h.resizePending || !h.configured) continue;
        h.resizePending = false;
        // The pixels of the surface: the size asked for, else the output's
        // mode; at the output's scale.
        const int scale = h.output ? h.outputScale : 1;
        int w = h.askedW * scale, hgt = h.askedH * scale;
        if (w <= 0 || hgt <= 0) {
            w = h.modeW;
            hgt = h.modeH;
        }
        if (w <= 0 || hgt <= 0) {
            w = 1024;
            hgt = 768;
        }
        if (h.scene && w == h.width && hgt == h.height && scale == h.scale) continue;
        h.width = w;
        h.height = hgt;
        h.scale = scale;
        // Buffers of the old size go once the compositor is done with them.
        for (auto& b : h.buffers)
            if (b->width != w || b->height != hgt) b->retired = true;
        std::erase_if(h.buffers, [](const std::unique_ptr<Buffer>& b) { return b->retired && !b->busy; });
        if (!h.scene) {
            startScene(h, k);
        } else {
            // Form_Resize at the new size: a landscape composed for it.
            h.scene->resize(w, hgt, dpi * h.scale);
            if (!running) return;
            present(h);
        }
    }
    for (auto& h : heads)
        std::erase_if(h->buffers, [](const std::unique_ptr<Buffer>& b) { return b->retired && !b->busy; });
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

void WaylandPlatform::runFullScreen()
{
    // The saver options of the command line take the place of the stored
    // settings that Main has loaded, for this run.
    applyPendingOverrides();
    run_ = std::make_unique<Run>();
    Run& r = *run_;
    r.platform = this;
    if (!r.connect()) {
        status_ = 1;
        run_.reset();
        return;
    }
    auto& lh = static_cast<LinuxHost&>(host());
    r.running = true;
    listenForStopSignals(true);
    lh.pump = [&r] { r.pump(); };
    try {
        // The primary first, exactly as a single output runs; then every
        // further output.
        r.applyPendingSizes();
        while (r.running) {
            r.applyPendingSizes();
            if (!r.running) break;
            uint32_t now = nowMs();
            int32_t wait = INT32_MAX;
            for (auto& h : r.heads)
                if (h->scene) wait = std::min(wait, h->scene->untilDue(now));
            if (wait == INT32_MAX) wait = 250;
            r.endOnSignal();
            if (!r.running) break;
            if (r.dispatch(std::max(wait, 0))) {
                r.endOnSignal();
                r.takeInputs();
                if (wait > 0) continue;
            }
            for (size_t k = 0; k < r.heads.size() && r.running; ++k) {
                Run::Head& h = *r.heads[k];
                if (h.scene && h.scene->tick(nowMs()) && r.running) r.present(h, false);
            }
        }
    } catch (const ProgramEnd&) {
    }
    lh.pump = nullptr;
    setWallpaperScene(nullptr);
    r.running = false;
    listenForStopSignals(false);
    run_.reset();
}

} // namespace syl
