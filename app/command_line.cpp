// command_line.cpp - parsing and checking the program's options.
#include "app/command_line.h"

#include <cmath>
#include <cstdlib>

namespace {

// Digits only: strtol alone would also take a sign and leading blanks ("+640", " 360").
bool parseInt(const std::string& text, long lo, long hi, int& out)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || value < lo || value > hi)
        return false;
    out = static_cast<int>(value);
    return true;
}

bool parseSize(const std::string& text, int& w, int& h)
{
    size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return false;
    return parseInt(text.substr(0, x), 16, 16384, w) && parseInt(text.substr(x + 1), 16, 16384, h);
}

bool parseAspect(const std::string& text, int& index)
{
    if (text == "4:3")
        index = 0;
    else if (text == "16:10")
        index = 1;
    else if (text == "16:9")
        index = 2;
    else
        return false;
    return true;
}

} // namespace

const char* usageText()
{
    static const std::string text = std::string("Usage:\n"
           "  sublumen [--window | --fullscreen] [--size WxH] [--aspect 4:3|16:10|16:9]\n"
           "           [--start MS] [--data PATH] [--overlay DIR] [--log FILE] [--no-audio]\n"
           "  sublumen --capture DIR [--force] [--from MS] [--to MS] [--fps N] [--size WxH]\n"
           "           [--aspect A] [--headless]\n"
           "  sublumen --export FILE [--force] [--from MS] [--to MS] [--fps N] [--size WxH]\n"
           "           [--aspect A] [--crf N] [--headless]\n"
           "  sublumen --help | --version\n"
           "\n"
           "Plays Sublumen. Without window options the setup dialog asks for the display mode.\n"
           "Make a video of the show with its music: sublumen --export show.mp4 --fps 30\n"
           "(no display needed: without one it renders offscreen through EGL).\n"
           "\n"
           "  --window, --fullscreen  window mode (no dialog); default size 1280x720 windowed,\n"
           "                          the desktop's mode full screen\n"
           "  --size WxH              window or capture size in pixels (no dialog)\n"
           "  --aspect A              picture aspect, letterboxed in the window (default: closest\n"
           "                          to the window's shape; with the dialog, the dialog's choice)\n"
           "  --start MS              start at this music position\n"
           "  --data PATH             the data archive (default: data.pak beside the program,\n"
           "                          else ../share/sublumen/data.pak from the program's folder)\n"
           "  --overlay DIR           development: files in DIR override the archive's\n"
           "  --log FILE              log file (default: ~/.local/state/sublumen/sublumen.log)\n"
           "  --no-audio              play silently\n"
           "  --capture DIR           render frames into DIR/000000.png, ... at\n"
           "                          positions FROM + i*1000/FPS up to TO; same arguments, same\n"
           "                          bytes (defaults: --from 0 --to ") +
        std::to_string(timeline::kShowEndMs) + " --fps 60 --size 1280x720)\n"
           "  --export FILE           render the same frames into a video file with\n"
           "                          the music in step: .mp4 or .mov (H.264 and AAC) or .mkv\n"
           "                          (H.264 and FLAC); same frames as --capture, same defaults;\n"
           "                          written as .FILE.part and renamed when complete\n"
           "  --crf N                 the export's H.264 quality, 0 (lossless) to 51; lower is\n"
           "                          better and bigger (default 18)\n"
           "  --force                 a capture folder holding numbered frames, or an existing\n"
           "                          export file, is refused; with --force it is replaced\n"
           "  --headless              capture or export offscreen (EGL) even with a display\n"
           "  --help                  this text\n"
           "  --version               the program's version\n"
           "\n"
           "Keys: Escape fades out and quits; F1 with Left or Right seeks.\n"
           "\n"
           "Exit status: 0 the show ran (or was quit); 1 a failure (a missing scene file or\n"
           "archive, a frame that could not be written, no EGL driver for a capture or export\n"
           "without a display); 2 bad arguments (a position past the show's end included), or\n"
           "the show without a display it can open; 130 interrupted by SIGINT or SIGTERM.\n";
    return text.c_str();
}

