// The setup dialog's logic, driven headlessly: a fake display lists the modes and a fake set of
// controls stands in for the view, acting as the user would.
#include "app/setup_dialog.h"

#include <gtest/gtest.h>

#include <map>

namespace {

DisplayMode mode(unsigned width, unsigned height, unsigned hz, unsigned bits = 32)
{
    DisplayMode m;
    m.dmBitsPerPel = bits;
    m.dmPelsWidth = width;
    m.dmPelsHeight = height;
    m.dmDisplayFrequency = hz;
    return m;
}

struct FakeDisplay : DisplayModeSource {
    std::vector<DisplayMode> modes;
    DisplayMode desktop = mode(1920, 1080, 60);

    bool enumMode(int number, DisplayMode& m) override
    {
        if (number < 0 || number >= static_cast<int>(modes.size()))
            return false;
        m = modes[static_cast<size_t>(number)];
        return true;
    }
    bool getCurrentMode(DisplayMode& m) override
    {
        m = desktop;
        return true;
    }
};

struct FakeControls : SetupDialogControls {
    std::map<int, std::vector<std::string>> lists;
    std::map<int, int> selection;
    std::map<int, bool> checked;
    std::map<int, bool> enabled;
    int ended = 0;
    bool presented = false;

    void placeCentredOnTop() override {}
    void present() override { presented = true; }
    void clearList(int list) override
    {
        lists[list].clear();
        selection[list] = -1;
    }
    void addListItem(int list, const std::string& text) override { lists[list].push_back(text); }
    void selectListItem(int list, int index) override
    {
        selection[list] = index >= 0 && index < static_cast<int>(lists[list].size()) ? index : -1;
    }
    int getListSelection(int list) override { return selection.count(list) ? selection[list] : -1; }
    void setChecked(int box, bool on) override { checked[box] = on; }
    bool isChecked(int box) override { return checked[box]; }
    void setEnabled(int control, bool on) override { enabled[control] = on; }
    void endDialog() override { ++ended; }

