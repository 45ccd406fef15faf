// The Win32 setup dialog as the user meets it: sublumen.exe started as a child process (under
// Wine in CI), its dialog found by its process and read back through the controls' own messages,
// then left by "Quit" or by "Play". What the program did is judged by its exit status and its log.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class Program {
public:
    explicit Program(const std::string& arguments) : logPath(tempLogPath())
    {
        DeleteFileA(logPath.c_str());
        std::string command = std::string("\"") + SUBLUMEN_EXE + "\" --log \"" + logPath + "\" " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &process) != 0;
    }
    ~Program()
    {
        if (started && exitStatus(0) == STILL_ACTIVE)
            TerminateProcess(process.hProcess, 9);
        if (started)
            CloseHandle(process.hProcess), CloseHandle(process.hThread);
    }
    // The exit status once the process has ended within `limit`, else STILL_ACTIVE.
    DWORD exitStatus(DWORD limitMs)
    {
        WaitForSingleObject(process.hProcess, limitMs);
        DWORD status = STILL_ACTIVE;
        GetExitCodeProcess(process.hProcess, &status);
        return status;
    }
    // A visible top-level window of this process with the class and the title, waited for.
    HWND findWindow(const char* className, std::chrono::milliseconds limit)
    {
        auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            Search search{process.dwProcessId, className, nullptr};
            EnumWindows(onWindow, reinterpret_cast<LPARAM>(&search));
            if (search.found)
                return search.found;
            std::this_thread::sleep_for(50ms);
        }
        return nullptr;
    }
    std::string log() const
    {
        std::ifstream in(logPath);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    bool started = false;

private:
    struct Search {
        DWORD processId;
        const char* className;
        HWND found;
    };
    static BOOL CALLBACK onWindow(HWND window, LPARAM data)
    {
        auto* search = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char className[64] = "", title[64] = "";
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, title, sizeof title);
        if (owner == search->processId && IsWindowVisible(window) && std::string(className) == search->className &&
            std::string(title) == "Sublumen") {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }
    static std::string tempLogPath()
    {
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        return std::string(folder) + "sublumen_dialog_test.log";
    }

    std::string logPath;
    PROCESS_INFORMATION process{};
};

std::string textOf(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string classOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<std::string> listItems(HWND list)
{
    std::vector<std::string> items;
    LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    // The wide message: Wine hands another process's list text across only in its own encoding.
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[64] = L"";
        SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(std::string(text, text + wcslen(text)));
    }
    return items;
}

// A control's rectangle in dialog units' pixels, relative to the dialog's client area.
RECT placeOf(HWND dialog, HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

struct Row {
    int id;
    const char* className;
    const char* text; // null: not compared (lists, the bitmap)
    RECT units;       // x, y, width, height in dialog units
};

// The dialog's table; each group box (id -1) is found by its text.
const Row kTable[] = {
    {1, "Button", "Play", {5, 125, 149, 14}},
    {2, "Button", "Quit", {159, 125, 52, 14}},
    {1023, "ComboBox", nullptr, {12, 78, 65, 65}},
    {1024, "ComboBox", nullptr, {96, 78, 43, 65}},
    {1022, "ComboBox", nullptr, {157, 78, 48, 65}},
    {1005, "Button", "Fullscreen", {12, 106, 47, 9}},
    {1007, "Button", "Always on top", {63, 106, 62, 9}},
    {-1, "Button", "Resolution", {6, 65, 78, 32}},
    {-1, "Button", "Hz", {90, 65, 55, 32}},
    {-1, "Button", "Aspect ratio", {151, 65, 59, 32}},
    {-1, "Button", "", {5, 98, 206, 23}},
    {103, "Static", nullptr, {1, 1, 213, 64}},
};

HWND controlOf(HWND dialog, const Row& row)
{
    if (row.id != -1)
        return GetDlgItem(dialog, row.id);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == 0xFFFF && (GetWindowLongA(child, GWL_STYLE) & 0xF) == BS_GROUPBOX &&
            textOf(child) == row.text)
            return child;
    return nullptr;
}

