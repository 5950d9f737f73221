// The surfaces of a Wayland run: a full-screen xdg-shell window or a
// background layer on each output, the size of their buffers at the
// output's real pixels (a fractional scale through a viewport), the frame
// callbacks that pace the drawing, and the scenes composed for them.
#include <wayland-client.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "backends/linux/wayland_run.h"

namespace syl {

using namespace wayland;

namespace {

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

void layerConfigure(void* data, zwlr_layer_surface_v1* l, uint32_t serial, uint32_t w, uint32_t h)
{
    auto* head = static_cast<Head*>(data);
    zwlr_layer_surface_v1_ack_configure(l, serial);
    head->askedW = static_cast<int>(std::min(w, 65535u));
    head->askedH = static_cast<int>(std::min(h, 65535u));
    head->configured = true;
    head->resizePending = true;
}
// The compositor took the layer away (its output went, or it ends the
// client's layers): the surface goes with it.
void layerClosed(void* data, zwlr_layer_surface_v1*) { static_cast<Head*>(data)->gone = true; }
const zwlr_layer_surface_v1_listener kLayerListener = {layerConfigure, layerClosed};

void preferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale)
{
    auto* h = static_cast<Head*>(data);
    if (scale == h->preferred120) return;
    h->preferred120 = std::clamp(scale, 60u, 960u);
    h->resizePending = true;
}
const wp_fractional_scale_v1_listener kFractionalListener = {preferredScale};

void frameDone(void* data, wl_callback* cb, uint32_t)
{
    auto* h = static_cast<Head*>(data);
    wl_callback_destroy(cb);
    if (h->frame == cb) h->frame = nullptr;
}
const wl_callback_listener kFrameListener = {frameDone};

} // namespace

