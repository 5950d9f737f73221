// How the settings dialog's sliders step, in GTK 3.
//
// The sliders move as Windows scroll bars do: an arrow by the small step
// (held down, again after a pause and then quickly), a click into the trough
// by the large step, a dragged thumb to the whole number under it. GTK never
// moves them itself: it reports what the user does, the form's value
// changes, and the slider shows that value again.
//
// GTK 3 reports a click into the trough as a page step, and a dragged thumb
// as a jump to the value under it, but it lets a held arrow glide by
// fractions of the step from the next frame on (a short click does not move
// it at all). So a press beside the thumb is taken as an arrow's unless a
// page step comes with it.
#include <algorithm>
#include <cmath>
#include <optional>

#include "backends/linux/gtk_dialogs.h"

namespace syl::gtkdialogs {

namespace {

// The step or end that GTK asks for; none for a jump.
std::optional<ScrollMove> moveOf(GtkScrollType scroll)
{
    switch (scroll) {
    case GTK_SCROLL_STEP_BACKWARD:
    case GTK_SCROLL_STEP_LEFT:
    case GTK_SCROLL_STEP_UP: return ScrollMove::SmallBack;
    case GTK_SCROLL_STEP_FORWARD:
    case GTK_SCROLL_STEP_RIGHT:
    case GTK_SCROLL_STEP_DOWN: return ScrollMove::SmallForward;
    case GTK_SCROLL_PAGE_BACKWARD:
    case GTK_SCROLL_PAGE_LEFT:
    case GTK_SCROLL_PAGE_UP: return ScrollMove::LargeBack;
    case GTK_SCROLL_PAGE_FORWARD:
    case GTK_SCROLL_PAGE_RIGHT:
    case GTK_SCROLL_PAGE_DOWN: return ScrollMove::LargeForward;
    case GTK_SCROLL_START: return ScrollMove::ToMin;
    case GTK_SCROLL_END: return ScrollMove::ToMax;
    case GTK_SCROLL_JUMP:
    case GTK_SCROLL_NONE: break;
    }
    return std::nullopt;
}

// The keys of a Windows scroll bar: the arrows by the small step, Page Up
// and Page Down by the large one, Home and End to the ends.
std::optional<ScrollMove> moveOfKey(guint keyval)
{
    switch (keyval) {
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up: return ScrollMove::SmallBack;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down: return ScrollMove::SmallForward;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up: return ScrollMove::LargeBack;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down: return ScrollMove::LargeForward;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home: return ScrollMove::ToMin;
    case GDK_KEY_End:
    case GDK_KEY_KP_End: return ScrollMove::ToMax;
    default: return std::nullopt;
    }
}

} // namespace

void ConfigDialog::stepSlider(SliderBinding& b, long long delta)
{
    const long long v = static_cast<long long>(form_.HScroll(b.index).Value) + delta;
    event([&] { form_.userScroll(b.index, v); });
}

gboolean ConfigDialog::sliderArrowPressed(gpointer data)
{
    auto* b = static_cast<SliderBinding*>(data);
    b->pending = 0;
    if (b->hold == SliderBinding::Hold::Arrow && b->arrow != 0 && b->nextRepeat == 0) {
        b->nextRepeat = g_get_monotonic_time() + 400000;
        b->dialog->stepSlider(*b, b->arrow * b->dialog->form_.HScroll(b->index).SmallChange);
    }
    return G_SOURCE_REMOVE;
}

gboolean ConfigDialog::onSliderPress(GtkWidget* w, GdkEventButton* e, gpointer data)
{
    auto* b = static_cast<SliderBinding*>(data);
    if (e->type != GDK_BUTTON_PRESS || e->button != GDK_BUTTON_PRIMARY) return FALSE;
    gint start = 0, end = 0;
    gtk_range_get_slider_range(GTK_RANGE(w), &start, &end);
    const bool vertical = gtk_orientable_get_orientation(GTK_ORIENTABLE(w)) == GTK_ORIENTATION_VERTICAL;
    const double at = vertical ? e->y : e->x;
    if (b->pending) g_source_remove(b->pending);
    b->pending = 0;
    b->nextRepeat = 0;
    if (at >= start && at < end) {
        b->hold = SliderBinding::Hold::Thumb;
        b->arrow = 0;
    } else {
        // An arrow, unless GTK answers the press with a page step (the
        // trough) before this idle call runs.
        b->hold = SliderBinding::Hold::Arrow;
        b->arrow = at < start ? -1 : +1;
        b->pending = g_idle_add_full(G_PRIORITY_HIGH_IDLE, sliderArrowPressed, b, nullptr);
    }
    return FALSE; // GTK goes on: focus, grab, the trough's page steps
}

gboolean ConfigDialog::onSliderRelease(GtkWidget*, GdkEventButton* e, gpointer data)
{
    auto* b = static_cast<SliderBinding*>(data);
    if (e->button != GDK_BUTTON_PRIMARY) return FALSE;
    // A click so short that the idle call has not run yet still steps once.
    if (b->pending) {
        g_source_remove(b->pending);
        sliderArrowPressed(b);
    }
    b->hold = SliderBinding::Hold::None;
    b->arrow = 0;
    return FALSE;
}

// The wheel steps by the small step, as the arrows do; smooth scrolling
// once it adds up to a whole notch.
gboolean ConfigDialog::onSliderWheel(GtkWidget*, GdkEventScroll* e, gpointer data)
{
    auto* b = static_cast<SliderBinding*>(data);
    double notches = 0;
    switch (e->direction) {
    case GDK_SCROLL_UP:
    case GDK_SCROLL_LEFT: notches = -1; break;
    case GDK_SCROLL_DOWN:
    case GDK_SCROLL_RIGHT: notches = +1; break;
    case GDK_SCROLL_SMOOTH: {
        b->wheel += e->delta_x + e->delta_y;
        notches = std::trunc(b->wheel);
        b->wheel -= notches;
        break;
    }
    }
    if (notches != 0 && std::fabs(notches) < 100)
        b->dialog->stepSlider(*b, static_cast<long long>(notches) * b->dialog->form_.HScroll(b->index).SmallChange);
    return TRUE;
}

gboolean ConfigDialog::onSliderChange(GtkRange*, GtkScrollType scroll, gdouble value, gpointer data)
{
    auto* b = static_cast<SliderBinding*>(data);
    ConfigDialog& d = *b->dialog;
    const ScrollBarControl& bar = d.form_.HScroll(b->index);
    const std::optional<ScrollMove> move = moveOf(scroll);
    long long v = move ? scrolledValue(bar, *move) : bar.Value;
    if (scroll == GTK_SCROLL_JUMP) {
        if (b->hold == SliderBinding::Hold::Thumb) {
            if (std::isfinite(value)) v = std::llround(std::clamp(value, -1e9, 1e9));
        } else if (b->hold == SliderBinding::Hold::Arrow && b->arrow != 0) {
            // A held arrow: its first step, then repeats.
            const gint64 now = g_get_monotonic_time();
            if (b->pending) {
                g_source_remove(b->pending);
                sliderArrowPressed(b);
            } else if (b->nextRepeat != 0 && now >= b->nextRepeat) {
                b->nextRepeat = now + 60000;
                d.stepSlider(*b, b->arrow * bar.SmallChange);
            }
            if (!d.closed_ && !d.ending_) d.showControls();
            return TRUE;
        }
    }
    if (move == ScrollMove::LargeBack || move == ScrollMove::LargeForward) {
        // The press was in the trough, not on an arrow.
        if (b->pending) g_source_remove(b->pending);
        b->pending = 0;
        b->arrow = 0;
    }
    d.event([&] { d.form_.userScroll(b->index, v); });
    // The slider shows the form's value again, also when nothing changed.
    if (!d.closed_ && !d.ending_) d.showControls();
    return TRUE;
}

// A focused slider answers the keys of a Windows scroll bar.
gboolean ConfigDialog::onSliderKey(GtkWidget*, GdkEventKey* e, gpointer data)
{
    auto* b = static_cast<SliderBinding*>(data);
    if (e->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return FALSE;
    const std::optional<ScrollMove> move = moveOfKey(e->keyval);
    if (!move) return FALSE;
    const long long v = scrolledValue(b->dialog->form_.HScroll(b->index), *move);
    b->dialog->event([&] { b->dialog->form_.userScroll(b->index, v); });
    return TRUE;
}

} // namespace syl::gtkdialogs
