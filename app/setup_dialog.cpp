// setup_dialog.cpp - the setup dialog's logic: the mode list, the resolution table, the settings
// and the dialog procedure. The view that shows it is setup_dialog_gtk.cpp.
//
// The mode list keeps the display's 32-bit modes at least 640 pixels wide, ordered by width, then
// height, then refresh rate, so that all modes of one resolution lie next to each other: the
// resolution table points at the first of them, and a refresh-list index counts on from there.
#include "app/setup_dialog.h"

#include "engine_api.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace BRAVIK_LUMENVAT;

namespace {

bool sameResolution(const DisplayMode& a, const DisplayMode& b)
{
    return a.dmPelsWidth == b.dmPelsWidth && a.dmPelsHeight == b.dmPelsHeight;
}

std::string resolutionText(const DisplayMode& mode)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d x %d", static_cast<int>(mode.dmPelsWidth),
                  static_cast<int>(mode.dmPelsHeight));
    return text;
}

std::string refreshText(const DisplayMode& mode)
{
    // A display that reports no rate (0) plays at its own.
    if (mode.dmDisplayFrequency == 0)
        return "default";
    char text[32];
    std::snprintf(text, sizeof text, "%d hz", static_cast<int>(mode.dmDisplayFrequency));
    return text;
}

DisplayMode fromEngine(const RvkDisplayMode& m)
{
    DisplayMode mode;
    mode.dmBitsPerPel = static_cast<unsigned>(m.bitsPerPixel);
    mode.dmPelsWidth = static_cast<unsigned>(m.width);
    mode.dmPelsHeight = static_cast<unsigned>(m.height);
    mode.dmDisplayFrequency = static_cast<unsigned>(m.refreshRate);
    return mode;
}

} // namespace

bool EngineDisplayModes::enumMode(int number, DisplayMode& mode)
{
    RvkDisplayMode m;
    if (!rvkEnumDisplayModes(number, &m))
        return false;
    mode = fromEngine(m);
    return true;
}

bool EngineDisplayModes::getCurrentMode(DisplayMode& mode)
{
    RvkDisplayMode m;
    if (!rvkGetDesktopDisplayMode(&m))
        return false;
    mode = fromEngine(m);
    return true;
}

SetupDialog::SetupDialog(DisplayModeSource& modes) : source(modes)
{
    DisplayMode mode;
    for (int number = 0; source.enumMode(number, mode); ++number)
        if (mode.dmBitsPerPel == 32 && mode.dmPelsWidth >= 640)
            modeList.push_back(mode);

    // Stable: modes the display lists twice keep the display's order.
    std::stable_sort(modeList.begin(), modeList.end(), [](const DisplayMode& a, const DisplayMode& b) {
        if (a.dmPelsWidth != b.dmPelsWidth)
            return a.dmPelsWidth < b.dmPelsWidth;
        if (a.dmPelsHeight != b.dmPelsHeight)
            return a.dmPelsHeight < b.dmPelsHeight;
        return a.dmDisplayFrequency < b.dmDisplayFrequency;
    });

    for (size_t i = 0; i < modeList.size(); ++i)
        if (i == 0 || !sameResolution(modeList[i], modeList[i - 1]))
            resolutionTable.push_back(static_cast<int>(i));
}

const std::vector<DisplayMode>& SetupDialog::getModeList() const
{
    return modeList;
}

const std::vector<int>& SetupDialog::getResolutionTable() const
{
    return resolutionTable;
}

bool SetupDialog::accepted() const
{
    return acceptedByPlay;
}

const DisplayMode* SetupDialog::chosenResolution() const
{
    if (resolutionIndex < 0 || resolutionIndex >= static_cast<int>(resolutionTable.size()))
        return nullptr;
    return &modeList[static_cast<size_t>(resolutionTable[static_cast<size_t>(resolutionIndex)])];
}

// With no resolution to choose from, "Play" takes the desktop's own mode.
int SetupDialog::getWidth() const
{
    const DisplayMode* mode = chosenResolution();
    return static_cast<int>(mode ? mode->dmPelsWidth : desktop.dmPelsWidth);
}

int SetupDialog::getHeight() const
{
    const DisplayMode* mode = chosenResolution();
    return static_cast<int>(mode ? mode->dmPelsHeight : desktop.dmPelsHeight);
}

