// export_unavailable.cpp - the Windows build's stand-in for export.cpp: that build carries no
// FFmpeg, so --export is refused as a bad argument, before anything renders, with the way to the
// same frames (--capture) in its reason.
#include "lumenvat_local.h"

#include <cstdio>

namespace lumenvat {

namespace {

const char kNoExport[] =
    "this build has no video export (--export); render the frames with --capture DIR, or export with the Linux build";

} // namespace

bool exportCheckFile(const std::string&, std::string& reason)
{
    reason = kNoExport;
    return false;
}

bool exportActive()
{
    return false;
}

bool exportWriteFrame(const unsigned char*, int, int, std::string& reason)
{
    reason = kNoExport;
    return false;
}

bool exportFinish(bool, std::string&)
{
    return true;
}

void exportAbandon() {}

} // namespace lumenvat

namespace BRAVIK_LUMENVAT {

bool rvkCheckExportFile(const char*, char* reason, int size)
{
    if (reason && size > 0)
        std::snprintf(reason, static_cast<size_t>(size), "%s", lumenvat::kNoExport);
    return false;
}

} // namespace BRAVIK_LUMENVAT
