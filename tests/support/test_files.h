// test_files.h - the helpers that need no window and no Linux: the source and build folders, fresh
// temporary folders, whole files read and written, and shell commands. The Windows build's tests
// link them alone (sublumen_test_files); test_support.h offers them with the rest.
#pragma once

#include <string>

namespace testsupport {

std::string binaryDir(); // the build folder
std::string sourceDir(); // the source tree

// A fresh empty folder under the temporary directory ($TMPDIR on Linux, %TEMP% on Windows), its
// path with forward slashes; empty when none could be made.
std::string makeTempDir(const std::string& name);
bool readFile(const std::string& path, std::string& bytes);
bool writeFile(const std::string& path, const std::string& bytes);
// Runs a command through the system's shell (sh, or cmd.exe on Windows); returns its exit status
// (-1 when it could not run or did not exit), stdout and stderr together in `output`.
int runCommand(const std::string& command, std::string* output = nullptr);

} // namespace testsupport
