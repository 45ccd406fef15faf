// The setup dialog as the user meets it: build/sublumen on a private Xvfb screen of 1280 x 1024,
// driven with xdotool. Each test leaves the dialog by one of its ways out and checks what the
// program did from its exit status and its log. A screenshot of the dialog is kept as
// tests/app/setup_dialog.png in the build folder.
#include "app/setup_dialog.h"
#include "resources/program_resources.h"
#include "test_support.h"

#include <gtest/gtest.h>
// After GoogleTest: Xlib defines macros (None, Bool) that clash with its names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using testsupport::runCommand;

// Dialog units to pixels at 96 dpi, as the view lays the dialog out.
int pixelsX(double units)
{
    return static_cast<int>(units * 6 / 4);
}
int pixelsY(double units)
{
    return static_cast<int>(units * 13 / 8);
}

// A child process started through the shell, in its own process group.
class Child {
public:
    explicit Child(const std::string& command)
    {
        pid = fork();
        if (pid == 0) {
            setpgid(0, 0);
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Child()
    {
        if (running())
            kill(-pid, SIGKILL), waitpid(pid, nullptr, 0);
    }
    bool running() const { return pid > 0 && status < 0; }
    // The exit status, or -1 when the child is still running after `limit`.
    int waitFor(std::chrono::milliseconds limit)
    {
        for (auto end = std::chrono::steady_clock::now() + limit; running();) {
            int s = 0;
            if (waitpid(pid, &s, WNOHANG) == pid)
                status = WIFEXITED(s) ? WEXITSTATUS(s) : 128 + WTERMSIG(s);
            else if (std::chrono::steady_clock::now() > end)
                return -1;
            else
                std::this_thread::sleep_for(50ms);
        }
        return status;
    }
    void signal(int sig) { kill(-pid, sig); }
    // To the program alone, not its process group (as `kill PID` sends it).
    void signalProgram(int sig) { kill(pid, sig); }
    // Whether no process of the group is left (a child the program forked included).
    bool groupGone(std::chrono::milliseconds limit)
    {
        for (auto end = std::chrono::steady_clock::now() + limit; kill(-pid, 0) == 0;) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }

private:
    pid_t pid = -1;
    int status = -1;
};

class SetupDialogView : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (runCommand("command -v Xvfb && command -v xdotool") != 0)
            return;
        int fds[2];
        if (pipe(fds) != 0)
            return;
        server = fork();
        if (server == 0) {
            close(fds[0]);
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd wait = {fds[0], POLLIN, 0};
        char c;
        while (poll(&wait, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty())
            setenv("DISPLAY", (":" + number).c_str(), 1);
    }
    static void TearDownTestSuite()
    {
        if (server > 0)
            kill(server, SIGTERM), waitpid(server, nullptr, 0);
    }

    void SetUp() override
    {
        if (server <= 0 || !std::getenv("DISPLAY"))
            GTEST_SKIP() << "Xvfb and xdotool are needed";
        logPath = testsupport::makeTempDir("dialog") + "/run.log";
    }

    // Starts the program and waits for its dialog; the dialog's window id, or "" after 30 s.
    std::string startProgram(std::unique_ptr<Child>& program, const std::string& arguments = "")
    {
        program = std::make_unique<Child>("SDL_AUDIODRIVER=dummy exec " + testsupport::programPath() +
                                          " --no-audio --log " + logPath + " " + arguments);
        for (int tries = 0; tries < 150; ++tries) {
            std::string id;
            if (runCommand("xdotool search --onlyvisible --name '^Sublumen$'", &id) == 0 && !id.empty()) {
                id = id.substr(0, id.find('\n'));
                std::this_thread::sleep_for(300ms); // drawn, not only mapped
                return id;
            }
            if (!program->running() || program->waitFor(0ms) >= 0)
                return "";
            std::this_thread::sleep_for(200ms);
        }
        return "";
    }

    // Clicks at a point of the dialog given in dialog units.
    void clickAt(const std::string& window, double x, double y, int button = 1)
    {
        runCommand("xdotool mousemove --window " + window + " " + std::to_string(pixelsX(x)) + " " +
                   std::to_string(pixelsY(y)) + " click " + std::to_string(button));
        std::this_thread::sleep_for(200ms);
    }

    std::string log()
    {
        std::string text;
        testsupport::readFile(logPath, text);
        return text;
    }

    // Waits until the log holds `text`.
    bool logShows(const std::string& text, std::chrono::seconds limit)
    {
        for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
            if (log().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

    static pid_t server;
    std::string logPath;
};

pid_t SetupDialogView::server = -1;

struct Screenshot {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* at(int px, int py) const { return &rgb[static_cast<size_t>((py * width + px) * 3)]; }
};

Screenshot takeScreenshot(const std::string& window)
{
    Screenshot shot;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return shot;
    Window child;
    XWindowAttributes attributes;
    Window id = static_cast<Window>(std::stoul(window));
    XGetWindowAttributes(display, id, &attributes);
    XTranslateCoordinates(display, id, DefaultRootWindow(display), 0, 0, &shot.x, &shot.y, &child);
    shot.width = attributes.width;
    shot.height = attributes.height;
    XImage* image = XGetImage(display, DefaultRootWindow(display), shot.x, shot.y, static_cast<unsigned>(shot.width),
                              static_cast<unsigned>(shot.height), AllPlanes, ZPixmap);
    if (image) {
        shot.rgb.resize(static_cast<size_t>(shot.width * shot.height * 3));
        for (int py = 0; py < shot.height; ++py)
            for (int px = 0; px < shot.width; ++px) {
                unsigned long p = XGetPixel(image, px, py);
                unsigned char* out = &shot.rgb[static_cast<size_t>((py * shot.width + px) * 3)];
                out[0] = static_cast<unsigned char>(p >> 16), out[1] = static_cast<unsigned char>(p >> 8),
                out[2] = static_cast<unsigned char>(p);
            }
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return shot;
}

// The sizes of the icons a window carries for the window manager (_NET_WM_ICON), in order.
std::vector<long> iconSizes(const std::string& window)
{
    std::vector<long> sizes;
    Display* display = window.empty() ? nullptr : XOpenDisplay(nullptr);
    if (!display)
        return sizes;
    Atom type;
    int format;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, static_cast<Window>(std::stoul(window)), XInternAtom(display, "_NET_WM_ICON", False),
                           0, 1 << 20, False, AnyPropertyType, &type, &format, &count, &left, &data) == Success &&
        data && format == 32) {
        const long* words = reinterpret_cast<const long*>(data); // format 32 comes as longs
        for (unsigned long i = 0; i + 2 <= count; i += 2 + static_cast<unsigned long>(words[i] * words[i + 1]))
            sizes.push_back(words[i]);
    }
    if (data)
        XFree(data);
    XCloseDisplay(display);
    return sizes;
}

// Whether the banner shows unchanged at some offset near the dialog's top left corner.
bool showsBanner(const Screenshot& shot)
{
    const ResourceImage& b = bannerBitmap;
    for (int dy = 0; dy <= 12; ++dy)
        for (int dx = 0; dx <= 12; ++dx) {
            if (dx + b.width > shot.width || dy + b.height > shot.height)
                continue;
            bool same = true;
            for (int y = 0; y < b.height && same; y += 7)
                for (int x = 0; x < b.width && same; x += 3)
                    same = std::equal(shot.at(dx + x, dy + y), shot.at(dx + x, dy + y) + 3,
                                      b.rgba + (y * b.width + x) * 4);
            if (same)
                return true;
        }
    return false;
}

TEST_F(SetupDialogView, ShowsBannerAndIconsInAWindowOfTheTablesSizeAndEscapeQuits)
{
    std::unique_ptr<Child> program;
    std::string window = startProgram(program);
    ASSERT_FALSE(window.empty()) << log();

    Screenshot shot = takeScreenshot(window);
    stbi_write_png((testsupport::binaryDir() + "/tests/app/setup_dialog.png").c_str(), shot.width, shot.height, 3,
                   shot.rgb.data(), shot.width * 3);
    EXPECT_NEAR(shot.width, pixelsX(216), 1);
    EXPECT_NEAR(shot.height, pixelsY(142), 1);
    EXPECT_NEAR(shot.x + shot.width / 2, 640, 2);
    EXPECT_NEAR(shot.y + shot.height / 2, 512, 2);
    EXPECT_TRUE(showsBanner(shot));
    EXPECT_EQ(iconSizes(window), (std::vector<long>{32, 16}));

    runCommand("xdotool windowfocus --sync " + window + " key Escape");
    EXPECT_EQ(program->waitFor(20s), 0);
    EXPECT_EQ(log().find("window "), std::string::npos) << log();
}

TEST_F(SetupDialogView, QuitEndsTheProgramWithoutOpeningTheWindowOrTheArchive)
{
    std::unique_ptr<Child> program;
    std::string window = startProgram(program);
    ASSERT_FALSE(window.empty()) << log();

    clickAt(window, 159 + 26, 125 + 7); // "Quit"
    EXPECT_EQ(program->waitFor(20s), 0);
    EXPECT_EQ(log().find("window "), std::string::npos) << log();
    EXPECT_EQ(log().find("archive"), std::string::npos) << log();
    EXPECT_NE(log().find("shut down"), std::string::npos) << log();
}

TEST_F(SetupDialogView, PlayOpensTheDemoInTheChosenMode)
{
    std::unique_ptr<Child> program;
    std::string window = startProgram(program);
    ASSERT_FALSE(window.empty()) << log();

    // A 1280 x 1024 desktop offers 4:3 in full screen; choose a 16:10 picture in a window.
    clickAt(window, 12 + 4, 106 + 4.5);     // "Fullscreen" off
    clickAt(window, 157 + 24, 78 + 6.5, 5); // the aspect list, one entry down
    clickAt(window, 5 + 75, 125 + 7);       // "Play"

    EXPECT_TRUE(logShows("lumenvat: windowed window 1280x1024, picture 1280x800 (16:10)", 30s)) << log();
    EXPECT_TRUE(logShows("archive", 10s)) << log();
    std::string demoWindow;
    for (int tries = 0; tries < 50 && iconSizes(demoWindow) != std::vector<long>{32}; ++tries) {
        std::this_thread::sleep_for(100ms);
        runCommand("xdotool search --onlyvisible --name '^Sublumen$'", &demoWindow);
        demoWindow = demoWindow.substr(0, demoWindow.find('\n'));
    }
    EXPECT_EQ(iconSizes(demoWindow), std::vector<long>{32}) << "the show's window carries the program icon: [" << demoWindow << "]";

    runCommand("xdotool mousemove 640 512 key Escape");
    int status = program->waitFor(20s);
    if (status < 0) { // keys may not reach a window no window manager focused
        program->signal(SIGTERM);
        status = program->waitFor(20s);
    }
    EXPECT_EQ(status, 0);
}

// The show after the dialog writes and reads numbers in the C locale's notation; showing the
// dialog must not switch the process to the user's locale.
TEST_F(SetupDialogView, DialogLeavesTheProcessLocaleAlone)
{
    struct OneMode : DisplayModeSource {
        bool enumMode(int number, DisplayMode& mode) override
        {
            mode = {32, 1280, 1024, 60};
            return number == 0;
        }
        bool getCurrentMode(DisplayMode& mode) override { return enumMode(0, mode); }
    } display;
    setenv("LC_ALL", "C.UTF-8", 1);
    std::thread user([] {
        for (int tries = 0; tries < 100; ++tries) {
            std::string id;
            if (runCommand("xdotool search --onlyvisible --name '^Sublumen$'", &id) == 0 && !id.empty()) {
                runCommand("xdotool windowfocus --sync " + id.substr(0, id.find('\n')) + " key Escape");
                return;
            }
            std::this_thread::sleep_for(200ms);
        }
    });
    SetupDialog dialog(display);
    bool shown = dialog.run();
    user.join();
    unsetenv("LC_ALL");
    EXPECT_TRUE(shown);
    EXPECT_FALSE(dialog.accepted());
    EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
}

// The program waiting in a window of its own (the dialog, an error box shown from a forked child)
// still ends at once on SIGINT or SIGTERM sent to it alone, with status 130; killed, it takes
// the box's child with it.
TEST_F(SetupDialogView, AnInterruptEndsTheDialogOrAnErrorBoxWithStatus130)
{
    struct Row {
        const char* arguments;
        int signal;
        int status;
    };
    const Row rows[] = {
        {"", SIGINT, 130},
        {"", SIGTERM, 130},
        {"--window --size 320x240 --data /nonexistent/data.pak", SIGINT, 130},
        {"--window --size 320x240 --data /nonexistent/data.pak", SIGKILL, 137},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.arguments) + " signal " + std::to_string(row.signal));
        std::unique_ptr<Child> program;
        if (*row.arguments) {
            program = std::make_unique<Child>("SDL_AUDIODRIVER=dummy exec " + testsupport::programPath() +
                                              " --no-audio --log " + logPath + " " + row.arguments);
            ASSERT_TRUE(logShows("[box] Sublumen: The data archive could not be opened", 30s)) << log();
            std::this_thread::sleep_for(500ms); // the box's child is up
            if (program->waitFor(0ms) >= 0) {
                std::printf("no error box can be shown on this server (SDL needs X core fonts: xfonts-base)\n");
                continue;
            }
        } else {
            ASSERT_FALSE(startProgram(program).empty()) << log();
        }
        program->signalProgram(row.signal);
        EXPECT_EQ(program->waitFor(5s), row.status) << log();
        EXPECT_TRUE(program->groupGone(5s)) << "a child of the program outlived it";
        if (row.status == 130) {
            EXPECT_NE(log().find("interrupted by signal " + std::to_string(row.signal)), std::string::npos) << log();
        }
        EXPECT_EQ(log().find("window 1"), std::string::npos) << "the dialog opened no show: " << log();
    }
}

// Another program destroying the show's window (as xdotool windowclose does) is a quit like the
// window's close button, not an X error that ends the process without its shutdown.
TEST_F(SetupDialogView, AWindowDestroyedByAnotherProgramIsAQuit)
{
    std::unique_ptr<Child> program = std::make_unique<Child>(
        "SDL_AUDIODRIVER=dummy exec " + testsupport::programPath() + " --no-audio --window --size 320x240 --log " +
        logPath);
    ASSERT_TRUE(logShows("lumenvat: archive", 60s)) << log();
    std::string window;
    runCommand("xdotool search --onlyvisible --name '^Sublumen$'", &window);
    ASSERT_FALSE(window.empty());
    runCommand("xdotool windowclose " + window.substr(0, window.find('\n')));
    EXPECT_EQ(program->waitFor(30s), 0) << log();
    EXPECT_NE(log().find("the window was destroyed by another program"), std::string::npos) << log();
    EXPECT_NE(log().find("shut down at"), std::string::npos) << log();
}

TEST_F(SetupDialogView, WindowOptionsSkipTheDialog)
{
    std::unique_ptr<Child> program = std::make_unique<Child>(
        "SDL_AUDIODRIVER=dummy exec " + testsupport::programPath() + " --no-audio --window --size 320x240 --log " +
        logPath);
    EXPECT_TRUE(logShows("lumenvat: windowed window 320x240", 30s)) << log();
    program->signal(SIGTERM);
    EXPECT_EQ(program->waitFor(20s), 130); // interrupted: the shutdown ran, the status says so
    EXPECT_TRUE(logShows("shut down at", 5s)) << log();
}

} // namespace