TEST(SetupDialogWin32, ShowsTheTablesControlsAndQuitEndsWithoutTheWindowOrTheArchive)
{
    Program program("");
    ASSERT_TRUE(program.started);
    HWND dialog = program.findWindow("#32770", 30s);
    ASSERT_NE(dialog, nullptr) << program.log();

    // Dialog units to pixels as the dialog's font gives them, measured on "Play" (149 x 14 units):
    // every control of the table stands at the same scale, to a pixel of rounding.
    RECT play = placeOf(dialog, GetDlgItem(dialog, 1));
    double sx = (play.right - play.left) / 149.0, sy = (play.bottom - play.top) / 14.0;
    for (const Row& row : kTable) {
        SCOPED_TRACE(std::string("control ") + std::to_string(row.id) + " " + (row.text ? row.text : ""));
        HWND control = controlOf(dialog, row);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(classOf(control), row.className);
        if (row.text) {
            EXPECT_EQ(textOf(control), row.text);
        }
        RECT actual = placeOf(dialog, control);
        EXPECT_NEAR(actual.left, row.units.left * sx, 2);
        EXPECT_NEAR(actual.top, row.units.top * sy, 2);
        EXPECT_NEAR(actual.right - actual.left, row.units.right * sx, 2);
        // Drop-downs show closed; the bitmap's control keeps the table's size only in width.
        if (row.id != 1022 && row.id != 1023 && row.id != 1024 && row.id != 103) {
            EXPECT_NEAR(actual.bottom - actual.top, row.units.bottom * sy, 2);
        }
    }

    // Xvfb's 1920 x 1080 desktop: its resolution and its 16:9 chosen, the rates of that resolution
    // with the highest chosen.
    HWND resolutions = GetDlgItem(dialog, 1023), rates = GetDlgItem(dialog, 1024), aspects = GetDlgItem(dialog, 1022);
    std::vector<std::string> resolutionItems = listItems(resolutions), rateItems = listItems(rates);
    LRESULT chosen = SendMessageA(resolutions, CB_GETCURSEL, 0, 0);
    ASSERT_GE(chosen, 0);
    EXPECT_EQ(resolutionItems[static_cast<size_t>(chosen)], "1920 x 1080");
    ASSERT_FALSE(rateItems.empty());
    for (const std::string& rate : rateItems)
        EXPECT_EQ(rate.substr(rate.size() - 3), " hz");
    EXPECT_EQ(SendMessageA(rates, CB_GETCURSEL, 0, 0), static_cast<LRESULT>(rateItems.size()) - 1);
    EXPECT_EQ(listItems(aspects), (std::vector<std::string>{"4:3", "16:10", "16:9"}));
    EXPECT_EQ(SendMessageA(aspects, CB_GETCURSEL, 0, 0), 2);

    EXPECT_EQ(IsDlgButtonChecked(dialog, 1005), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, 1007), BST_CHECKED);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 1005)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 1007)));

    EXPECT_EQ(textOf(dialog), "Sublumen");
    // The banner is loaded into its control. (Its size and the dialog's icon are GDI handles of
    // the program's process, which Wine does not share with this one: the screenshot shows them.)
    EXPECT_NE(SendDlgItemMessageA(dialog, 103, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);

    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 2)));
    EXPECT_EQ(program.exitStatus(20000), 0u);
    std::string log = program.log();
    EXPECT_EQ(log.find("window "), std::string::npos) << log;
    EXPECT_EQ(log.find("archive"), std::string::npos) << log;
    EXPECT_NE(log.find("shut down"), std::string::npos) << log;
}

TEST(SetupDialogWin32, PlayOpensTheShowInTheChosenWindowAndClosingItEnds)
{
    Program program("");
    ASSERT_TRUE(program.started);
    HWND dialog = program.findWindow("#32770", 30s);
    ASSERT_NE(dialog, nullptr) << program.log();

    // A window rather than the full screen: "Always on top" comes back on with it.
    SendMessageA(GetDlgItem(dialog, 1005), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 1007)));
    SendMessageA(GetDlgItem(dialog, 1), BM_CLICK, 0, 0);

    HWND show = program.findWindow("SDL_app", 60s);
    ASSERT_NE(show, nullptr) << program.log();
    PostMessageA(show, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.exitStatus(60000), 0u);
    std::string log = program.log();
    // The desktop's resolution in a window: the frame may push the client area inside the desktop.
    EXPECT_NE(log.find("lumenvat: windowed window "), std::string::npos) << log;
    EXPECT_NE(log.find(" (16:9)"), std::string::npos) << log;
    EXPECT_NE(log.find("archive"), std::string::npos) << log;
}

// Ctrl+C while the dialog is shown closes it as "Quit" does, and the program ends with the
// interruption's status without opening the show. The test has no console to press Ctrl+C in
// under Wine, which turns a SIGINT of the program into the console's Ctrl+C: the system's pkill
// sends it, picked out by the log path on the program's command line.
TEST(SetupDialogWin32, CtrlCClosesTheDialogWithTheInterruptStatus)
{
    Program program("");
    ASSERT_TRUE(program.started);
    ASSERT_NE(program.findWindow("#32770", 30s), nullptr) << program.log();

    std::string command = "/usr/bin/pkill -INT -f sublumen_dialog_test.log";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION pkill{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &pkill))
        GTEST_SKIP() << "no /usr/bin/pkill to interrupt the program with (this test runs under Wine)";
    WaitForSingleObject(pkill.hProcess, 10000);
    CloseHandle(pkill.hProcess), CloseHandle(pkill.hThread);

    EXPECT_EQ(program.exitStatus(20000), 130u);
    std::string log = program.log();
    EXPECT_NE(log.find("interrupted by signal 2"), std::string::npos) << log;
    EXPECT_EQ(log.find("window "), std::string::npos) << log;
}

} // namespace
