// The about box frmInfo in GTK 3: the version text on the picture and the
// "&OK" button, modal over the settings dialog. Its behaviour is the core's
// (about/frminfo).
#include "about/frminfo.h"
#include "backends/linux/gtk_dialogs.h"

namespace syl::gtkdialogs {

namespace {

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

} // namespace

void ConfigDialog::showInfo()
{
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    bool closed = false;
    FrmInfo info([&] {
        closed = true;
        g_main_loop_quit(loop);
    });

    GtkWidget* about = newDialogWindow("Sylvadra Info", GTK_WIN_POS_CENTER_ON_PARENT);
    GtkWindow* win = GTK_WINDOW(about);
    gtk_window_set_decorated(win, FALSE);
    gtk_window_set_modal(win, TRUE);
    gtk_window_set_transient_for(win, GTK_WINDOW(window_));
    gtk_window_set_skip_taskbar_hint(win, TRUE);
    addClass(about, "sylvadra-info");
    // No way out but "&OK": closing it from outside counts as "&OK".
    struct Close {
        ConfigDialog* dialog;
        FrmInfo* info;
        void ok()
        {
            dialog->event([this] { info->cmdOK_Click(); });
        }
    } closeData{this, &info};
    g_signal_connect(about, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer d) -> gboolean {
                         static_cast<Close*>(d)->ok();
                         return TRUE;
                     }),
                     &closeData);

    // Escape closes the box through its OK button, as Enter does on it.
    g_signal_connect(about, "key-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventKey* e, gpointer d) -> gboolean {
                         auto* c = static_cast<Close*>(d);
                         if (e->keyval != GDK_KEY_Escape || !c->info->cmdOK.Visible) return FALSE;
                         c->ok();
                         return TRUE;
                     }),
                     &closeData);

    GtkFixed* fixed = addClientArea(about, kFrmInfoClientWidth, kFrmInfoClientHeight, dpi_);

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
    g_signal_connect(ok, "clicked", G_CALLBACK(+[](GtkButton*, gpointer d) { static_cast<Close*>(d)->ok(); }),
                     &closeData);

    gtk_widget_show_all(GTK_WIDGET(fixed));
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
        runLoop(loop);
    }
    gtk_widget_destroy(about);
    g_main_loop_unref(loop);
    if (pb) g_object_unref(pb);
    if (failed) throw ProgramEnd{};
    // The end of the program reached inside the box goes on from here.
    if (ending_) throw ProgramEnd{};
}

} // namespace syl::gtkdialogs
