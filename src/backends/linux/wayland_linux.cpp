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
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "backends/linux/saver_linux.h"
#include "errors/handler.h"
#include "platform/pixel_store.h"
#include "platform/signals.h"
#include "settings/config.h"
#include "shell/options.h"
#include "xdg-shell-client-protocol.h"

namespace syl {

namespace {

using Rect = FrmMain::Rect;

uint32_t nowMs()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Adds r to a list of rectangles unless one of them holds it already (the
// same change is often handed over more than once before it is shown). A
// list that grows long becomes the whole picture.
void addRect(std::vector<Rect>& list, bool& all, const Rect& r)
{
    if (all || r.empty()) return;
    for (const Rect& o : list)
        if (o.x0 <= r.x0 && o.y0 <= r.y0 && o.x1 >= r.x1 && o.y1 >= r.y1) return;
    if (list.size() >= 48) {
        list.clear();
        all = true;
        return;
    }
    list.push_back(r);
}

// A row of pixels into a buffer. The unused top byte is set, as opaque: a
// compositor may copy it into the screen's picture as it is (Weston's
// software renderer does), where a screenshot would take it for
// transparency. Four pixels at a time where the processor has SSE2 (every
// x86-64): the rows of a tick are most of what this program copies.
void copyOpaque(uint32_t* __restrict dst, const Color* __restrict src, int n)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; x + 4 <= n; x += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x),
                         _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x)), opaque));
#endif
    for (; x < n; ++x) dst[x] = static_cast<uint32_t>(src[x]) | 0xFF000000u;
}

// One shared-memory buffer of a surface, which the compositor holds from
// its commit until it releases it. Where it differs from the scene's form
// is in stale (all of it when staleAll is set).
struct Buffer {
    wl_buffer* buffer = nullptr;
    uint8_t* data = nullptr;
    size_t size = 0;
    int width = 0, height = 0;
    bool busy = false;
    bool retired = false; // of a size no longer used: destroyed on release
    std::vector<Rect> stale;
    bool staleAll = true;

    ~Buffer()
    {
        if (buffer) wl_buffer_destroy(buffer);
        if (data) munmap(data, size);
    }
};

} // namespace

struct WaylandPlatform::Run {
    struct Head {
        Run* run = nullptr;
        wl_output* output = nullptr;
        uint32_t outputName = 0;
        int outputScale = 1; // the output's scale, as it was last completed
        int pendingScale = 1;
        bool gone = false; // its output was unplugged
        wl_surface* surface = nullptr;
        xdg_surface* xsurface = nullptr;
        xdg_toplevel* toplevel = nullptr;
        // The size the compositor asked for, in its logical units.
        int askedW = 0, askedH = 0;
        int modeW = 0, modeH = 0; // the output's current mode, in pixels
        bool configured = false;
        // The scene's size in pixels and the surface's buffer scale.
        int width = 0, height = 0, scale = 1;
        bool resizePending = false;
        std::unique_ptr<FrmMain> scene;
        uint32_t next = 0; // when its next animation tick is due
        std::vector<std::unique_ptr<Buffer>> buffers;
        // What changed since the last commit (all of it when damageAll).
        std::vector<Rect> damage;
        bool damageAll = true;

        ~Head()
        {
            scene.reset(); // before its buffers
            buffers.clear();
            if (toplevel) xdg_toplevel_destroy(toplevel);
            if (xsurface) xdg_surface_destroy(xsurface);
            if (surface) wl_surface_destroy(surface);
            if (output) wl_output_destroy(output);
        }
    };

    // What the listeners saw, taken in order after each dispatch: the
    // scenes' events run outside the Wayland library's callbacks.
    struct Input {
        enum Kind { Key, Button, Motion, Close } kind;
        Head* head;
        float x = 0, y = 0;
    };

