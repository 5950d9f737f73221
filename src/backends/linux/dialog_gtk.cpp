// The settings dialog frmConfig in GTK 3: its window, its run and its
// events. The about box, the widgets and the sliders' stepping have files
// of their own (gtk_dialogs.h lists them).
//
// All behaviour is the core's (settings/frmconfig, about/frminfo): a widget
// reports what the user did, the form's event procedure runs, and then
// every widget is set again from the form's controls. Signals that this
// setting raises are ignored.
//
// No C++ exception crosses a GTK callback: ProgramEnd (the error dispatch's
// End) is caught in the callback, every running main loop is left, and it
// is thrown again once runSettingsDialog's loop has returned.
#include <cstdlib>
#include <gtk/gtk.h>

#include <cstdio>
#include <string>

#include "platform/deadline.h"
#include "backends/linux/gtk_dialogs.h"
#include "platform/codecs.h"
#include "platform/resources.h"
#include "settings/settings_store.h"

namespace syl {

int runSettingsDialog();

namespace gtkdialogs {

namespace {

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

} // namespace

GtkWidget* newDialogWindow(const char* title, GtkWindowPosition position)
{
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* win = GTK_WINDOW(window);
    gtk_window_set_title(win, title);
    gtk_window_set_resizable(win, FALSE);
    gtk_window_set_position(win, position);
    gtk_window_set_type_hint(win, GDK_WINDOW_TYPE_HINT_DIALOG);
    addClass(window, "sylvadra-dialog");
    return window;
}

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
    window_ = newDialogWindow(kFrmConfigCaption, GTK_WIN_POS_CENTER);
    setProgramIcon(GTK_WINDOW(window_));
    g_signal_connect(window_, "delete-event", G_CALLBACK(onDelete), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(onKey), this);
    buildControls(addClientArea(window_, kFrmConfigClientWidth, kFrmConfigClientHeight, dpi_));
}

void ConfigDialog::run()
{
    // Form_Load before the window is shown, as a form loads.
    form_.Form_Load();
    showControls();
    gtk_widget_show_all(window_);
    gtk_window_present(GTK_WINDOW(window_));
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    if (!closed_ && !ending_) runLoop(loop);
    g_main_loop_unref(loop);
    gtk_widget_hide(window_);
    if (ending_) throw ProgramEnd{};
}

void ConfigDialog::runLoop(GMainLoop* loop)
{
    loops_.push_back(loop);
    g_main_loop_run(loop);
    loops_.pop_back();
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

} // namespace gtkdialogs

int runSettingsDialog()
{
    // The shell has set the locale; GTK must not set it again (numbers keep
    // the separator the settings are written with).
    gtk_disable_setlocale();
    bool up = false;
    {
        const char* display = std::getenv("DISPLAY");
        PeerDeadline deadline(std::string("the display ") + (display ? display : ""));
        up = gtk_init_check(nullptr, nullptr);
    }
    if (!up) {
        std::fprintf(stderr, "sylvadra: cannot open the display for the settings dialog\n");
        return 1;
    }
    gtkdialogs::installCss();
    // A save that failed (dispatched and written to the protocol already)
    // is told on stderr as well, and the program ends with status 1, also
    // when the failure ended it.
    auto saveFailed = [] {
        const std::string failure = settingsStore().lastWriteFailure();
        if (failure.empty()) return false;
        std::fprintf(stderr, "sylvadra: cannot save the settings: %s\n", failure.c_str());
        return true;
    };
    gtkdialogs::ConfigDialog dialog;
    try {
        dialog.run();
    } catch (const ProgramEnd&) {
        if (saveFailed()) return 1;
        throw;
    }
    return saveFailed() ? 1 : 0;
}

} // namespace syl
