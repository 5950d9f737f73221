// The settings dialog frmConfig and the about box frmInfo in GTK 3.
//
// The widgets stand at fixed places in a GtkFixed, converted from the
// dialog's twips at the screen's resolution. All behaviour is the core's
// (settings/frmconfig, about/frminfo): a widget reports what the user did,
// the form's event procedure runs, and then every widget is set again from
// the form's controls. Signals that this setting raises are ignored.
//
// No C++ exception crosses a GTK callback: ProgramEnd (the error dispatch's
// End) is caught in the callback, every running main loop is left, and it
// is thrown again once runSettingsDialog's loop has returned.
#include <gtk/gtk.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "about/frminfo.h"
#include "errors/handler.h"
#include "platform/codecs.h"
#include "platform/controls.h"
#include "platform/resources.h"
#include "settings/frmconfig.h"
#include "settings/settings_store.h"

namespace syl {

int runSettingsDialog();

namespace {

// Fonts and faces of the two windows. The dialogs' font is MS Sans Serif
// 8 pt; where it is missing, the closest sans-serif of the desktop.
constexpr const char* kCss = R"css(
.sylvadra-dialog, .sylvadra-dialog * {
  font-family: "MS Sans Serif", "Microsoft Sans Serif", Arial, "Liberation Sans", Arimo, "DejaVu Sans Condensed",
    sans-serif;
  font-size: 8pt;
}
.sylvadra-dialog label { padding: 0; margin: 0; min-height: 0; }
.sylvadra-dialog .slider-end { font-weight: bold; }
.sylvadra-dialog frame > border { border-radius: 0; }
.sylvadra-dialog frame > label { padding: 0 2px; }
.sylvadra-dialog button { padding: 2px; min-height: 0; min-width: 0; }
.sylvadra-dialog checkbutton { padding: 0; min-height: 0; }
.sylvadra-dialog checkbutton check { min-width: 13px; min-height: 13px; margin: 0 5px 0 0; }
.sylvadra-dialog scrollbar {
  -GtkScrollbar-has-backward-stepper: true;
  -GtkScrollbar-has-forward-stepper: true;
  padding: 0; border: 1px solid #a0a0a0; background-color: #ececec;
}
.sylvadra-dialog scrollbar contents, .sylvadra-dialog scrollbar trough { min-height: 0; min-width: 0; }
.sylvadra-dialog scrollbar button {
  min-width: 13px; min-height: 0; padding: 0; margin: 0; border: 1px solid #909090; border-radius: 0;
  background-image: none; background-color: #dcdcdc; color: #000000;
  -gtk-icon-source: -gtk-icontheme("pan-start-symbolic");
}
.sylvadra-dialog scrollbar button:active { background-color: #b8b8b8; }
.sylvadra-dialog scrollbar button.down { -gtk-icon-source: -gtk-icontheme("pan-end-symbolic"); }
.sylvadra-dialog scrollbar slider {
  min-width: 15px; margin: 0; border-radius: 0; border: 1px solid #808080; background-color: #c8c8c8;
}
.sylvadra-dialog scrollbar:focus slider { background-color: #7a9cc6; border-color: #2a5a96; }
.sylvadra-info .version { font-weight: bold; font-size: 12pt; }
.sylvadra-info button.ok { background-image: none; background-color: rgb(192, 192, 192); }
)css";

void installCss()
{
    static bool done = false;
    if (done) return;
    done = true;
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    // A click into a slider's trough pages by the large step, as on Windows,
    // instead of moving the thumb under the pointer.
    g_object_set(gtk_settings_get_default(), "gtk-primary-button-warps-slider", FALSE, nullptr);
}

// The screen's resolution in dots per inch (96 when the desktop sets none).
int screenDpi()
{
    const double r = gdk_screen_get_resolution(gdk_screen_get_default());
    return r > 0 ? static_cast<int>(std::lround(r)) : kDefaultDpi;
}

void place(GtkFixed* fixed, GtkWidget* w, const TwipsRect& twips, int dpi)
{
    const PixelRect r = toPixels(twips, dpi);
    gtk_widget_set_size_request(w, r.width, r.height);
    gtk_fixed_put(fixed, w, r.x, r.y);
}

void addClass(GtkWidget* w, const char* name) { gtk_style_context_add_class(gtk_widget_get_style_context(w), name); }

// The thumb and the arrows of a slider fill its height: one rule per height
// in pixels (class "h<pixels>"), inside the scroll bar's own border.
void installSliderHeights(const std::vector<int>& heights)
{
    std::string css;
    for (int h : heights) {
        const std::string sel = ".sylvadra-dialog scrollbar.h" + std::to_string(h);
        css += sel + " slider, " + sel + " button { min-height: " + std::to_string(std::max(h - 4, 1)) + "px; }\n";
    }
    GtkCssProvider* p = gtk_css_provider_new();
    gtk_css_provider_load_from_data(p, css.c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(p),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
    g_object_unref(p);
}

GdkPixbuf* pixbufOf(const Picture& p)
{
    if (p.empty()) return nullptr;
    GdkPixbuf* pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, p.width, p.height);
    guchar* px = gdk_pixbuf_get_pixels(pb);
    const int stride = gdk_pixbuf_get_rowstride(pb);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const size_t i = static_cast<size_t>(y) * p.width + x;
            guchar* d = px + y * stride + x * 4;
            const Color c = p.pixels[i];
            d[0] = static_cast<guchar>(redOf(c));
            d[1] = static_cast<guchar>(greenOf(c));
            d[2] = static_cast<guchar>(blueOf(c));
            d[3] = p.alpha.empty() ? 255 : p.alpha[i];
        }
    }
    return pb;
}

// A text that the desktop's font makes wider than its place is set
// smaller, step by step, rather than cut off or laid over its neighbour.
void fitText(GtkWidget* w, GtkWidget* label, int width)
{
    for (double scale = 1.0; scale > 0.7; scale -= 0.05) {
        if (scale < 1.0) {
            PangoAttrList* attrs = pango_attr_list_new();
            pango_attr_list_insert(attrs, pango_attr_scale_new(scale));
            gtk_label_set_attributes(GTK_LABEL(label), attrs);
            pango_attr_list_unref(attrs);
        }
        int minimum = 0;
        gtk_widget_get_preferred_width(w, &minimum, nullptr);
        if (minimum <= width) return;
    }
}

// A label on a white field, whatever the theme does with label backgrounds:
// the field is painted before the label draws its text.
gboolean paintWhite(GtkWidget* w, cairo_t* cr, gpointer)
{
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, 0, 0, gtk_widget_get_allocated_width(w), gtk_widget_get_allocated_height(w));
    cairo_fill(cr);
    return FALSE;
}