// The refresh list holds the chosen resolution's modes in list order. Where it holds none (the
// desktop's size is not among the modes and no other resolution was picked) the resolution's
// highest rate is taken, as a refill of the list would select it.
int SetupDialog::getRefreshRate() const
{
    const DisplayMode* first = chosenResolution();
    if (!first)
        return static_cast<int>(desktop.dmDisplayFrequency);
    const DisplayMode* end = modeList.data() + modeList.size();
    const DisplayMode* last = first;
    while (last + 1 != end && sameResolution(last[1], *first))
        ++last;
    if (refreshIndex >= 0 && refreshIndex <= last - first)
        return static_cast<int>(first[refreshIndex].dmDisplayFrequency);
    return static_cast<int>(last->dmDisplayFrequency);
}

int SetupDialog::getBitsPerPixel() const
{
    return bitsPerPixel;
}

bool SetupDialog::getFullscreen() const
{
    return fullscreen;
}

bool SetupDialog::getAlwaysOnTop() const
{
    return alwaysOnTop;
}

bool SetupDialog::getAlwaysOnTop2() const
{
    return alwaysOnTop2;
}

int SetupDialog::getAspectRatio() const
{
    return aspectIndex;
}

void SetupDialog::fillRefreshList(SetupDialogControls& controls, unsigned width, unsigned height)
{
    int added = 0;
    for (const DisplayMode& mode : modeList)
        if (mode.dmPelsWidth == width && mode.dmPelsHeight == height) {
            controls.addListItem(SETUP_REFRESH_LIST, refreshText(mode));
            ++added;
        }
    controls.selectListItem(SETUP_REFRESH_LIST, added - 1);
}

void SetupDialog::initDialog(SetupDialogControls& controls)
{
    controls.placeCentredOnTop();

    desktop = DisplayMode();
    source.getCurrentMode(desktop);

    int desktopEntry = 0;
    for (size_t entry = 0; entry < resolutionTable.size(); ++entry) {
        const DisplayMode& mode = modeList[static_cast<size_t>(resolutionTable[entry])];
        controls.addListItem(SETUP_RESOLUTION_LIST, resolutionText(mode));
        if (sameResolution(mode, desktop))
            desktopEntry = static_cast<int>(entry);
    }
    controls.selectListItem(SETUP_RESOLUTION_LIST, desktopEntry);

    controls.addListItem(SETUP_ASPECT_LIST, "4:3");
    controls.addListItem(SETUP_ASPECT_LIST, "16:10");
    controls.addListItem(SETUP_ASPECT_LIST, "16:9");
    aspectIndex = 0;
    if (desktop.dmPelsWidth != 0) {
        double r = static_cast<double>(desktop.dmPelsHeight) / desktop.dmPelsWidth;
        if (std::fabs(r - 0.5625) < 0.01)
            aspectIndex = 2;
        else if (std::fabs(r - 0.625) < 0.01)
            aspectIndex = 1;
    }
    controls.selectListItem(SETUP_ASPECT_LIST, aspectIndex);

    fillRefreshList(controls, desktop.dmPelsWidth, desktop.dmPelsHeight);

    controls.present();

    // Full screen by default; "Always on top" only means something for a window, so its box is
    // off while "Fullscreen" is checked (it keeps its own check state).
    controls.setChecked(SETUP_FULLSCREEN, true);
    controls.setChecked(SETUP_ALWAYS_ON_TOP, true);
    controls.setEnabled(SETUP_ALWAYS_ON_TOP, false);
}

void SetupDialog::command(SetupDialogControls& controls, int id, SetupNotification notification)
{
    switch (id) {
    case SETUP_PLAY:
        resolutionIndex = controls.getListSelection(SETUP_RESOLUTION_LIST);
        refreshIndex = controls.getListSelection(SETUP_REFRESH_LIST);
        aspectIndex = controls.getListSelection(SETUP_ASPECT_LIST);
        fullscreen = controls.isChecked(SETUP_FULLSCREEN);
        alwaysOnTop = controls.isChecked(SETUP_ALWAYS_ON_TOP);
        alwaysOnTop2 = controls.isChecked(SETUP_ALWAYS_ON_TOP);
        acceptedByPlay = true;
        controls.endDialog();
        break;
    case SETUP_QUIT:
        acceptedByPlay = false;
        close(controls);
        break;
    case SETUP_FULLSCREEN:
        controls.setEnabled(SETUP_ALWAYS_ON_TOP, !controls.isChecked(SETUP_FULLSCREEN));
        break;
    case SETUP_RESOLUTION_LIST:
        if (notification != SETUP_SELECTION_CHANGED)
            break;
        resolutionIndex = controls.getListSelection(SETUP_RESOLUTION_LIST);
        controls.clearList(SETUP_REFRESH_LIST);
        if (const DisplayMode* mode = chosenResolution())
            fillRefreshList(controls, mode->dmPelsWidth, mode->dmPelsHeight);
        break;
    default:
        break;
    }
}

void SetupDialog::close(SetupDialogControls& controls)
{
    controls.endDialog();
}
