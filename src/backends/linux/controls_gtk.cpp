// The look of the GTK 3 dialogs, the placement of their widgets, and the
// settings dialog's widgets: built from the form's layout
// (frmConfigControls()) and set again from the form's controls after every
// event.
//
// The widgets stand at fixed places in a GtkFixed, converted from the
// dialog's twips at the screen's resolution.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "backends/linux/gtk_dialogs.h"

namespace syl::gtkdialogs {

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

// A style sheet for the whole screen, above the theme's by its priority.
void addScreenCss(const char* css, guint priority)
{
    GtkCssProvider* p = gtk_css_provider_new();
    gtk_css_provider_load_from_data(p, css, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(p), priority);
    g_object_unref(p);
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

std::string cssColour(Color c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", redOf(c), greenOf(c), blueOf(c));
    return buf;
}

// A check box's or a button's text as its child, the access key going to it.
GtkWidget* withLabel(GtkWidget* button, GtkWidget* label)
{
    gtk_container_add(GTK_CONTAINER(button), label);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), button);
    return button;
}

} // namespace

void installCss()
{
    static bool done = false;
    if (done) return;
    done = true;
    addScreenCss(kCss, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    // A click into a slider's trough pages by the large step, as on Windows,
    // instead of moving the thumb under the pointer.
    g_object_set(gtk_settings_get_default(), "gtk-primary-button-warps-slider", FALSE, nullptr);
}

void installSliderHeights(const std::vector<int>& heights)
{
    std::string css;
    for (int h : heights) {
        const std::string sel = ".sylvadra-dialog scrollbar.h" + std::to_string(h);
        css += sel + " slider, " + sel + " button { min-height: " + std::to_string(std::max(h - 4, 1)) + "px; }\n";
    }
    addScreenCss(css.c_str(), GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
}

int screenDpi()
{
    const double r = gdk_screen_get_resolution(gdk_screen_get_default());
    return r > 0 ? static_cast<int>(std::lround(r)) : kDefaultDpi;
}

GtkFixed* addClientArea(GtkWidget* window, int width, int height, int dpi)
{
    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, twipsToPixels(width, dpi), twipsToPixels(height, dpi));
    gtk_container_add(GTK_CONTAINER(window), fixed);
    return GTK_FIXED(fixed);
}

void place(GtkFixed* fixed, GtkWidget* w, const TwipsRect& twips, int dpi)
{
    const PixelRect r = toPixels(twips, dpi);
    gtk_widget_set_size_request(w, r.width, r.height);
    gtk_fixed_put(fixed, w, r.x, r.y);
}

void addClass(GtkWidget* w, const char* name) { gtk_style_context_add_class(gtk_widget_get_style_context(w), name); }

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

// A label on a white field, whatever the theme does with label backgrounds:
// the field is painted before the label draws its text.
gboolean paintWhite(GtkWidget* w, cairo_t* cr, gpointer)
{
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, 0, 0, gtk_widget_get_allocated_width(w), gtk_widget_get_allocated_height(w));
    cairo_fill(cr);
    return FALSE;
}

void ConfigDialog::buildControls(GtkFixed* fixed)
{
    std::vector<int> sliderHeights;
    for (const ConfigControlRow& c : frmConfigControls()) {
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
            w = withLabel(gtk_check_button_new(), label);
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
            w = withLabel(gtk_button_new(), label);
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

} // namespace syl::gtkdialogs