// The program's icon (icon resource 1), when it decodes.
void setProgramIcon(GtkWindow* window)
{
    try {
        const Picture icon = LoadResPicture(1, ResourceKind::Icon);
        if (GdkPixbuf* pb = pixbufOf(icon)) {
            gtk_window_set_icon(window, pb);
            g_object_unref(pb);
        }
    } catch (const RuntimeError&) {
        // A dialog without an icon is still a dialog.
    }
}

std::string cssColour(Color c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", redOf(c), greenOf(c), blueOf(c));
    return buf;
}

// ---- The minutes spinner -------------------------------------------------
// Two arrows in a 17 x 17 pixel box, like a vertical scroll bar without a
// track. The upper arrow lowers the spinner's value by one (so the minutes
// rise), the lower one raises it; held down, an arrow repeats. Up and Down
// keys do the same while it has the focus.

struct Spinner {
    GtkWidget* area = nullptr;
    std::function<void(int delta)> step; // -1 upper arrow, +1 lower arrow
    int pressed = 0;                     // the arrow held down: -1, +1 or 0
    guint repeat = 0;
};

void stopRepeat(Spinner& s)
{
    if (s.repeat) g_source_remove(s.repeat);
    s.repeat = 0;
}

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

void buildSpinner(Spinner& s)
{
    s.area = gtk_drawing_area_new();
    gtk_widget_set_can_focus(s.area, TRUE);
    gtk_widget_add_events(s.area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_KEY_PRESS_MASK |
                                      GDK_FOCUS_CHANGE_MASK);
    g_signal_connect(s.area, "draw", G_CALLBACK(spinnerDraw), &s);
    g_signal_connect(s.area, "button-press-event", G_CALLBACK(spinnerPress), &s);
    g_signal_connect(s.area, "button-release-event", G_CALLBACK(spinnerRelease), &s);
    g_signal_connect(s.area, "key-press-event", G_CALLBACK(spinnerKey), &s);
    g_signal_connect(s.area, "focus-in-event", G_CALLBACK(redrawOnFocus), nullptr);
    g_signal_connect(s.area, "focus-out-event", G_CALLBACK(redrawOnFocus), nullptr);
    g_signal_connect(s.area, "unrealize", G_CALLBACK(spinnerUnrealize), &s);
}

