// setup_dialog_gtk.cpp - the setup dialog's view: a modal GTK 3 window titled "Sublumen".
//
// The controls stand where the dialog's table puts them, in dialog units converted to pixels as
// Windows converts them for the dialog's 8-point font at 96 dpi (a horizontal unit is a quarter
// of the font's 6-pixel average character width, a vertical unit an eighth of its 13-pixel
// height), times the desktop's text scale; so the proportions are the table's at any scale.
// User actions go to the dialog procedure in setup_dialog.cpp; changes the procedure makes are
// not reported back. Escape and the window's close button mean "Quit"; Enter means "Play" unless
// a push button has the focus; SIGINT or SIGTERM (the engine's handlers keep it) closes it as
// "Quit" does. This is the only file that includes GTK.
#include "app/setup_dialog.h"

#include "engine_api.h"

#include "resources/program_resources.h"

#include <gtk/gtk.h>

#include <cmath>
#include <map>
#include <string>

namespace {

// The dialog's client area and its table, in dialog units.
constexpr int kDialogWidth = 216;
constexpr int kDialogHeight = 142;
// The closed height of a drop-down list: the font's height and the list's frame.
constexpr int kDropDownHeight = 13;

struct TableRect {
    int x, y, width, height;
};

const TableRect kBannerRect = {1, 1, 213, 64};
const TableRect kPlayRect = {5, 125, 149, 14};
const TableRect kQuitRect = {159, 125, 52, 14};
const TableRect kResolutionRect = {12, 78, 65, kDropDownHeight};
const TableRect kRefreshRect = {96, 78, 43, kDropDownHeight};
const TableRect kAspectRect = {157, 78, 48, kDropDownHeight};
const TableRect kFullscreenRect = {12, 106, 47, 9};
const TableRect kAlwaysOnTopRect = {63, 106, 62, 9};

struct GroupBox {
    const char* text;
    TableRect rect;
};
const GroupBox kGroupBoxes[] = {
    {"Resolution", {6, 65, 78, 32}},
    {"Hz", {90, 65, 55, 32}},
    {"Aspect ratio", {151, 65, 59, 32}},
    {nullptr, {5, 98, 206, 23}},
};

// Compact controls so that each fits its rectangle as the table's controls do; sizes in pixels at
// 96 dpi, scaled with the text.
std::string styleSheet(double scale)
{
    auto px = [scale](int pixels) { return std::to_string(std::lround(pixels * scale)) + "px"; };
    return ".sublumen-setup { font-family: \"Liberation Sans\", Arimo, Arial, sans-serif; font-size: 8pt; }\n"
           ".sublumen-setup button { min-height: 0; min-width: 0; padding: " + px(1) + " " + px(6) + "; }\n"
           ".sublumen-setup combobox button { padding: " + px(1) + " " + px(3) + " " + px(1) + " " + px(6) + "; }\n"
           ".sublumen-setup combobox arrow { min-width: " + px(12) + "; min-height: " + px(12) + "; }\n"
           ".sublumen-setup checkbutton { padding: 0; }\n"
           ".sublumen-setup checkbutton check { min-width: " + px(12) + "; min-height: " + px(12) +
           "; margin: 0 " + px(4) + " 0 0; }\n"
           ".sublumen-setup frame > border { border-radius: " + px(3) + "; }\n"
           ".sublumen-setup frame > label { margin: 0 " + px(3) + "; }\n"
           ".sublumen-setup .banner > border { border-radius: 0; }\n";
}

class GtkSetupView : public SetupDialogControls {
public:
    explicit GtkSetupView(SetupDialog& dialog);
    ~GtkSetupView() override;

    // Runs the window's modal loop until the dialog procedure ends it.
    void runModal();

    void placeCentredOnTop() override;
    void present() override;
    void clearList(int list) override;
    void addListItem(int list, const std::string& text) override;
    void selectListItem(int list, int index) override;
    int getListSelection(int list) override;
    void setChecked(int box, bool checked) override;
    bool isChecked(int box) override;
    void setEnabled(int control, bool enabled) override;
    void endDialog() override;

private:
    // Counts the procedure's own changes in progress: GTK reports those like the user's.
    struct Driving {
        explicit Driving(GtkSetupView& v) : view(v) { ++view.driving; }
        ~Driving() { --view.driving; }
        GtkSetupView& view;
    };

    int pixelsX(int units) const { return static_cast<int>(std::lround(units * 6.0 / 4.0 * scale)); }
    int pixelsY(int units) const { return static_cast<int>(std::lround(units * 13.0 / 8.0 * scale)); }
    void place(GtkWidget* widget, const TableRect& rect);
    GtkWidget* addControl(int id, GtkWidget* widget, const TableRect& rect, const char* signal);
    void addBanner();
    void report(GtkWidget* widget, SetupNotification notification);