    // What the view reports when the user acts.
    void userSelects(SetupDialog& dialog, int list, int index)
    {
        selection[list] = index;
        dialog.command(*this, list, SETUP_SELECTION_CHANGED);
    }
    void userToggles(SetupDialog& dialog, int box)
    {
        checked[box] = !checked[box];
        dialog.command(*this, box, SETUP_CLICKED);
    }
    void userPresses(SetupDialog& dialog, int button) { dialog.command(*this, button, SETUP_CLICKED); }
};

// A display as drivers list them: in no useful order, with modes the dialog must not offer.
FakeDisplay typicalDisplay()
{
    FakeDisplay display;
    display.modes = {
        mode(1920, 1080, 60), mode(1280, 1024, 75), mode(800, 600, 60, 16), mode(1920, 1080, 144),
        mode(1280, 720, 60),  mode(1280, 1024, 60), mode(639, 480, 60),     mode(640, 480, 60),
        mode(1920, 1080, 50), mode(1280, 720, 50),  mode(1280, 800, 60),    mode(1024, 768, 60, 8),
    };
    return display;
}

std::vector<std::string> resolutionTexts(const SetupDialog& dialog)
{
    std::vector<std::string> texts;
    for (const DisplayMode& m : dialog.getModeList())
        texts.push_back(std::to_string(m.dmPelsWidth) + "x" + std::to_string(m.dmPelsHeight) + "@" +
                        std::to_string(m.dmDisplayFrequency));
    return texts;
}

TEST(SetupDialogModes, KeepsOnly32BitModesAtLeast640PixelsWideGroupedByResolution)
{
    FakeDisplay display = typicalDisplay();
    SetupDialog dialog(display);
    EXPECT_EQ(resolutionTexts(dialog),
              (std::vector<std::string>{"640x480@60", "1280x720@50", "1280x720@60", "1280x800@60", "1280x1024@60",
                                        "1280x1024@75", "1920x1080@50", "1920x1080@60", "1920x1080@144"}));
    EXPECT_EQ(dialog.getResolutionTable(), (std::vector<int>{0, 1, 3, 4, 6}));
}

TEST(SetupDialogModes, DisplayWithoutUsableModesGivesEmptyLists)
{
    FakeDisplay display;
    display.modes = {mode(800, 600, 60, 16), mode(320, 200, 70)};
    SetupDialog dialog(display);
    FakeControls controls;
    dialog.initDialog(controls);
    EXPECT_TRUE(dialog.getModeList().empty());
    EXPECT_TRUE(controls.lists[SETUP_RESOLUTION_LIST].empty());
    EXPECT_TRUE(controls.lists[SETUP_REFRESH_LIST].empty());
    EXPECT_EQ(controls.getListSelection(SETUP_RESOLUTION_LIST), -1);
}

TEST(SetupDialogInit, ListsResolutionsAndTheDesktopsRatesSelectingTheDesktopAndItsHighestRate)
{
    FakeDisplay display = typicalDisplay();
    SetupDialog dialog(display);
    FakeControls controls;
    dialog.initDialog(controls);

    EXPECT_EQ(controls.lists[SETUP_RESOLUTION_LIST],
              (std::vector<std::string>{"640 x 480", "1280 x 720", "1280 x 800", "1280 x 1024", "1920 x 1080"}));
    EXPECT_EQ(controls.selection[SETUP_RESOLUTION_LIST], 4);
    EXPECT_EQ(controls.lists[SETUP_REFRESH_LIST], (std::vector<std::string>{"50 hz", "60 hz", "144 hz"}));
    EXPECT_EQ(controls.selection[SETUP_REFRESH_LIST], 2);
    EXPECT_EQ(controls.lists[SETUP_ASPECT_LIST], (std::vector<std::string>{"4:3", "16:10", "16:9"}));
    EXPECT_TRUE(controls.presented);
    EXPECT_EQ(controls.ended, 0);
}

TEST(SetupDialogInit, AspectFollowsTheDesktopsShape)
{
    struct Case {
        unsigned width, height;
        int aspect;
    };
    for (Case c : {Case{1920, 1080, 2}, Case{1680, 1050, 1}, Case{1280, 1024, 0}, Case{1024, 768, 0}}) {
        FakeDisplay display = typicalDisplay();
        display.desktop = mode(c.width, c.height, 60);
        SetupDialog dialog(display);
        FakeControls controls;
        dialog.initDialog(controls);
        EXPECT_EQ(controls.selection[SETUP_ASPECT_LIST], c.aspect) << c.width << "x" << c.height;
        controls.userPresses(dialog, SETUP_PLAY);
        EXPECT_EQ(dialog.getAspectRatio(), c.aspect) << c.width << "x" << c.height;
    }
}

TEST(SetupDialogInit, DesktopSizeMissingFromTheModesSelectsTheFirstResolutionAndNoRate)
{
    FakeDisplay display = typicalDisplay();
    display.desktop = mode(1680, 1050, 60);
    SetupDialog dialog(display);
    FakeControls controls;
    dialog.initDialog(controls);
    EXPECT_EQ(controls.selection[SETUP_RESOLUTION_LIST], 0);
    EXPECT_TRUE(controls.lists[SETUP_REFRESH_LIST].empty());

    // "Play" with no rate listed: the chosen resolution's own (highest) rate, not a neighbour's.
    controls.userPresses(dialog, SETUP_PLAY);
    EXPECT_EQ(dialog.getWidth(), 640);
    EXPECT_EQ(dialog.getHeight(), 480);
    EXPECT_EQ(dialog.getRefreshRate(), 60);
}

TEST(SetupDialogCheckBoxes, AlwaysOnTopIsEnabledExactlyWhileFullscreenIsUncheckedAndKeepsItsState)
{
    FakeDisplay display = typicalDisplay();
    SetupDialog dialog(display);
    FakeControls controls;
    dialog.initDialog(controls);
    EXPECT_TRUE(controls.checked[SETUP_FULLSCREEN]);
    EXPECT_TRUE(controls.checked[SETUP_ALWAYS_ON_TOP]);
    EXPECT_FALSE(controls.enabled[SETUP_ALWAYS_ON_TOP]);

    controls.userToggles(dialog, SETUP_FULLSCREEN);
    EXPECT_TRUE(controls.enabled[SETUP_ALWAYS_ON_TOP]);

    controls.userToggles(dialog, SETUP_FULLSCREEN);
    EXPECT_FALSE(controls.enabled[SETUP_ALWAYS_ON_TOP]);
    EXPECT_TRUE(controls.checked[SETUP_ALWAYS_ON_TOP]);

    controls.userPresses(dialog, SETUP_PLAY);
    EXPECT_TRUE(dialog.getFullscreen());
    EXPECT_TRUE(dialog.getAlwaysOnTop());
    EXPECT_TRUE(dialog.getAlwaysOnTop2());
}

TEST(SetupDialogRefresh, AnotherResolutionRefillsTheRatesAndSelectsTheHighest)
{
    FakeDisplay display = typicalDisplay();
    SetupDialog dialog(display);
    FakeControls controls;
    dialog.initDialog(controls);

    controls.userSelects(dialog, SETUP_RESOLUTION_LIST, 3); // 1280 x 1024
    EXPECT_EQ(controls.lists[SETUP_REFRESH_LIST], (std::vector<std::string>{"60 hz", "75 hz"}));
    EXPECT_EQ(controls.selection[SETUP_REFRESH_LIST], 1);

    // 1280 x 800 lies between two resolutions of the same width: only its own rate is offered.
    controls.userSelects(dialog, SETUP_RESOLUTION_LIST, 2);
    EXPECT_EQ(controls.lists[SETUP_REFRESH_LIST], (std::vector<std::string>{"60 hz"}));
    EXPECT_EQ(controls.selection[SETUP_REFRESH_LIST], 0);
}

TEST(SetupDialogButtons, PlayAcceptsTheSelectedModeRateAspectAndBoxes)
{
    FakeDisplay display = typicalDisplay();
    SetupDialog dialog(display);
    FakeControls controls;
    dialog.initDialog(controls);
    controls.userSelects(dialog, SETUP_RESOLUTION_LIST, 1); // 1280 x 720: 50, 60 hz
    controls.userSelects(dialog, SETUP_REFRESH_LIST, 0);
    controls.userSelects(dialog, SETUP_ASPECT_LIST, 1);
    controls.userToggles(dialog, SETUP_FULLSCREEN);
    controls.userToggles(dialog, SETUP_ALWAYS_ON_TOP);
    EXPECT_EQ(controls.ended, 0);

    controls.userPresses(dialog, SETUP_PLAY);
    EXPECT_EQ(controls.ended, 1);
    EXPECT_TRUE(dialog.accepted());
    EXPECT_EQ(dialog.getWidth(), 1280);
    EXPECT_EQ(dialog.getHeight(), 720);
    EXPECT_EQ(dialog.getRefreshRate(), 50);
    EXPECT_EQ(dialog.getBitsPerPixel(), 32);
    EXPECT_EQ(dialog.getAspectRatio(), 1);
    EXPECT_FALSE(dialog.getFullscreen());
    EXPECT_FALSE(dialog.getAlwaysOnTop());
    EXPECT_FALSE(dialog.getAlwaysOnTop2());
}

TEST(SetupDialogButtons, PlayWithoutAnyModeTakesTheDesktopMode)
{
    FakeDisplay display;
    display.desktop = mode(1024, 600, 59);
    SetupDialog dialog(display);
    FakeControls controls;
    dialog.initDialog(controls);
    controls.userPresses(dialog, SETUP_PLAY);
    EXPECT_TRUE(dialog.accepted());
    EXPECT_EQ(dialog.getWidth(), 1024);
    EXPECT_EQ(dialog.getHeight(), 600);
    EXPECT_EQ(dialog.getRefreshRate(), 59);
}

TEST(SetupDialogButtons, QuitAndCloseEndTheDialogUnaccepted)
{
    FakeDisplay display = typicalDisplay();
    SetupDialog quitting(display);
    FakeControls controls;
    quitting.initDialog(controls);
    controls.userPresses(quitting, SETUP_QUIT);
    EXPECT_EQ(controls.ended, 1);
    EXPECT_FALSE(quitting.accepted());

    SetupDialog closing(display);
    FakeControls closed;
    closing.initDialog(closed);
    closing.close(closed);
    EXPECT_EQ(closed.ended, 1);
    EXPECT_FALSE(closing.accepted());
}

} // namespace

TEST(SetupDialogInit, ARefreshRateTheDisplayDoesNotReportShowsAsDefault)
{
    FakeDisplay display;
    display.modes = {mode(1920, 1080, 0), mode(1280, 720, 0)};
    display.desktop = mode(1920, 1080, 0);
    SetupDialog dialog(display);
    FakeControls controls;
    dialog.initDialog(controls);
    EXPECT_EQ(controls.lists[SETUP_REFRESH_LIST], (std::vector<std::string>{"default"}));
}
