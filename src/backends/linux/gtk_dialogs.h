// What the GTK 3 files of the settings dialog and the about box share: the
// dialog's class, the minutes spinner and the helpers that style and place
// widgets. Private to src/backends/linux.
//
//   dialog_gtk.cpp    the settings dialog's window, its run and its events
//   controls_gtk.cpp  the look, the placement, and the widgets built from
//                     frmConfigControls() and set from the form's controls
//   sliders_gtk.cpp   how the sliders step as Windows scroll bars do
//   spinner_gtk.cpp   the minutes spinner
//   about_gtk.cpp     the about box frmInfo
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "errors/handler.h"
#include "platform/controls.h"
#include "platform/picture.h"
#include "settings/frmconfig.h"

namespace syl::gtkdialogs {

// ---- Look and placement (controls_gtk.cpp) ---------------------------------

// The fonts and faces of both windows, once per program.
void installCss();
// The thumb and the arrows of a slider fill its height: one rule per height
// in pixels (class "h<pixels>"), inside the scroll bar's own border.
void installSliderHeights(const std::vector<int>& heights);
// The screen's resolution in dots per inch (96 when the desktop sets none).
int screenDpi();
// A GtkFixed of the client area's size (twips) as the window's only child.
GtkFixed* addClientArea(GtkWidget* window, int width, int height, int dpi);
void place(GtkFixed* fixed, GtkWidget* w, const TwipsRect& twips, int dpi);
void addClass(GtkWidget* w, const char* name);
// The picture with its transparency; nullptr for an empty one.
GdkPixbuf* pixbufOf(const Picture& p);
// A "draw" handler that paints a label's field white before its text.
gboolean paintWhite(GtkWidget* w, cairo_t* cr, gpointer);

// ---- Windows (dialog_gtk.cpp) -----------------------------------------------

// A fixed-size dialog window with the dialogs' fonts and faces, not shown yet.
GtkWidget* newDialogWindow(const char* title, GtkWindowPosition position);

// ---- The minutes spinner (spinner_gtk.cpp) -----------------------------------

struct Spinner {
    GtkWidget* area = nullptr;
    std::function<void(int delta)> step; // -1 upper arrow, +1 lower arrow
    int pressed = 0;                     // the arrow held down: -1, +1 or 0
    guint repeat = 0;
};

// Creates s.area and connects its signals to s, which must outlive it.
void buildSpinner(Spinner& s);
void stopRepeat(Spinner& s);

// ---- The settings dialog -------------------------------------------------------

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
        int arrow = 0;         // the arrow pressed: -1 left, +1 right, 0 none (yet)
        gint64 nextRepeat = 0; // when a held arrow steps again (monotonic, microseconds)
        guint pending = 0;     // the idle source that takes a press as an arrow's
        double wheel = 0;      // smooth scrolling not yet turned into steps
    };
    struct ButtonBinding {
        ConfigDialog* dialog;
        const ConfigControlRow* control;
    };
    struct CheckBinding {
        ConfigDialog* dialog;
        int index;
    };

    // dialog_gtk.cpp
    void build();
    // Runs a form event from a signal, then shows the controls again.
    template <class F>
    void event(F&& f);
    // Runs a nested main loop that quitLoops() leaves.
    void runLoop(GMainLoop* loop);
    void close();
    void quitLoops();
    void openWebPage(const std::string& url);
    static void onToggled(GtkToggleButton* b, gpointer data);
    static void onClicked(GtkButton* b, gpointer data);
    static gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data);
    static gboolean onKey(GtkWidget*, GdkEventKey* e, gpointer data);

    // controls_gtk.cpp
    void buildControls(GtkFixed* fixed);
    void showControls();

    // sliders_gtk.cpp
    static gboolean onSliderChange(GtkRange* range, GtkScrollType scroll, gdouble value, gpointer data);
    static gboolean onSliderPress(GtkWidget* w, GdkEventButton* e, gpointer data);
    static gboolean onSliderRelease(GtkWidget* w, GdkEventButton* e, gpointer data);
    static gboolean onSliderWheel(GtkWidget* w, GdkEventScroll* e, gpointer data);
    static gboolean sliderArrowPressed(gpointer data);
    void stepSlider(SliderBinding& b, long long delta);
    static gboolean onSliderKey(GtkWidget* w, GdkEventKey* e, gpointer data);

    // about_gtk.cpp
    void showInfo();

    FrmConfig form_;
    int dpi_ = kDefaultDpi;
    GtkWidget* window_ = nullptr;
    std::map<int, GtkWidget*> sliders_;
    std::vector<std::unique_ptr<SliderBinding>> sliderBindings_;
    std::vector<std::unique_ptr<ButtonBinding>> buttonBindings_;
    std::vector<std::unique_ptr<CheckBinding>> checkBindings_;
    std::array<GtkWidget*, std::tuple_size_v<decltype(FrmConfig::chkOpt)>> checks_{}; // by chkOpt index
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

} // namespace syl::gtkdialogs