    static void onClicked(GtkWidget* widget, gpointer view);
    static void onChanged(GtkWidget* widget, gpointer view);
    static gboolean onDelete(GtkWidget* widget, GdkEvent* event, gpointer view);
    static gboolean onKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer view);
    static gboolean onInterruptPoll(gpointer view);

    SetupDialog& dialog;
    double scale = 1;
    GtkWidget* window = nullptr;
    GtkWidget* fixed = nullptr;
    std::map<int, GtkWidget*> controls;
    int driving = 0;
    bool ended = false;
    guint interruptPoll = 0;
};

GdkPixbuf* pixbufOf(const ResourceImage& image)
{
    // The pixels are static and never written: the pixbuf only borrows them.
    return gdk_pixbuf_new_from_data(const_cast<unsigned char*>(image.rgba), GDK_COLORSPACE_RGB, TRUE, 8, image.width,
                                    image.height, image.width * 4, nullptr, nullptr);
}

GtkSetupView::GtkSetupView(SetupDialog& d) : dialog(d)
{
    // The font resolution: the desktop's text dpi, times GDK_DPI_SCALE; -1 while unset (96).
    gtk_settings_get_default();
    double dpi = gdk_screen_get_resolution(gdk_screen_get_default());
    if (dpi > 0)
        scale = dpi / 96.0;

    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, styleSheet(scale).c_str(), -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);

    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Sublumen");
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_style_context_add_class(gtk_widget_get_style_context(window), "sublumen-setup");
    GList* icons = nullptr;
    icons = g_list_append(icons, pixbufOf(programIcon32));
    icons = g_list_append(icons, pixbufOf(programIcon16));
    gtk_window_set_icon_list(GTK_WINDOW(window), icons);
    g_list_free_full(icons, g_object_unref);
    g_signal_connect(window, "delete-event", G_CALLBACK(onDelete), this);
    g_signal_connect(window, "key-press-event", G_CALLBACK(onKeyPress), this);
    // The handlers only set a flag: polled often enough that an interrupted dialog closes at once.
    interruptPoll = g_timeout_add(50, onInterruptPoll, this);

    fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, pixelsX(kDialogWidth), pixelsY(kDialogHeight));
    gtk_container_add(GTK_CONTAINER(window), fixed);

    addBanner();
    for (const GroupBox& box : kGroupBoxes)
        place(gtk_frame_new(box.text), box.rect);

    GtkWidget* play = addControl(SETUP_PLAY, gtk_button_new_with_label("Play"), kPlayRect, "clicked");
    addControl(SETUP_QUIT, gtk_button_new_with_label("Quit"), kQuitRect, "clicked");
    addControl(SETUP_RESOLUTION_LIST, gtk_combo_box_text_new(), kResolutionRect, "changed");
    addControl(SETUP_REFRESH_LIST, gtk_combo_box_text_new(), kRefreshRect, "changed");
    addControl(SETUP_ASPECT_LIST, gtk_combo_box_text_new(), kAspectRect, "changed");
    addControl(SETUP_FULLSCREEN, gtk_check_button_new_with_label("Fullscreen"), kFullscreenRect, "toggled");
    addControl(SETUP_ALWAYS_ON_TOP, gtk_check_button_new_with_label("Always on top"), kAlwaysOnTopRect, "toggled");
    gtk_widget_set_can_default(play, TRUE);
    gtk_window_set_default(GTK_WINDOW(window), play);
}

GtkSetupView::~GtkSetupView()
{
    g_source_remove(interruptPoll);
    gtk_widget_destroy(window);
    // Let the window leave the screen before the program opens its own.
    while (gtk_events_pending())
        gtk_main_iteration();
    gdk_display_sync(gdk_display_get_default());
}

void GtkSetupView::place(GtkWidget* widget, const TableRect& rect)
{
    int x = pixelsX(rect.x), y = pixelsY(rect.y);
    gtk_widget_set_size_request(widget, pixelsX(rect.x + rect.width) - x, pixelsY(rect.y + rect.height) - y);
    gtk_fixed_put(GTK_FIXED(fixed), widget, x, y);
}

GtkWidget* GtkSetupView::addControl(int id, GtkWidget* widget, const TableRect& rect, const char* signal)
{
    controls[id] = widget;
    g_object_set_data(G_OBJECT(widget), "setup-control", GINT_TO_POINTER(id));
    g_signal_connect(widget, signal, G_CALLBACK(std::string(signal) == "changed" ? onChanged : onClicked), this);
    place(widget, rect);
    return widget;
}

