// test_files.cpp - folders, files and commands for the tests, on Linux and on Windows alike.
#include "test_files.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace testsupport {

namespace {

// What pclose returns: a wait status on POSIX systems, the command's exit code on Windows.
int exitStatusOf(int closed)
{
#ifdef _WIN32
    return closed;
#else
    return WIFEXITED(closed) ? WEXITSTATUS(closed) : -1;
#endif
}

} // namespace

std::string binaryDir()
{
    return SUBLUMEN_BINARY_DIR;
}

std::string sourceDir()
{
    return SUBLUMEN_SOURCE_DIR;
}

std::string makeTempDir(const std::string& name)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path base = fs::temp_directory_path(error);
    if (error)
        return "";
    // A random suffix, tried again where a folder of that name exists (another test's, or a left-over).
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path dir = base / ("sublumen-" + name + "-" + std::to_string(random()));
        if (fs::create_directory(dir, error))
            return dir.generic_string();
        if (error)
            return "";
    }
    return "";
}

bool readFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

int runCommand(const std::string& command, std::string* output)
{
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    std::array<char, 4096> chunk;
    size_t n;
    while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        text.append(chunk.data(), n);
    int status = exitStatusOf(pclose(pipe));
    if (output)
        *output = text;
    return status;
}

} // namespace testsupport
