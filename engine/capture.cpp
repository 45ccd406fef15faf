// capture.cpp - capture mode's frame writer: before each swap the back buffer's picture is read
// back and written as DIR/000000.png, DIR/000001.png, ... at positions from + i * 1000 / fps,
// until the next position would pass `to`. PNG encoding is png_writer's, which gives the same
// bytes for the same pixels.
// An export takes the same frames into its video file instead (export.cpp).
#include "lumenvat_local.h"
#include "png_writer.h"

#include <GL/gl.h>

#include <SDL2/SDL.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lumenvat {

namespace {

// The capture module's state, reset as a whole for each run.
struct CaptureState {
    int written = 0;
    bool done = false;
    // A frame could not be written whole (a full disk, a folder that refuses files): the capture
    // stopped and the run has failed.
    bool failed = false;
    bool shortReported = false;
    // Per frame: the time spent drawing (from the end of the previous write to the read-back) and
    // the whole frame including read-back and PNG encoding, in ms.
    std::vector<double> drawMs, frameMs;
    Uint64 lastWriteEnd = 0;
};

CaptureState capture;

// The frame's pixels and the encoder's buffers live from frame to frame: a run of frames of one size
// allocates them once.
std::vector<unsigned char> framePixels;
PngWriter pngWriter;

double millisecondsSince(Uint64 then)
{
    return static_cast<double>(SDL_GetPerformanceCounter() - then) * 1000.0 /
           static_cast<double>(SDL_GetPerformanceFrequency());
}

void reportTimings()
{
    std::fprintf(stderr, "capture: %d frames; per frame median %.2f ms drawing, %.2f ms with writing\n", capture.written,
                 percentile(capture.drawMs, 0.5), percentile(capture.frameMs, 0.5));
}

int totalFrames()
{
    const Options& o = options();
    if (o.captureToMs < o.captureFromMs)
        return 0;
    return static_cast<int>((static_cast<int64_t>(o.captureToMs - o.captureFromMs) * o.captureFps) / 1000) + 1;
}

// Writes the whole file or reports why not: a short write, or an error that only shows when the
// buffered bytes reach the disk (a full disk shows at fflush or fclose), is a failure.
bool writeWholeFile(const char* path, const unsigned char* bytes, size_t length, std::string& reason)
{
    FILE* file = std::fopen(path, "wb");
    if (!file) {
        reason = std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(bytes, 1, length, file) == length;
    ok = std::fflush(file) == 0 && ok;
    if (!ok)
        reason = std::strerror(errno);
    if (std::fclose(file) != 0 && ok) {
        reason = std::strerror(errno);
        ok = false;
    }
    return ok;
}

// `rgb` holds the rows bottom first, as glReadPixels gives them.
bool writePng(const char* path, int width, int height, const unsigned char* rgb, std::string& reason)
{
    if (!pngWriter.encode(rgb, width, height)) {
        reason = "the picture could not be encoded";
        return false;
    }
    return writeWholeFile(path, pngWriter.png().data(), pngWriter.png().size(), reason);
}

// After a frame was written: the progress line, the frame's timing, the clock's next frame.
void finishFrame(Uint64 readStart)
{
    int total = totalFrames();
    progressReport(options().exportPath.empty() ? "capture" : "export", capture.written, total);
    capture.lastWriteEnd = SDL_GetPerformanceCounter();
    if (!capture.drawMs.empty())
        capture.frameMs.push_back(capture.drawMs.back() + static_cast<double>(capture.lastWriteEnd - readStart) * 1000.0 /
                                              static_cast<double>(SDL_GetPerformanceFrequency()));
    if (capture.written == total)
        reportTimings();
    clockAdvanceCaptureFrame();
}

// An export's frames go to its video file; the file is closed after the last one, or after the
// frame in hand once a signal arrived.
bool exportFrame(int width, int height, const unsigned char* rgb, Uint64 readStart)
{
    std::string reason;
    bool interrupted = interruptedBySignal() != 0;
    bool last = interrupted || capture.written + 1 >= totalFrames();
    bool ok = exportWriteFrame(rgb, width, height, reason);
    if (ok) {
        ++capture.written;
        finishFrame(readStart);
    }
    if (ok && last)
        ok = exportFinish(interrupted, reason);
    if (!ok) {
        rvkMsg("lumenvat: cannot write %s (%s); export stopped after %d frames, nothing kept\n",
               options().exportPath.c_str(), reason.c_str(), capture.written);
        exportAbandon();
        capture.failed = true;
    }
    capture.done = capture.done || last || !ok;
    return ok;
}

} // namespace

void captureReset()
{
    capture = CaptureState();
    progressReset();
}

bool captureDone()
{
    // An export interrupted still encodes the frame in hand and closes its file at the next swap;
    // interrupted twice, it writes no more frames and is closed at the shutdown.
    bool interrupted = interruptedBySignal() != 0 && (options().exportPath.empty() || interruptedAgain());
    return capture.done || interrupted || (options().capture && capture.written >= totalFrames());
}

int captureFrameCount()
{
    return capture.written;
}

bool captureWriteFrame()
{
    if (captureDone())
        return false;
    // GL works asynchronously: finish the frame first so that its cost counts as drawing.
    glFinish();
    // The first frame's drawing time is unknown: it follows the whole start-up.
    if (capture.lastWriteEnd)
        capture.drawMs.push_back(millisecondsSince(capture.lastWriteEnd));
    Uint64 readStart = SDL_GetPerformanceCounter();
    PictureRect r = pictureRect();
    framePixels.resize(static_cast<size_t>(r.width) * r.height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(r.x, r.y, r.width, r.height, GL_RGB, GL_UNSIGNED_BYTE, framePixels.data());
    if (!options().exportPath.empty())
        return exportFrame(r.width, r.height, framePixels.data(), readStart);
    char path[4096];
    std::snprintf(path, sizeof(path), "%s/%06d.png", options().captureDir.c_str(), capture.written);
    std::string reason;
    if (!writePng(path, r.width, r.height, framePixels.data(), reason)) {
        rvkMsg("lumenvat: cannot write %s (%s); capture stopped after %d frames\n", path, reason.c_str(),
               capture.written);
        // A partly written frame is worse than none: it looks like a frame.
        std::remove(path);
        capture.done = true;
        capture.failed = true;
        return false;
    }
    ++capture.written;
    finishFrame(readStart);
    return true;
}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

bool rvkCaptureFinished()
{
    return lumenvat::captureDone();
}

int rvkExitStatus()
{
    using namespace lumenvat;
    if (interruptedBySignal() != 0)
        return 130;
    if (!options().capture)
        return 0;
    if (capture.failed)
        return 1;
    int total = totalFrames();
    if (capture.written < total) {
        if (!capture.shortReported)
            rvkMsg("lumenvat: the capture ended at %d ms with %d of %d frames written; positions up to %d ms "
                   "were asked for\n",
                   rvkGetModulePosition(), capture.written, total, options().captureToMs);
        capture.shortReported = true;
        return 1;
    }
    return 0;
}

} // namespace BRAVIK_LUMENVAT
