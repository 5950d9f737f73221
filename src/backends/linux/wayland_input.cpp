// The seat's keyboard and pointer on the Wayland full screen: the
// listeners note what came; the scenes take it after each dispatch, outside
// the Wayland library's calls. A stop signal ends the saver as input does.
#include <unistd.h>

#include <cstdio>

#include "backends/linux/wayland_run.h"
#include "platform/signals.h"

namespace syl {

using namespace wayland;

namespace {

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
const wl_pointer_listener kPointerListener = {
    pointerEnter, pointerLeave,      pointerMotion,   pointerButton,       pointerAxis,
    pointerFrame, pointerAxisSource, pointerAxisStop, pointerAxisDiscrete, pointerAxisValue120};

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
} // namespace

const wl_seat_listener wayland::kSeatListener = {seatCapabilities, seatName};

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

void Run::endOnSignal()
{
    if (!running || !stopSignal()) return;
    // SIGTERM, SIGHUP, SIGQUIT, SIGINT: the saver ends as on input, with the
    // wallpaper and the restored state.
    if (!heads.empty() && heads.front()->scene) heads.front()->scene->form().Form_Unload();
    running = false;
}

void Run::takeInputs()
{
    if (lost && running) {
        std::fprintf(stderr, "sylvadra: the connection to the Wayland compositor was lost\n");
        platform->status_ = 1;
        if (!heads.empty() && heads.front()->scene) heads.front()->scene->form().Form_Unload();
        running = false;
        return;
    }
    std::vector<Input> taken;
    taken.swap(inputs);
    for (const Input& in : taken) {
        if (!running) break;
        // A head whose scene is not there yet is the primary's.
        Head* h = in.head && in.head->scene ? in.head : heads.empty() ? nullptr : heads.front().get();
        if (!h || !h->scene) continue;
        FrmMain& m = h->scene->form();
        switch (in.kind) {
        case Input::Key: m.Form_KeyDown(); break;
        case Input::Button: m.Form_MouseDown(); break;
        case Input::Motion: m.Form_MouseMove(in.x, in.y); break;
        case Input::Close: m.Form_Unload(); break;
        }
    }
}

} // namespace syl