    WaylandPlatform* platform = nullptr;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    uint32_t compositorVersion = 0;
    wl_shm* shm = nullptr;
    xdg_wm_base* wmBase = nullptr;
    wl_seat* seat = nullptr;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    Head* pointerHead = nullptr;
    Head* keyboardHead = nullptr;
    std::vector<std::unique_ptr<Head>> heads; // heads[0] is the primary
    std::vector<Input> inputs;
    bool running = false;
    bool lost = false; // the connection to the compositor broke
    int dpi = 96;

    ~Run() { disconnect(); }

    Head* headOf(wl_surface* s)
    {
        for (auto& h : heads)
            if (h->surface == s && s) return h.get();
        return nullptr;
    }

    void disconnect();
    bool connect();
    void addOutput(uint32_t name, uint32_t version);
    void removeOutput(uint32_t name);
    void createSurface(Head& h);
    void updateSeat(uint32_t caps);
    Buffer* freeBuffer(Head& h);
    void present(Head& h, bool all = true);
    void presentAll();
    // Reads and dispatches what the compositor sent, waiting at most ms
    // milliseconds (0: only what is there); whether anything came.
    bool dispatch(int ms);
    void takeInputs();
    void pump();
    // New sizes, new outputs: scenes composed for them.
    void applyPendingSizes();
    void startScene(Head& h, size_t index);
    void endOnSignal();
};

namespace {

using Run = WaylandPlatform::Run;
using Head = Run::Head;

// The listeners: they only note what came.

void bufferRelease(void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }
const wl_buffer_listener kBufferListener = {bufferRelease};

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

void outputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
                    int32_t)
{
}
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
const wl_output_listener kOutputListener = {outputGeometry, outputMode, outputDone, outputScale, outputName,
                                            outputDescription};

void pointerEnter(void* data, wl_pointer* p, uint32_t serial, wl_surface* s, wl_fixed_t x, wl_fixed_t y)
{
    auto* run = static_cast<Run*>(data);
    // No pointer over the saver's surfaces.
    wl_pointer_set_cursor(p, serial, nullptr, 0, 0);
    run->pointerHead = run->headOf(s);
    if (run->pointerHead)
        run->inputs.push_back({Run::Input::Motion, run->pointerHead,
                               static_cast<float>(wl_fixed_to_double(x) * run->pointerHead->scale),
                               static_cast<float>(wl_fixed_to_double(y) * run->pointerHead->scale)});
}
void pointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) { static_cast<Run*>(data)->pointerHead = nullptr; }
void pointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y)
{
    auto* run = static_cast<Run*>(data);
    if (run->pointerHead)
        run->inputs.push_back({Run::Input::Motion, run->pointerHead,
                               static_cast<float>(wl_fixed_to_double(x) * run->pointerHead->scale),
                               static_cast<float>(wl_fixed_to_double(y) * run->pointerHead->scale)});
}
void pointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state)
{
    auto* run = static_cast<Run*>(data);
    if (state == WL_POINTER_BUTTON_STATE_PRESSED) run->inputs.push_back({Run::Input::Button, run->pointerHead});
}
// The wheel ends nothing, as on X11.
void pointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void pointerFrame(void*, wl_pointer*) {}
void pointerAxisSource(void*, wl_pointer*, uint32_t) {}
void pointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void pointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
void pointerAxisValue120(void*, wl_pointer*, uint32_t, int32_t) {}
const wl_pointer_listener kPointerListener = {pointerEnter,      pointerLeave,    pointerMotion,
                                              pointerButton,     pointerAxis,     pointerFrame,
                                              pointerAxisSource, pointerAxisStop, pointerAxisDiscrete,
                                              pointerAxisValue120};

void keyboardKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); }
void keyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* s, wl_array*)
{
    auto* run = static_cast<Run*>(data);
    run->keyboardHead = run->headOf(s);
}
void keyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface*) { static_cast<Run*>(data)->keyboardHead = nullptr; }
void keyboardKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state)
{
    auto* run = static_cast<Run*>(data);
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED) run->inputs.push_back({Run::Input::Key, run->keyboardHead});
}
void keyboardModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void keyboardRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener = {keyboardKeymap, keyboardEnter,     keyboardLeave,
                                                keyboardKey,    keyboardModifiers, keyboardRepeat};