void Run::createSurface(Head& h)
{
    h.surface = wl_compositor_create_surface(compositor);
    if (viewporter) h.viewport = wp_viewporter_get_viewport(viewporter, h.surface);
    if (fractionalManager) {
        h.fractional = wp_fractional_scale_manager_v1_get_fractional_scale(fractionalManager, h.surface);
        wp_fractional_scale_v1_add_listener(h.fractional, &kFractionalListener, &h);
    }
    if (background) {
        // Behind every window, on all of its output, above nothing else;
        // the pointer and the keyboard go through it to the desktop.
        h.layer = zwlr_layer_shell_v1_get_layer_surface(layerShell, h.surface, h.output, layerOf, "wallpaper");
        zwlr_layer_surface_v1_add_listener(h.layer, &kLayerListener, &h);
        zwlr_layer_surface_v1_set_anchor(h.layer,
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                             ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        zwlr_layer_surface_v1_set_size(h.layer, 0, 0);
        zwlr_layer_surface_v1_set_exclusive_zone(h.layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(h.layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
        wl_region* none = wl_compositor_create_region(compositor);
        wl_surface_set_input_region(h.surface, none);
        wl_region_destroy(none);
    } else {
        h.xsurface = xdg_wm_base_get_xdg_surface(wmBase, h.surface);
        xdg_surface_add_listener(h.xsurface, &kSurfaceListener, &h);
        h.toplevel = xdg_surface_get_toplevel(h.xsurface);
        xdg_toplevel_add_listener(h.toplevel, &kToplevelListener, &h);
        xdg_toplevel_set_title(h.toplevel, "Sylvadra");
        xdg_toplevel_set_app_id(h.toplevel, "sylvadra");
        xdg_toplevel_set_fullscreen(h.toplevel, h.output);
    }
    // The first commit, without a buffer, asks for the first configure.
    wl_surface_commit(h.surface);
}

void Run::requestFrame(Head& h)
{
    if (h.frame) wl_callback_destroy(h.frame);
    h.frame = wl_surface_frame(h.surface);
    wl_callback_add_listener(h.frame, &kFrameListener, &h);
}

void Run::chooseSize(Head& h, int& w, int& hgt, int& scale) const
{
    const int lw = h.askedW, lh = h.askedH;
    const int outputScale = h.output ? h.outputScale : 1;
    scale = 1;
    if (lw <= 0 || lh <= 0) {
        // No size asked for: the output's mode, else a window's usual size.
        w = h.modeW > 0 ? h.modeW : 1024;
        hgt = h.modeH > 0 ? h.modeH : 768;
        return;
    }
    if (h.viewport && h.preferred120 > 0) {
        // The compositor's preferred scale, fractional: the buffer has the
        // output's real pixels, the viewport maps it onto the surface.
        w = static_cast<int>(std::lround(lw * (h.preferred120 / 120.0)));
        hgt = static_cast<int>(std::lround(lh * (h.preferred120 / 120.0)));
        return;
    }
    if (h.viewport && outputScale > 1 && h.modeW > 0 && h.modeH > 0) {
        // Without a preferred scale, a surface that covers its output has
        // the output's mode as its real pixels when the mode's proportion
        // is the surface's (a compositor scaling by 1.5 rounds its outputs'
        // scale up to 2 for clients, then shrinks their 2x buffers).
        const double sx = double(h.modeW) / lw, sy = double(h.modeH) / lh;
        if (std::fabs(sx - sy) < 0.02 * sx && sx <= outputScale) {
            w = h.modeW;
            hgt = h.modeH;
            return;
        }
    }
    w = lw * outputScale;
    hgt = lh * outputScale;
    scale = outputScale;
}

void Run::startScene(Head& h, size_t index)
{
    const int sceneDpi = static_cast<int>(std::lround(dpi * h.pixelsPerUnit));
    h.scene = std::make_unique<SceneRunner>(h.width, h.height, SceneOptions{sceneDpi});
    if (index == 0 && !background) setWallpaperScene(&h.scene->form());
    h.scene->load();
    if (!running) return;
    present(h);
    h.scene->compose();
    if (!running) return;
    present(h);
}

void Run::applyPendingSizes()
{
    // Unplugged outputs' surfaces go (the full screen's primary stays: the
    // compositor moves it to another output).
    for (size_t k = background ? 0 : 1; k < heads.size(); ++k)
        if (heads[k]->gone) {
            Head& h = *heads[k];
            if (pointerHead == &h) pointerHead = nullptr;
            if (keyboardHead == &h) keyboardHead = nullptr;
            std::erase_if(inputs, [&h](const Input& in) { return in.head == &h; });
            heads.erase(heads.begin() + static_cast<std::ptrdiff_t>(k--));
        }
    for (size_t k = 0; k < heads.size() && running; ++k) {
        Head& h = *heads[k];
        if (!h.resizePending || !h.configured || !h.surface) continue;
        h.resizePending = false;
        int w = 0, hgt = 0, scale = 1;
        chooseSize(h, w, hgt, scale);
        // A size a pixel off what is shown (a fractional scale's rounding
        // told after the output's mode gave the size) keeps the landscape.
        if (h.scene && std::abs(w - h.width) <= 1 && std::abs(hgt - h.height) <= 1 && scale == h.scale) {
            w = h.width;
            hgt = h.height;
        }
        const bool viewed = h.viewport && scale == 1 && h.askedW > 0 && (w != h.askedW || hgt != h.askedH);
        const int viewW = viewed ? h.askedW : 0, viewH = viewed ? h.askedH : 0;
        if (viewW != h.viewW || viewH != h.viewH) {
            h.viewW = viewW;
            h.viewH = viewH;
            if (h.viewport) wp_viewport_set_destination(h.viewport, viewed ? viewW : -1, viewed ? viewH : -1);
        }
        h.pixelsPerUnit = h.askedW > 0 ? double(w) / h.askedW : scale;
        if (h.scene && w == h.width && hgt == h.height && scale == h.scale) {
            wl_surface_commit(h.surface); // the new destination, the same picture
            continue;
        }
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
            const int sceneDpi = static_cast<int>(std::lround(dpi * h.pixelsPerUnit));
            h.scene->resize(w, hgt, sceneDpi);
            if (!running) return;
            present(h);
        }
    }
    for (auto& h : heads)
        std::erase_if(h->buffers, [](const std::unique_ptr<Buffer>& b) { return b->retired && !b->busy; });
}

} // namespace syl
