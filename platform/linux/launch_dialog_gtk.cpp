#include "app/launch_dialog.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

enum class Outcome { Waiting, Confirm, Cancel };

struct Dialog {
    GtkWidget* window = nullptr;
    GtkWidget* resolution = nullptr;
    GtkWidget* fullscreen = nullptr;
    GtkWidget* message = nullptr;
    Outcome outcome = Outcome::Waiting;
};

// The layout is drawn in dialog units of an 8 pt system font: 6 x 13 px per character cell.
int dluX(int units) {
    return units * 6 / 4;
}
int dluY(int units) {
    return units * 13 / 8;
}

void place(GtkWidget* layout, GtkWidget* widget, int x, int y, int width, int height) {
    gtk_widget_set_size_request(widget, width < 0 ? -1 : dluX(width),
                                height < 0 ? -1 : dluY(height));
    gtk_fixed_put(GTK_FIXED(layout), widget, dluX(x), dluY(y));
}

GtkWidget* resolutionEntry(const Dialog& dialog) {
    return gtk_bin_get_child(GTK_BIN(dialog.resolution));
}

void onCancel(GtkWidget*, gpointer data) {
    static_cast<Dialog*>(data)->outcome = Outcome::Cancel;
}

void onConfirm(GtkWidget*, gpointer data) {
    static_cast<Dialog*>(data)->outcome = Outcome::Confirm;
}

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<Dialog*>(data)->outcome = Outcome::Cancel;
    return TRUE;
}

// Escape cancels; Enter confirms wherever the focus is, unless it rests on a push button.
gboolean onKeyPress(GtkWidget* window, GdkEventKey* event, gpointer data) {
    auto* dialog = static_cast<Dialog*>(data);
    switch (event->keyval) {
    case GDK_KEY_Escape:
        dialog->outcome = Outcome::Cancel;
        return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: {
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
        if (focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus))
            return FALSE;
        dialog->outcome = Outcome::Confirm;
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void skipInTabOrder(GtkWidget* widget, gpointer) {
    if (GTK_IS_TOGGLE_BUTTON(widget))
        gtk_widget_set_can_focus(widget, FALSE);
    else if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(GTK_CONTAINER(widget), skipInTabOrder, nullptr);
}

GtkWidget* resolutionList() {
    GtkWidget* combo = gtk_combo_box_text_new_with_entry();
    // The list keeps itself sorted, whatever order the sizes are added in.
    GtkTreeSortable* model = GTK_TREE_SORTABLE(gtk_combo_box_get_model(GTK_COMBO_BOX(combo)));
    gtk_tree_sortable_set_sort_column_id(
        model, gtk_combo_box_get_entry_text_column(GTK_COMBO_BOX(combo)), GTK_SORT_ASCENDING);
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), "1280x720");
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), "1920x1080");
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
    gtk_entry_set_width_chars(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(combo))), 8);
    // Like one edit field: Tab leaves it, the arrow stays reachable by mouse and Alt+Down.
    gtk_container_forall(GTK_CONTAINER(combo), skipInTabOrder, nullptr);
    return combo;
}

void build(Dialog& dialog) {
    dialog.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(dialog.window);
    gtk_window_set_title(window, "Drannig & Velkorrin");
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);

    GtkWidget* layout = gtk_fixed_new();
    gtk_widget_set_size_request(layout, dluX(201), dluY(122));
    gtk_container_add(GTK_CONTAINER(dialog.window), layout);

    dialog.resolution = resolutionList();
    place(layout, dialog.resolution, 57, 18, 134, -1);
    place(layout, gtk_label_new("Resolution"), 7, 21, 38, 9);
    place(layout, gtk_label_new("Fullscreen"), 7, 48, 33, 8);
    dialog.fullscreen = gtk_check_button_new();
    place(layout, dialog.fullscreen, 58, 48, -1, -1);
    dialog.message = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(dialog.message), 0.0f);
    place(layout, dialog.message, 7, 60, 187, 10);

    GtkWidget* cancel = gtk_button_new_with_label("LAME");
    place(layout, cancel, 7, 74, 88, 41);
    GtkWidget* confirm = gtk_button_new_with_label("VORNE");
    place(layout, confirm, 95, 74, 99, 41);
    gtk_widget_set_can_default(confirm, TRUE);
    gtk_window_set_default(window, confirm);

    g_signal_connect(cancel, "clicked", G_CALLBACK(onCancel), &dialog);
    g_signal_connect(confirm, "clicked", G_CALLBACK(onConfirm), &dialog);
    g_signal_connect(dialog.window, "delete-event", G_CALLBACK(onDelete), &dialog);
    g_signal_connect(dialog.window, "key-press-event", G_CALLBACK(onKeyPress), &dialog);
}

Outcome waitForPress(Dialog& dialog) {
    dialog.outcome = Outcome::Waiting;
    while (dialog.outcome == Outcome::Waiting)
        gtk_main_iteration();
    return dialog.outcome;
}

// Gone from the screen, not just hidden, so the demo window that follows is alone.
void destroy(Dialog& dialog) {
    gtk_widget_destroy(dialog.window);
    gdk_display_sync(gdk_display_get_default());
    while (gtk_events_pending())
        gtk_main_iteration();
}

bool openDisplay() {
    // Console numbers keep their decimal point whatever the desktop's language.
    gtk_disable_setlocale();
    if (gtk_init_check(nullptr, nullptr))
        return true;
    const char* name = std::getenv("DISPLAY");
    if (name && *name)
        std::fprintf(stderr, "No display: the launch dialog cannot open display \"%s\"\n", name);
    else
        std::fprintf(stderr, "No display: DISPLAY is not set, so the launch dialog cannot open\n");
    return false;
}

} // namespace

bool runLaunchDialog(LaunchSettings& settings, std::optional<int> maxSize) {
    if (!openDisplay())
        return false;
    Dialog dialog;
    build(dialog);
    gtk_widget_show_all(dialog.window);
    gtk_widget_grab_focus(resolutionEntry(dialog));

    while (waitForPress(dialog) == Outcome::Confirm) {
        const std::string text = gtk_entry_get_text(GTK_ENTRY(resolutionEntry(dialog)));
        const bool ticked = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(dialog.fullscreen));
        const auto problem = applyConfirm(settings, text, ticked, maxSize);
        if (!problem) {
            destroy(dialog);
            return true;
        }
        gtk_label_set_text(GTK_LABEL(dialog.message), problem->c_str());
        gtk_widget_grab_focus(resolutionEntry(dialog));
    }
    settings.confirmed = false;
    destroy(dialog);
    return true;
}

void endProcessNow(int code) {
    std::exit(code);
}
