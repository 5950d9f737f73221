// The minutes spinner of the settings dialog in GTK 3.
//
// Two arrows in a 17 x 17 pixel box, like a vertical scroll bar without a
// track. The upper arrow lowers the spinner's value by one (so the minutes
// rise), the lower one raises it; held down, an arrow repeats. Up and Down
// keys do the same while it has the focus.
#include <algorithm>
#include <cmath>

#include "backends/linux/gtk_dialogs.h"

namespace syl::gtkdialogs {

namespace {

gboolean spinnerDraw(GtkWidget* w, cairo_t* cr, gpointer data)
{
    auto& s = *static_cast<Spinner*>(data);
    const double width = gtk_widget_get_allocated_width(w);
    const double height = gtk_widget_get_allocated_height(w);
    const bool sensitive = gtk_widget_is_sensitive(w);
    auto half = [&](int which, double top, double h) {
        const bool down = s.pressed == which && sensitive;
        cairo_set_source_rgb(cr, down ? 0.70 : 0.86, down ? 0.70 : 0.86, down ? 0.70 : 0.86);
        cairo_rectangle(cr, 0, top, width, h);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.50, 0.50, 0.50);
        cairo_set_line_width(cr, 1);
        cairo_rectangle(cr, 0.5, top + 0.5, width - 1, h - 1);
        cairo_stroke(cr);
        const double grey = sensitive ? 0.0 : 0.63;
        cairo_set_source_rgb(cr, grey, grey, grey);
        // A triangle 2a + 1 wide and a + 1 high in the middle of the half.
        const double a = std::max(2.0, std::min(std::floor(width * 0.2), std::floor((h - 3) / 2 + 1)));
        const double cx = std::floor(width / 2) + 0.5, cy = std::floor(top + (h - a) / 2);
        if (which < 0) {
            cairo_move_to(cr, cx - a - 0.5, cy + a + 0.5);
            cairo_line_to(cr, cx + a + 0.5, cy + a + 0.5);
            cairo_line_to(cr, cx, cy);
        } else {
            cairo_move_to(cr, cx - a - 0.5, cy);
            cairo_line_to(cr, cx + a + 0.5, cy);
            cairo_line_to(cr, cx, cy + a + 0.5);
        }
        cairo_close_path(cr);
        cairo_fill(cr);
    };
    const double upper = std::floor(height / 2);
    half(-1, 0, upper);
    half(+1, upper, height - upper);
    if (gtk_widget_has_focus(w)) {
        static const double dash[] = {1.0};
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_set_dash(cr, dash, 1, 0);
        cairo_rectangle(cr, 2.5, 2.5, width - 5, height - 5);
        cairo_stroke(cr);
    }
    return TRUE;
}

gboolean spinnerRepeat(gpointer data)
{
    auto& s = *static_cast<Spinner*>(data);
    if (s.pressed && s.step) s.step(s.pressed);
    // The first repeat after a pause, then faster.
    s.repeat = g_timeout_add(60, spinnerRepeat, data);
    return G_SOURCE_REMOVE;
}

gboolean spinnerPress(GtkWidget* w, GdkEventButton* e, gpointer data)
{
    auto& s = *static_cast<Spinner*>(data);
    if (e->button != 1 || e->type != GDK_BUTTON_PRESS) return FALSE;
    gtk_widget_grab_focus(w);
    s.pressed = e->y < gtk_widget_get_allocated_height(w) / 2 ? -1 : +1;
    gtk_widget_queue_draw(w);
    stopRepeat(s);
    s.repeat = g_timeout_add(400, spinnerRepeat, data);
    if (s.step) s.step(s.pressed);
    return TRUE;
}

gboolean spinnerRelease(GtkWidget* w, GdkEventButton*, gpointer data)
{
    auto& s = *static_cast<Spinner*>(data);
    stopRepeat(s);
    s.pressed = 0;
    gtk_widget_queue_draw(w);
    return TRUE;
}

gboolean spinnerKey(GtkWidget*, GdkEventKey* e, gpointer data)
{
    auto& s = *static_cast<Spinner*>(data);
    int delta = 0;
    if (e->keyval == GDK_KEY_Up || e->keyval == GDK_KEY_KP_Up) delta = -1;
    if (e->keyval == GDK_KEY_Down || e->keyval == GDK_KEY_KP_Down) delta = +1;
    if (!delta || (e->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK))) return FALSE;
    if (s.step) s.step(delta);
    return TRUE;
}

gboolean redrawOnFocus(GtkWidget* w, GdkEvent*, gpointer)
{
    gtk_widget_queue_draw(w);
    return FALSE;
}

void spinnerUnrealize(GtkWidget*, gpointer data) { stopRepeat(*static_cast<Spinner*>(data)); }

} // namespace

void stopRepeat(Spinner& s)
{
    if (s.repeat) g_source_remove(s.repeat);
    s.repeat = 0;
}

void buildSpinner(Spinner& s)
{
    s.area = gtk_drawing_area_new();
    gtk_widget_set_can_focus(s.area, TRUE);
    gtk_widget_add_events(s.area,
                          GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_KEY_PRESS_MASK | GDK_FOCUS_CHANGE_MASK);
    g_signal_connect(s.area, "draw", G_CALLBACK(spinnerDraw), &s);
    g_signal_connect(s.area, "button-press-event", G_CALLBACK(spinnerPress), &s);
    g_signal_connect(s.area, "button-release-event", G_CALLBACK(spinnerRelease), &s);
    g_signal_connect(s.area, "key-press-event", G_CALLBACK(spinnerKey), &s);
    g_signal_connect(s.area, "focus-in-event", G_CALLBACK(redrawOnFocus), nullptr);
    g_signal_connect(s.area, "focus-out-event", G_CALLBACK(redrawOnFocus), nullptr);
    g_signal_connect(s.area, "unrealize", G_CALLBACK(spinnerUnrealize), &s);
}

} // namespace syl::gtkdialogs