// Centred in its bordered rectangle; scaled with the text where the desktop's scale is not 1.
void GtkSetupView::addBanner()
{
    GdkPixbuf* banner = pixbufOf(bannerBitmap);
    GdkPixbuf* shown = banner;
    if (std::fabs(scale - 1.0) > 0.01)
        shown = gdk_pixbuf_scale_simple(banner, static_cast<int>(std::lround(bannerBitmap.width * scale)),
                                        static_cast<int>(std::lround(bannerBitmap.height * scale)),
                                        GDK_INTERP_BILINEAR);
    GtkWidget* frame = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
    gtk_style_context_add_class(gtk_widget_get_style_context(frame), "banner");
    gtk_container_add(GTK_CONTAINER(frame), gtk_image_new_from_pixbuf(shown));
    place(frame, kBannerRect);
    if (shown != banner)
        g_object_unref(shown);
    g_object_unref(banner);
}

void GtkSetupView::runModal()
{
    if (!ended)
        gtk_main();
}

void GtkSetupView::placeCentredOnTop()
{
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(window), TRUE);
}

void GtkSetupView::present()
{
    gtk_widget_show_all(window);
    gtk_window_present(GTK_WINDOW(window));
    gtk_widget_grab_focus(controls[SETUP_PLAY]);
}

void GtkSetupView::clearList(int list)
{
    Driving d(*this);
    gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(controls[list]));
}

void GtkSetupView::addListItem(int list, const std::string& text)
{
    Driving d(*this);
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(controls[list]), text.c_str());
}

void GtkSetupView::selectListItem(int list, int index)
{
    Driving d(*this);
    GtkComboBox* box = GTK_COMBO_BOX(controls[list]);
    int count = gtk_tree_model_iter_n_children(gtk_combo_box_get_model(box), nullptr);
    gtk_combo_box_set_active(box, index >= 0 && index < count ? index : -1);
}

int GtkSetupView::getListSelection(int list)
{
    return gtk_combo_box_get_active(GTK_COMBO_BOX(controls[list]));
}

void GtkSetupView::setChecked(int box, bool checked)
{
    Driving d(*this);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(controls[box]), checked);
}

bool GtkSetupView::isChecked(int box)
{
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(controls[box]));
}

void GtkSetupView::setEnabled(int control, bool enabled)
{
    Driving d(*this);
    gtk_widget_set_sensitive(controls[control], enabled);
}

void GtkSetupView::endDialog()
{
    if (ended)
        return;
    ended = true;
    gtk_widget_hide(window);
    if (gtk_main_level() > 0)
        gtk_main_quit();
}

void GtkSetupView::report(GtkWidget* widget, SetupNotification notification)
{
    if (driving > 0 || ended)
        return;
    dialog.command(*this, GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "setup-control")), notification);
}

void GtkSetupView::onClicked(GtkWidget* widget, gpointer view)
{
    static_cast<GtkSetupView*>(view)->report(widget, SETUP_CLICKED);
}

void GtkSetupView::onChanged(GtkWidget* widget, gpointer view)
{
    static_cast<GtkSetupView*>(view)->report(widget, SETUP_SELECTION_CHANGED);
}

gboolean GtkSetupView::onDelete(GtkWidget*, GdkEvent*, gpointer data)
{
    auto* view = static_cast<GtkSetupView*>(data);
    if (!view->ended)
        view->dialog.close(*view);
    return TRUE; // the view destroys the window itself, after the modal loop
}

gboolean GtkSetupView::onInterruptPoll(gpointer data)
{
    auto* view = static_cast<GtkSetupView*>(data);
    if (BRAVIK_LUMENVAT::rvkInterruptSignal() != 0 && !view->ended)
        view->dialog.close(*view);
    return G_SOURCE_CONTINUE;
}

gboolean GtkSetupView::onKeyPress(GtkWidget*, GdkEventKey* event, gpointer data)
{
    auto* view = static_cast<GtkSetupView*>(data);
    if (view->ended)
        return FALSE;
    if (event->keyval == GDK_KEY_Escape) {
        view->dialog.command(*view, SETUP_QUIT, SETUP_CLICKED);
        return TRUE;
    }
    bool enter = event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter || event->keyval == GDK_KEY_ISO_Enter;
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(view->window));
    if (enter && focus != view->controls[SETUP_PLAY] && focus != view->controls[SETUP_QUIT]) {
        view->dialog.command(*view, SETUP_PLAY, SETUP_CLICKED);
        return TRUE;
    }
    return FALSE;
}

} // namespace

bool SetupDialog::run()
{
    // GTK would switch the whole process to the user's locale, and the show after the dialog
    // formats and parses numbers (shader texts, documents) in the C locale's notation.
    gtk_disable_setlocale();
    if (!gtk_init_check(nullptr, nullptr))
        return false;
    GtkSetupView view(*this);
    initDialog(view);
    view.runModal();
    return true;
}
