// setup_dialog.h - the setup dialog: the display's 32-bit modes, and the user's choice of
// resolution, refresh rate, aspect ratio, full screen and always-on-top, ended by "Play" or "Quit".
//
// The logic here knows no toolkit. It drives the dialog's controls through SetupDialogControls,
// which the GTK view (setup_dialog_gtk.cpp) implements and the tests fake; the modes come through
// a DisplayModeSource (the engine's display in production). The view reports what the user does
// by calling the dialog procedure: initDialog once, command for each control, close for the
// window's close button.
#pragma once

#include <string>
#include <vector>

// The fields of a display mode that the dialog uses, named as Win32's mode record names them.
struct DisplayMode {
    unsigned dmBitsPerPel = 0;      // 32 for modes with 24 or 32 colour bits
    unsigned dmPelsWidth = 0;
    unsigned dmPelsHeight = 0;
    unsigned dmDisplayFrequency = 0; // Hz; 0 where the display does not tell
};

class DisplayModeSource {
public:
    virtual ~DisplayModeSource() = default;
    // The mode numbered `number` (0, 1, ...); false past the last one.
    virtual bool enumMode(int number, DisplayMode& mode) = 0;
    // The desktop's current mode; false when it cannot be read.
    virtual bool getCurrentMode(DisplayMode& mode) = 0;
};

// The modes of the engine's main display.
class EngineDisplayModes : public DisplayModeSource {
public:
    bool enumMode(int number, DisplayMode& mode) override;
    bool getCurrentMode(DisplayMode& mode) override;
};

// The dialog's controls, numbered as its resource numbers them.
enum SetupControlId : int {
    SETUP_PLAY = 1,
    SETUP_QUIT = 2,
    SETUP_FULLSCREEN = 1005,
    SETUP_ALWAYS_ON_TOP = 1007,
    SETUP_ASPECT_LIST = 1022,
    SETUP_RESOLUTION_LIST = 1023,
    SETUP_REFRESH_LIST = 1024,
};

enum SetupNotification {
    SETUP_CLICKED,           // a button pressed, a check box toggled by the user
    SETUP_SELECTION_CHANGED, // the user picked another entry of a drop-down list
};

// What the dialog procedure does to the window and its controls. Changes made through this
// interface are never reported back as notifications: only the user's actions are.
class SetupDialogControls {
public:
    virtual ~SetupDialogControls() = default;
    // Centred on the desktop and kept above other windows.
    virtual void placeCentredOnTop() = 0;
    // Shown, activated and focused, carrying the program icon.
    virtual void present() = 0;
    virtual void clearList(int list) = 0;
    virtual void addListItem(int list, const std::string& text) = 0;
    // An index outside the list's items leaves no item selected.
    virtual void selectListItem(int list, int index) = 0;
    // The selected item's index, -1 when none is.
    virtual int getListSelection(int list) = 0;
    virtual void setChecked(int box, bool checked) = 0;
    virtual bool isChecked(int box) = 0;
    virtual void setEnabled(int control, bool enabled) = 0;
    // Closes the dialog: run() returns once the view has handled the current event.
    virtual void endDialog() = 0;
};

class SetupDialog {
public:
    // Reads and sorts the display's modes; the settings start at their defaults.
    explicit SetupDialog(DisplayModeSource& modes);

    // Shows the dialog modally and returns when it closes. False when no dialog could be shown
    // (the toolkit could not open the display); the settings then keep their defaults.
    bool run();

    // The choices, valid once run() has returned.
    bool accepted() const;
    int getWidth() const;
    int getHeight() const;
    int getRefreshRate() const;
    int getBitsPerPixel() const;
    bool getFullscreen() const;
    bool getAlwaysOnTop() const;
    bool getAlwaysOnTop2() const;
    int getAspectRatio() const; // 0 "4:3", 1 "16:10", 2 "16:9"

    // The dialog procedure.
    void initDialog(SetupDialogControls& controls);
    void command(SetupDialogControls& controls, int id, SetupNotification notification);
    void close(SetupDialogControls& controls);

    // The kept modes in list order, and for each resolution-list entry the list position of the
    // first mode of that width and height.
    const std::vector<DisplayMode>& getModeList() const;
    const std::vector<int>& getResolutionTable() const;

private:
    // The chosen resolution's first mode, or null when no resolution is chosen.
    const DisplayMode* chosenResolution() const;
    void fillRefreshList(SetupDialogControls& controls, unsigned width, unsigned height);

    std::vector<DisplayMode> modeList;
    std::vector<int> resolutionTable;
    DisplayModeSource& source;
    DisplayMode desktop;

    int resolutionIndex = 0;
    int refreshIndex = 0;
    int aspectIndex = 0;
    int bitsPerPixel = 32;
    bool fullscreen = false;
    bool alwaysOnTop = false;
    bool alwaysOnTop2 = false;
    bool acceptedByPlay = false;
};
