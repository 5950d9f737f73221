// The Wayland full screen's parts (wayland_linux.cpp, the connection, the
// outputs and the loop; wayland_buffers.cpp, the shared-memory buffers;
// wayland_input.cpp, the seat's keyboard and pointer): one run's state.
#pragma once

#include <sys/mman.h>
#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "backends/linux/saver_linux.h"
#include "shell/scene_runner.h"
#include "xdg-shell-client-protocol.h"

namespace syl {

namespace wayland {

using Rect = FrmMain::Rect;

// Milliseconds of the monotonic clock, cut to 32 bits.
uint32_t nowMs();

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

} // namespace wayland

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
        std::unique_ptr<SceneRunner> scene;
        std::vector<std::unique_ptr<wayland::Buffer>> buffers;
        // What changed since the last commit (all of it when damageAll).
        std::vector<wayland::Rect> damage;
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
    wayland::Buffer* freeBuffer(Head& h);
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

namespace wayland {

using Run = WaylandPlatform::Run;
using Head = Run::Head;

// The listeners of the seat (wayland_input.cpp): they only note what came.
extern const wl_seat_listener kSeatListener;

} // namespace wayland

} // namespace syl