int closestAspect(int width, int height)
{
    const double ratios[3] = {4.0 / 3.0, 16.0 / 10.0, 16.0 / 9.0};
    double r = static_cast<double>(width) / height;
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (std::fabs(ratios[i] - r) < std::fabs(ratios[best] - r))
            best = i;
    return best;
}

bool parseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error)
{
    // A position past the show's end would draw a frame after its last one, or quit at once.
    const int maxMs = timeline::kShowEndMs;
    bool fromGiven = false, toGiven = false, fpsGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--version") {
            out.version = true;
        } else if (a == "--headless") {
            out.headless = true;
        } else if (a == "--window") {
            out.window = true;
        } else if (a == "--fullscreen") {
            out.fullscreen = true;
        } else if (a == "--no-audio") {
            out.noAudio = true;
        } else if (a == "--force") {
            out.force = true;
        } else if (a == "--size") {
            if (!value(v))
                return false;
            if (!parseSize(v, out.width, out.height)) {
                error = "--size takes WxH with each side 16..16384, not '" + v + "'";
                return false;
            }
            out.sizeGiven = true;
        } else if (a == "--aspect") {
            if (!value(v))
                return false;
            if (!parseAspect(v, out.aspectIndex)) {
                error = "--aspect takes 4:3, 16:10 or 16:9, not '" + v + "'";
                return false;
            }
        } else if (a == "--start" || a == "--from" || a == "--to") {
            if (!value(v))
                return false;
            int ms = 0;
            if (!parseInt(v, 0, maxMs, ms)) {
                error = a + " takes a position in the show, 0 to " + std::to_string(maxMs) + " ms, not '" + v + "'";
                return false;
            }
            if (a == "--start")
                out.startMs = ms;
            else if (a == "--from")
                out.fromMs = ms, fromGiven = true;
            else
                out.toMs = ms, toGiven = true;
        } else if (a == "--crf") {
            if (!value(v))
                return false;
            if (!parseInt(v, 0, 51, out.crf)) {
                error = "--crf takes an H.264 quality 0..51, not '" + v + "'";
                return false;
            }
            out.crfGiven = true;
        } else if (a == "--fps") {
            if (!value(v))
                return false;
            if (!parseInt(v, 1, 1000, out.fps)) {
                error = "--fps takes frames per second 1..1000, not '" + v + "'";
                return false;
            }
            fpsGiven = true;
        } else if (a == "--data" || a == "--overlay" || a == "--log" || a == "--capture" || a == "--export") {
            if (!value(v))
                return false;
            if (v.empty()) {
                error = a + " needs a non-empty path";
                return false;
            }
            // "--capture --log f" means a forgotten folder, not a folder named "--log"; such a
            // name can still be given as ./--log.
            if (v.compare(0, 2, "--") == 0) {
                error = a + " needs a path, not the option '" + v + "'";
                return false;
            }
            if (a == "--data")
                out.dataPath = v;
            else if (a == "--overlay")
                out.overlayDir = v;
            else if (a == "--log")
                out.logPath = v;
            else if (a == "--capture")
                out.capture = true, out.captureDir = v;
            else
                out.exportVideo = true, out.exportPath = v;
        } else {
            error = "unknown option '" + a + "'";
            return false;
        }
    }
    if (out.window && out.fullscreen) {
        error = "--window and --fullscreen exclude each other";
        return false;
    }
    if (out.capture && out.exportVideo) {
        error = "--capture and --export exclude each other";
        return false;
    }
    const char* mode = out.capture ? "--capture" : "--export";
    if (out.rendersFrames() && (out.window || out.fullscreen)) {
        error = std::string(mode) + " renders headlessly; it takes no --window or --fullscreen";
        return false;
    }
    if (!out.rendersFrames() && (fromGiven || toGiven || fpsGiven || out.force)) {
        error = "--from, --to, --fps and --force belong to --capture or --export";
        return false;
    }
    if (!out.rendersFrames() && out.headless) {
        error = "--headless belongs to --capture or --export; the show itself needs a display";
        return false;
    }
    if (!out.exportVideo && out.crfGiven) {
        error = "--crf belongs to --export";
        return false;
    }
    if (out.rendersFrames() && out.toMs < out.fromMs) {
        error = "--to must not be before --from";
        return false;
    }
    return true;
}