// ---- The dialog ----------------------------------------------------------------

class ConfigDialog {
public:
    ConfigDialog();
    ~ConfigDialog();
    // Shows the dialog and returns when it has closed.
    void run();

private:
    struct SliderBinding {
        ConfigDialog* dialog;
        int index;
        // What the mouse button held down on the slider is doing.
        enum class Hold { None, Thumb, Arrow } hold = Hold::None;
        int arrow = 0;          // the arrow pressed: -1 left, +1 right, 0 none (yet)
        gint64 nextRepeat = 0;  // when a held arrow steps again (monotonic, microseconds)
        guint pending = 0;      // the idle source that takes a press as an arrow's
        double wheel = 0;       // smooth scrolling not yet turned into steps
    };
    struct ButtonBinding {
        ConfigDialog* dialog;
        const ConfigControlSpec* control;
    };
    struct CheckBinding {
        ConfigDialog* dialog;
        int index;
    };

    void build();
    // Runs a form event from a signal, then shows the controls again.
    template <class F>
    void event(F&& f);
    void showControls();
    void close();
    void quitLoops();
    void showInfo();
    void openWebPage(const std::string& url);

    static gboolean onSliderChange(GtkRange* range, GtkScrollType scroll, gdouble value, gpointer data);
    static gboolean onSliderPress(GtkWidget* w, GdkEventButton* e, gpointer data);
    static gboolean onSliderRelease(GtkWidget* w, GdkEventButton* e, gpointer data);
    static gboolean onSliderWheel(GtkWidget* w, GdkEventScroll* e, gpointer data);
    static gboolean sliderArrowPressed(gpointer data);
    void stepSlider(SliderBinding& b, long long delta);
    static gboolean onSliderKey(GtkWidget* w, GdkEventKey* e, gpointer data);
    static void onToggled(GtkToggleButton* b, gpointer data);
    static void onClicked(GtkButton* b, gpointer data);
    static gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data);
    static gboolean onKey(GtkWidget*, GdkEventKey* e, gpointer data);

    FrmConfig form_;
    int dpi_ = kDefaultDpi;
    GtkWidget* window_ = nullptr;
    std::map<int, GtkWidget*> sliders_;
    std::vector<std::unique_ptr<SliderBinding>> sliderBindings_;
    std::vector<std::unique_ptr<ButtonBinding>> buttonBindings_;
    std::vector<std::unique_ptr<CheckBinding>> checkBindings_;
    std::array<GtkWidget*, 4> checks_{};
    GtkWidget* wallpaperLabel_ = nullptr;
    GtkWidget* lblTime_ = nullptr;
    GtkCssProvider* lblTimeCss_ = nullptr;
    Color lblTimeColour_ = 0xFFFFFFFF;
    Spinner spinner_;
    std::vector<GMainLoop*> loops_;
    bool updating_ = false;
    bool closed_ = false;
    bool ending_ = false;
};