void seatCapabilities(void* data, wl_seat*, uint32_t caps) { static_cast<Run*>(data)->updateSeat(caps); }
void seatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {seatCapabilities, seatName};

void registryGlobal(void* data, wl_registry* reg, uint32_t name, const char* iface, uint32_t version)
{
    auto* run = static_cast<Run*>(data);
    const std::string i(iface);
    if (i == wl_compositor_interface.name && !run->compositor) {
        run->compositorVersion = std::min(version, 4u);
        run->compositor = static_cast<wl_compositor*>(
            wl_registry_bind(reg, name, &wl_compositor_interface, run->compositorVersion));
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

void Run::updateSeat(uint32_t caps)
{
    const bool wantPointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0;
    const bool wantKeyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    if (wantPointer && !pointer) {
        pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(pointer, &kPointerListener, this);
    } else if (!wantPointer && pointer) {
        wl_pointer_destroy(pointer);
        pointer = nullptr;
        pointerHead = nullptr;
    }
    if (wantKeyboard && !keyboard) {
        keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(keyboard, &kKeyboardListener, this);
    } else if (!wantKeyboard && keyboard) {
        wl_keyboard_destroy(keyboard);
        keyboard = nullptr;
        keyboardHead = nullptr;
    }
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
        std::fprintf(stderr, "sylvadra: cannot connect to the Wayland display %s\n", name && *name ? name : "wayland-0");
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
                     !compositor ? "wl_compositor" : !shm ? "wl_shm" : "xdg_wm_base (xdg-shell)");
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

Buffer* Run::freeBuffer(Head& h)
{
    for (auto& b : h.buffers)
        if (!b->busy && !b->retired) return b.get();
    // Three at most: one shown, one on its way, one being filled.
    if (h.buffers.size() >= 3) return nullptr;
    auto b = std::make_unique<Buffer>();
    b->width = h.width;
    b->height = h.height;
    const int stride = h.width * 4;
    b->size = static_cast<size_t>(stride) * static_cast<size_t>(h.height);
    // Anonymous memory, shared with the compositor only: no file anywhere.
    const int fd = memfd_create("sylvadra", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return nullptr;
    if (ftruncate(fd, static_cast<off_t>(b->size)) != 0) {
        close(fd);
        return nullptr;
    }
    void* mem = mmap(nullptr, b->size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mem == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    // The compositor may rely on the size staying as it is.
    fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL);
    b->data = static_cast<uint8_t*>(mem);
    mapInAdvance(mem, b->size, true); // it is filled whole at once
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(b->size));
    b->buffer = wl_shm_pool_create_buffer(pool, 0, h.width, h.height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_buffer_add_listener(b->buffer, &kBufferListener, b.get());
    h.buffers.push_back(std::move(b));
    return h.buffers.back().get();
}

void Run::present(Head& h, bool all)
{
    if (!h.scene || !h.surface || h.width <= 0 || h.gone) return;
    FrmMain& m = *h.scene;
    const Surface& f = m.form;
    if (f.width() != h.width || f.height() != h.height) return;
    // What changed joins what every buffer lacks and what the compositor
    // has not been told of.
    if (all || m.changedAll) {
        h.damage.clear();
        h.damageAll = true;
        for (auto& b : h.buffers) {
            b->stale.clear();
            b->staleAll = true;
        }
    } else {
        for (const Rect& r0 : m.changed) {
            const Rect r{std::max(r0.x0, 0), std::max(r0.y0, 0), std::min(r0.x1, h.width), std::min(r0.y1, h.height)};
            if (r.empty()) continue;
            addRect(h.damage, h.damageAll, r);
            for (auto& b : h.buffers) addRect(b->stale, b->staleAll, r);
        }
    }
    if (!h.damageAll && h.damage.empty()) return;
    // Every buffer is still with the compositor: the change waits for the
    // next present.
    Buffer* b = freeBuffer(h);
    if (!b) return;
    auto copy = [&](const Rect& r) {
        for (int y = r.y0; y < r.y1; ++y)
            copyOpaque(reinterpret_cast<uint32_t*>(b->data) + static_cast<size_t>(y) * static_cast<size_t>(h.width) + r.x0,
                       f.row(y) + r.x0, r.x1 - r.x0);
    };
    if (b->staleAll) copy({0, 0, h.width, h.height});
    else
        for (const Rect& r : b->stale) copy(r);
    b->stale.clear();
    b->staleAll = false;
    wl_surface_attach(h.surface, b->buffer, 0, 0);
    wl_surface_set_buffer_scale(h.surface, h.scale);
    if (h.damageAll) {
        wl_surface_damage_buffer(h.surface, 0, 0, h.width, h.height);
    } else {
        for (const Rect& r : h.damage) {
            if (compositorVersion >= 4)
                wl_surface_damage_buffer(h.surface, r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0);
            else // in the surface's units, rounded outwards
                wl_surface_damage(h.surface, r.x0 / h.scale, r.y0 / h.scale, (r.x1 + h.scale - 1) / h.scale - r.x0 / h.scale,
                                  (r.y1 + h.scale - 1) / h.scale - r.y0 / h.scale);
        }
    }
    wl_surface_commit(h.surface);
    b->busy = true;
    h.damage.clear();
    h.damageAll = false;
    wl_display_flush(display);
}

void Run::presentAll()
{
    for (size_t k = 0; k < heads.size(); ++k) present(*heads[k], false);
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

void Run::endOnSignal()
{
    if (!running || !stopSignal()) return;
    // SIGTERM, SIGHUP, SIGQUIT, SIGINT: the saver ends as on input, with the
    // wallpaper and the restored state.
    if (heads.front()->scene) heads.front()->scene->Form_Unload();
    running = false;
}

void Run::takeInputs()
{
    if (lost && running) {
        std::fprintf(stderr, "sylvadra: the connection to the Wayland compositor was lost\n");
        platform->status_ = 1;
        if (heads.front()->scene) heads.front()->scene->Form_Unload();
        running = false;
        return;
    }
    std::vector<Input> taken;
    taken.swap(inputs);
    for (const Input& in : taken) {
        if (!running) break;
        // A head whose scene is not there yet is the primary's.
        Head* h = in.head && in.head->scene ? in.head : heads.front().get();
        if (!h->scene) continue;
        FrmMain& m = *h->scene;
        switch (in.kind) {
        case Input::Key: m.Form_KeyDown(); break;
        case Input::Button: m.Form_MouseDown(); break;
        case Input::Motion: m.Form_MouseMove(in.x, in.y); break;
        case Input::Close: m.Form_Unload(); break;
        }
    }
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
    h.scene = std::make_unique<FrmMain>(h.width, h.height);
    h.scene->incremental = true;
    h.scene->sharp = settings().Sharp != 0;
    h.scene->setDpi(dpi * h.scale);
    if (index == 0) setWallpaperScene(h.scene.get());
    h.scene->Form_Load();
    if (!running) return;
    present(h);
    h.scene->Form_Resize();
    if (!running) return;
    present(h);
    h.next = nowMs();
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
            h.scene->setDpi(dpi * h.scale);
            h.scene->resizeForm(w, hgt);
            if (!running) return;
            present(h);
            h.next = nowMs();
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
        if (h->scene) h->scene->Form_Unload();
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
                if (h->scene) wait = std::min(wait, static_cast<int32_t>(h->next - now));
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
                if (!h.scene) continue;
                FrmMain& m = *h.scene;
                const uint32_t interval = static_cast<uint32_t>(std::max(m.tmrAnimation.interval, 1));
                now = nowMs();
                if (static_cast<int32_t>(now - h.next) < 0) continue;
                h.next += interval;
                // After a long stall (a new landscape, a suspended machine)
                // the timer does not try to catch up.
                if (static_cast<int32_t>(now - h.next) > static_cast<int32_t>(interval)) h.next = now + interval;
                if (m.tmrAnimation.enabled) {
                    m.tmrAnimation_Timer();
                    if (r.running) r.present(h, false);
                }
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
