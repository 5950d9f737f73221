// The Wayland client's parts (wayland_linux.cpp, the connection, the outputs
// and the loop; wayland_surfaces.cpp, the surfaces' roles, sizes and frame
// callbacks; wayland_buffers.cpp, the shared-memory buffers;
// wayland_input.cpp, the seat's keyboard and pointer): one run's state. A
// run is the full-screen saver (a full-screen window on every output) or
// the desktop's background (a surface in the background layer of every
// output, which takes no input).
#pragma once

#include <sys/mman.h>
#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "backends/linux/saver_linux.h"
#include "scene/frame_copy.h"
#include "shell/scene_runner.h"
#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace syl {

namespace wayland {

using Rect = FrmMain::Rect;

// Milliseconds of the monotonic clock, cut to 32 bits.
uint32_t nowMs();

// One shared-memory buffer of a surface, which the compositor holds from
// its commit until it releases it. What it lacks of the scene's form is
// noted in its copy, and brought before it is attached again.
struct Buffer {
    wl_buffer* buffer = nullptr;
    uint8_t* data = nullptr;
    size_t size = 0;
    int width = 0, height = 0;
    bool busy = false;
    bool retired = false; // of a size no longer used: destroyed on release
    FrameCopy copy;       // what it lacks of the form

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
        bool gone = false; // its output was unplugged, or its layer closed
        wl_surface* surface = nullptr;
        xdg_surface* xsurface = nullptr;
        xdg_toplevel* toplevel = nullptr;
        zwlr_layer_surface_v1* layer = nullptr;
        wp_viewport* viewport = nullptr;
        wp_fractional_scale_v1* fractional = nullptr;
        uint32_t preferred120 = 0; // the surface's preferred scale x 120, 0: not told
        // The frame callback of the last commit: until it comes, nothing is
        // drawn nor committed (the output is off, or the surface unseen).
        wl_callback* frame = nullptr;
        // The size the compositor asked for, in its logical units.
        int askedW = 0, askedH = 0;
        int modeW = 0, modeH = 0; // the output's current mode, in pixels
        bool configured = false;
        // The scene's size in pixels; the surface's buffer scale (1 when a
        // viewport maps the buffer onto the surface's logical size).
        int width = 0, height = 0, scale = 1;
        int viewW = 0, viewH = 0; // the viewport's destination, 0: none
        double pixelsPerUnit = 1; // for the scene's resolution
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
            if (frame) wl_callback_destroy(frame);
            if (fractional) wp_fractional_scale_v1_destroy(fractional);
            if (viewport) wp_viewport_destroy(viewport);
            if (layer) zwlr_layer_surface_v1_destroy(layer);
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
    zwlr_layer_shell_v1* layerShell = nullptr;
    wp_viewporter* viewporter = nullptr;
    wp_fractional_scale_manager_v1* fractionalManager = nullptr;
    wl_seat* seat = nullptr;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    Head* pointerHead = nullptr;
    Head* keyboardHead = nullptr;
    std::vector<std::unique_ptr<Head>> heads; // heads[0] is the primary
    std::vector<Input> inputs;
    bool running = false;
    bool lost = false;           // the connection to the compositor broke
    bool stopped = false;        // a stop signal came before the surfaces were up
    bool surfacesWanted = false; // outputs get their surfaces as they come
    int dpi = 96;
    // The desktop's background: surfaces in this layer, no input, every
    // output alike (none is the primary).
    bool background = false;
    uint32_t layerOf = ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND;

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
    // The buffer's size and scale for the size the compositor asked for.
    void chooseSize(Head& h, int& w, int& hgt, int& scale) const;
    // Asks for the frame callback of the next commit.
    void requestFrame(Head& h);
    // Whether the head's surface may draw and commit now.
    static bool canDraw(const Head& h) { return !h.frame && !h.gone; }
    void updateSeat(uint32_t caps);
    wayland::Buffer* freeBuffer(Head& h);
    // Takes what the scene's form drew since its last frame (all of it when
    // all is set) into what the surface lacks, then flushes.
    void present(Head& h, bool all = true);
    // Commits what the surface lacks, unless the compositor has not taken
    // the last frame yet.
    void flush(Head& h);
    void presentAll();
    // Reads and dispatches what the compositor sent, waiting at most ms
    // milliseconds (0: only what is there, -1: until something comes);
    // whether anything came.
    bool dispatch(int ms);
    // Sleeps ms milliseconds without reading the compositor's messages;
    // a stop signal or a change of the session's mood ends it early.
    void nap(int ms);
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