ConfigDialog::ConfigDialog()
    : form_({[this] { showInfo(); }, [this](const std::string& url) { openWebPage(url); }, [this] { close(); }})
{
    dpi_ = screenDpi();
    build();
}

ConfigDialog::~ConfigDialog()
{
    stopRepeat(spinner_);
    for (auto& b : sliderBindings_)
        if (b->pending) g_source_remove(b->pending);
    if (window_) gtk_widget_destroy(window_);
    if (lblTimeCss_) g_object_unref(lblTimeCss_);
}

void ConfigDialog::build()
{
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* win = GTK_WINDOW(window_);
    gtk_window_set_title(win, kFrmConfigCaption);
    gtk_window_set_resizable(win, FALSE);
    gtk_window_set_position(win, GTK_WIN_POS_CENTER);
    gtk_window_set_type_hint(win, GDK_WINDOW_TYPE_HINT_DIALOG);
    setProgramIcon(win);
    addClass(window_, "sylvadra-dialog");
    g_signal_connect(window_, "delete-event", G_CALLBACK(onDelete), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(onKey), this);

    GtkWidget* fixedWidget = gtk_fixed_new();
    GtkFixed* fixed = GTK_FIXED(fixedWidget);
    gtk_widget_set_size_request(fixedWidget, twipsToPixels(kFrmConfigClientWidth, dpi_),
                                twipsToPixels(kFrmConfigClientHeight, dpi_));
    gtk_container_add(GTK_CONTAINER(window_), fixedWidget);

    std::vector<int> sliderHeights;
    for (const ConfigControlSpec& c : frmConfigControls()) {
        const TwipsRect r = onClientArea(c);
        GtkWidget* w = nullptr;
        switch (c.kind) {
        case ConfigControlKind::Frame:
            w = gtk_frame_new(c.caption);
            gtk_frame_set_shadow_type(GTK_FRAME(w), GTK_SHADOW_ETCHED_IN);
            break;
        case ConfigControlKind::Label:
            w = gtk_label_new(c.caption);
            gtk_label_set_xalign(GTK_LABEL(w), 0);
            gtk_label_set_yalign(GTK_LABEL(w), 0);
            break;
        case ConfigControlKind::SliderEnd:
            w = gtk_label_new(c.caption);
            addClass(w, "slider-end");
            gtk_label_set_xalign(GTK_LABEL(w), c.caption[0] == '+' ? 1.0f : 0.0f);
            gtk_label_set_yalign(GTK_LABEL(w), 0);
            break;
        case ConfigControlKind::Slider: {
            const ScrollBarControl& bar = form_.HScroll(c.index);
            GtkAdjustment* adj = gtk_adjustment_new(bar.Value, bar.Min, bar.Max, bar.SmallChange, bar.LargeChange, 0);
            w = gtk_scrollbar_new(GTK_ORIENTATION_HORIZONTAL, adj);
            gtk_range_set_round_digits(GTK_RANGE(w), 0);
            gtk_widget_set_can_focus(w, TRUE);
            const int h = toPixels(r, dpi_).height;
            addClass(w, ("h" + std::to_string(h)).c_str());
            sliderHeights.push_back(h);
            auto& b = sliderBindings_.emplace_back(new SliderBinding{this, c.index});
            g_signal_connect(w, "change-value", G_CALLBACK(onSliderChange), b.get());
            g_signal_connect(w, "key-press-event", G_CALLBACK(onSliderKey), b.get());
            g_signal_connect(w, "button-press-event", G_CALLBACK(onSliderPress), b.get());
            g_signal_connect(w, "button-release-event", G_CALLBACK(onSliderRelease), b.get());
            g_signal_connect(w, "scroll-event", G_CALLBACK(onSliderWheel), b.get());
            sliders_[c.index] = w;
            break;
        }
        case ConfigControlKind::CheckBox: {
            GtkWidget* label = gtk_label_new_with_mnemonic(gtkMnemonic(c.caption).c_str());
            gtk_label_set_xalign(GTK_LABEL(label), 0);
            w = gtk_check_button_new();
            gtk_container_add(GTK_CONTAINER(w), label);
            gtk_label_set_mnemonic_widget(GTK_LABEL(label), w);
            auto& b = checkBindings_.emplace_back(new CheckBinding{this, c.index});
            g_signal_connect(w, "toggled", G_CALLBACK(onToggled), b.get());
            checks_[static_cast<size_t>(c.index)] = w;
            if (c.index == 3) wallpaperLabel_ = label;
            break;
        }
        case ConfigControlKind::TimeLabel:
            w = gtk_label_new("");
            g_signal_connect(w, "draw", G_CALLBACK(paintWhite), nullptr);
            gtk_label_set_xalign(GTK_LABEL(w), 0.5f);
            lblTimeCss_ = gtk_css_provider_new();
            gtk_style_context_add_provider(gtk_widget_get_style_context(w), GTK_STYLE_PROVIDER(lblTimeCss_),
                                           GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
            lblTime_ = w;
            break;
        case ConfigControlKind::Spinner:
            buildSpinner(spinner_);
            spinner_.step = [this](int delta) { event([&] { form_.userSpin(form_.vscTime.Value + delta); }); };
            w = spinner_.area;
            break;
        case ConfigControlKind::Button: {
            GtkWidget* label = gtk_label_new_with_mnemonic(gtkMnemonic(c.caption).c_str());
            gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
            gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
            // Wrapped at the button's width, never asking for more.
            gtk_label_set_max_width_chars(GTK_LABEL(label), 1);
            w = gtk_button_new();
            gtk_container_add(GTK_CONTAINER(w), label);
            gtk_label_set_mnemonic_widget(GTK_LABEL(label), w);
            auto& b = buttonBindings_.emplace_back(new ButtonBinding{this, &c});
            g_signal_connect(w, "clicked", G_CALLBACK(onClicked), b.get());
            break;
        }
        }
        gtk_widget_set_name(w, c.index >= 0 ? (std::string(c.name) + "_" + std::to_string(c.index)).c_str() : c.name);
        place(fixed, w, r, dpi_);
        GtkWidget* text = nullptr;
        if (c.kind == ConfigControlKind::Label) text = w;
        if (c.kind == ConfigControlKind::CheckBox || c.kind == ConfigControlKind::Button)
            text = gtk_bin_get_child(GTK_BIN(w));
        if (c.kind == ConfigControlKind::Frame) text = gtk_frame_get_label_widget(GTK_FRAME(w));
        if (text) fitText(w, text, toPixels(r, dpi_).width);
    }
    installSliderHeights(sliderHeights);
}

template <class F>
void ConfigDialog::event(F&& f)
{
    if (updating_ || closed_ || ending_) return;
    if (!runEvent(f)) {
        ending_ = true;
        quitLoops();
        return;
    }
    if (!closed_) showControls();
}

void ConfigDialog::showControls()
{
    updating_ = true;
    for (auto& [index, w] : sliders_) gtk_range_set_value(GTK_RANGE(w), form_.HScroll(index).Value);
    for (size_t i = 0; i < checks_.size(); ++i)
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(checks_[i]), form_.chkOpt[i].Value != 0);
    if (form_.chkOpt[3].Caption != gtk_label_get_text(GTK_LABEL(wallpaperLabel_)))
        gtk_label_set_text(GTK_LABEL(wallpaperLabel_), form_.chkOpt[3].Caption.c_str());
    gtk_label_set_text(GTK_LABEL(lblTime_), form_.lblTime.Caption.c_str());
    if (form_.lblTime.ForeColor != lblTimeColour_) {
        lblTimeColour_ = form_.lblTime.ForeColor;
        const std::string css = "label { color: " + cssColour(lblTimeColour_) + "; }";
        gtk_css_provider_load_from_data(lblTimeCss_, css.c_str(), -1, nullptr);
    }
    gtk_widget_set_sensitive(spinner_.area, form_.vscTime.Enabled);
    gtk_widget_queue_draw(spinner_.area);
    updating_ = false;
}

void ConfigDialog::run()
{
    // Form_Load before the window is shown, as a form loads.
    form_.Form_Load();
    showControls();
    gtk_widget_show_all(window_);
    gtk_window_present(GTK_WINDOW(window_));
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    loops_.push_back(loop);
    if (!closed_ && !ending_) g_main_loop_run(loop);
    loops_.pop_back();
    g_main_loop_unref(loop);
    gtk_widget_hide(window_);
    if (ending_) throw ProgramEnd{};
}

void ConfigDialog::close()
{
    closed_ = true;
    quitLoops();
}

void ConfigDialog::quitLoops()
{
    for (GMainLoop* l : loops_) g_main_loop_quit(l);
}

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
    case GDK_SCROLL_UP: case GDK_SCROLL_LEFT: notches = -1; break;
    case GDK_SCROLL_DOWN: case GDK_SCROLL_RIGHT: notches = +1; break;
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
    long long v = bar.Value;
    switch (scroll) {
    case GTK_SCROLL_STEP_BACKWARD: case GTK_SCROLL_STEP_LEFT: case GTK_SCROLL_STEP_UP: v -= bar.SmallChange; break;
    case GTK_SCROLL_STEP_FORWARD: case GTK_SCROLL_STEP_RIGHT: case GTK_SCROLL_STEP_DOWN: v += bar.SmallChange; break;
    case GTK_SCROLL_PAGE_BACKWARD: case GTK_SCROLL_PAGE_LEFT: case GTK_SCROLL_PAGE_UP: v -= bar.LargeChange; break;
    case GTK_SCROLL_PAGE_FORWARD: case GTK_SCROLL_PAGE_RIGHT: case GTK_SCROLL_PAGE_DOWN: v += bar.LargeChange; break;
    case GTK_SCROLL_START: v = bar.Min; break;
    case GTK_SCROLL_END: v = bar.Max; break;
    case GTK_SCROLL_JUMP:
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
        break;
    case GTK_SCROLL_NONE: break;
    }
    if (scroll == GTK_SCROLL_PAGE_BACKWARD || scroll == GTK_SCROLL_PAGE_FORWARD || scroll == GTK_SCROLL_PAGE_LEFT ||
        scroll == GTK_SCROLL_PAGE_RIGHT || scroll == GTK_SCROLL_PAGE_UP || scroll == GTK_SCROLL_PAGE_DOWN) {
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

// A focused slider answers the keys of a Windows scroll bar: the arrows by
// the small step, Page Up and Page Down by the large one, Home and End to
// the ends.
gboolean ConfigDialog::onSliderKey(GtkWidget*, GdkEventKey* e, gpointer data)
{
    auto* b = static_cast<SliderBinding*>(data);
    if (e->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) return FALSE;
    const ScrollBarControl& bar = b->dialog->form_.HScroll(b->index);
    long long v = bar.Value;
    switch (e->keyval) {
    case GDK_KEY_Left: case GDK_KEY_KP_Left: case GDK_KEY_Up: case GDK_KEY_KP_Up: v -= bar.SmallChange; break;
    case GDK_KEY_Right: case GDK_KEY_KP_Right: case GDK_KEY_Down: case GDK_KEY_KP_Down: v += bar.SmallChange; break;
    case GDK_KEY_Page_Up: case GDK_KEY_KP_Page_Up: v -= bar.LargeChange; break;
    case GDK_KEY_Page_Down: case GDK_KEY_KP_Page_Down: v += bar.LargeChange; break;
    case GDK_KEY_Home: case GDK_KEY_KP_Home: v = bar.Min; break;
    case GDK_KEY_End: case GDK_KEY_KP_End: v = bar.Max; break;
    default: return FALSE;
    }
    b->dialog->event([&] { b->dialog->form_.userScroll(b->index, v); });
    return TRUE;
}

void ConfigDialog::onToggled(GtkToggleButton* button, gpointer data)
{
    auto* b = static_cast<CheckBinding*>(data);
    const bool active = gtk_toggle_button_get_active(button);
    b->dialog->event([&] { b->dialog->form_.userCheck(b->index, active); });
}

void ConfigDialog::onClicked(GtkButton*, gpointer data)
{
    auto* b = static_cast<ButtonBinding*>(data);
    b->dialog->event([&] { b->dialog->form_.userPress(*b->control); });
}

// Closing the window is leaving without "&OK": nothing is stored.
gboolean ConfigDialog::onDelete(GtkWidget*, GdkEvent*, gpointer data)
{
    static_cast<ConfigDialog*>(data)->close();
    return TRUE;
}

gboolean ConfigDialog::onKey(GtkWidget*, GdkEventKey* e, gpointer data)
{
    if (e->keyval != GDK_KEY_Escape) return FALSE;
    static_cast<ConfigDialog*>(data)->close();
    return TRUE;
}

void ConfigDialog::openWebPage(const std::string& url)
{
    GError* error = nullptr;
    if (g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error)) return;
    g_clear_error(&error);
    // Without a registered browser: xdg-open, whose result is not awaited.
    gchar* argv[] = {const_cast<gchar*>("xdg-open"), const_cast<gchar*>(url.c_str()), nullptr};
    g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, &error);
    g_clear_error(&error);
}

// ---- The about box ----------------------------------------------------------

gboolean drawPicture(GtkWidget* w, cairo_t* cr, gpointer data)
{
    auto* pb = static_cast<GdkPixbuf*>(data);
    const int width = gtk_widget_get_allocated_width(w);
    const int height = gtk_widget_get_allocated_height(w);
    // The picture at its natural size at 96 DPI; at other resolutions it
    // is scaled with the window, so that the label stays on its white field.
    const double sx = static_cast<double>(width) / twipsToPixels(kImage2Rect.width);
    const double sy = static_cast<double>(height) / twipsToPixels(kImage2Rect.height);
    cairo_scale(cr, sx, sy);
    gdk_cairo_set_source_pixbuf(cr, pb, 0, 0);
    cairo_paint(cr);
    return TRUE;
}


void ConfigDialog::showInfo()
{
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    bool closed = false;
    FrmInfo info([&] {
        closed = true;
        g_main_loop_quit(loop);
    });

    GtkWidget* about = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* win = GTK_WINDOW(about);
    gtk_window_set_title(win, "Sylvadra Info");
    gtk_window_set_decorated(win, FALSE);
    gtk_window_set_resizable(win, FALSE);
    gtk_window_set_modal(win, TRUE);
    gtk_window_set_transient_for(win, GTK_WINDOW(window_));
    gtk_window_set_position(win, GTK_WIN_POS_CENTER_ON_PARENT);
    gtk_window_set_type_hint(win, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_skip_taskbar_hint(win, TRUE);
    addClass(about, "sylvadra-dialog");
    addClass(about, "sylvadra-info");
    // No way out but "&OK": closing it from outside counts as "&OK".
    struct Close {
        ConfigDialog* dialog;
        FrmInfo* info;
    } closeData{this, &info};
    g_signal_connect(about, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer d) -> gboolean {
                         auto* c = static_cast<Close*>(d);
                         c->dialog->event([&] { c->info->cmdOK_Click(); });
                         return TRUE;
                     }),
                     &closeData);

    // Escape closes the box through its OK button, as Enter does on it.
    g_signal_connect(about, "key-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventKey* e, gpointer d) -> gboolean {
                         auto* c = static_cast<Close*>(d);
                         if (e->keyval != GDK_KEY_Escape || !c->info->cmdOK.Visible) return FALSE;
                         c->dialog->event([&] { c->info->cmdOK_Click(); });
                         return TRUE;
                     }),
                     &closeData);

    GtkWidget* fixedWidget = gtk_fixed_new();
    GtkFixed* fixed = GTK_FIXED(fixedWidget);
    gtk_widget_set_size_request(fixedWidget, twipsToPixels(kFrmInfoClientWidth, dpi_),
                                twipsToPixels(kFrmInfoClientHeight, dpi_));
    gtk_container_add(GTK_CONTAINER(about), fixedWidget);

    GdkPixbuf* pb = pixbufOf(aboutPicture());
    GtkWidget* image = gtk_drawing_area_new();
    gtk_widget_set_name(image, "Image2");
    g_signal_connect(image, "draw", G_CALLBACK(drawPicture), pb);
    place(fixed, image, kImage2Rect, dpi_);

    GtkWidget* label = gtk_label_new("");
    gtk_widget_set_name(label, "Label_0");
    addClass(label, "version");
    g_signal_connect(label, "draw", G_CALLBACK(paintWhite), nullptr);
    gtk_label_set_xalign(GTK_LABEL(label), 0.5f);
    gtk_label_set_yalign(GTK_LABEL(label), 0);
    place(fixed, label, kVersionLabelRect, dpi_);

    GtkWidget* ok = gtk_button_new_with_mnemonic(gtkMnemonic(info.cmdOK.Caption).c_str());
    gtk_widget_set_name(ok, "cmdOK");
    addClass(ok, "ok");
    place(fixed, ok, kInfoOKRect, dpi_);
    g_signal_connect(ok, "clicked", G_CALLBACK(+[](GtkButton*, gpointer d) {
                         auto* c = static_cast<Close*>(d);
                         c->dialog->event([&] { c->info->cmdOK_Click(); });
                     }),
                     &closeData);

    gtk_widget_show_all(fixedWidget);
    gtk_widget_hide(ok);
    bool failed = false;
    try {
        info.Form_Load();
    } catch (const ProgramEnd&) {
        failed = true;
    }
    gtk_label_set_text(GTK_LABEL(label), info.Label[0].Caption.c_str());
    gtk_widget_set_visible(ok, info.cmdOK.Visible);
    if (info.cmdOK.Visible) gtk_widget_grab_focus(ok);

    if (!failed && !closed) {
        gtk_widget_show(about);
        gtk_window_present(win);
        loops_.push_back(loop);
        g_main_loop_run(loop);
        loops_.pop_back();
    }
    gtk_widget_destroy(about);
    g_main_loop_unref(loop);
    if (pb) g_object_unref(pb);
    if (failed) throw ProgramEnd{};
    // The end of the program reached inside the box goes on from here.
    if (ending_) throw ProgramEnd{};
}

} // namespace

int runSettingsDialog()
{
    // The shell has set the locale; GTK must not set it again (numbers keep
    // the separator the settings are written with).
    gtk_disable_setlocale();
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "sylvadra: cannot open the display for the settings dialog\n");
        return 1;
    }
    installCss();
    // A save that failed (dispatched and written to the protocol already)
    // is told on stderr as well, and the program ends with status 1, also
    // when the failure ended it.
    auto saveFailed = [] {
        const std::string failure = settingsStore().lastWriteFailure();
        if (failure.empty()) return false;
        std::fprintf(stderr, "sylvadra: cannot save the settings: %s\n", failure.c_str());
        return true;
    };
    ConfigDialog dialog;
    try {
        dialog.run();
    } catch (const ProgramEnd&) {
        if (saveFailed()) return 1;
        throw;
    }
    return saveFailed() ? 1 : 0;
}

} // namespace syl
