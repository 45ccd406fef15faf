// fuzz_support.h - what the harnesses share: a quiet engine and one-file archives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// Once per process: the log goes nowhere (the engine's stderr copy too; sanitizer and fuzzer
// reports still reach stderr), boxes are only logged, no audio.
void quietEngine();
// The input as a NUL-terminated text (an embedded NUL ends it, as for the archive's texts).
std::string text(const uint8_t* data, size_t size);
// Mounts a folder holding only `name` with the input's bytes as the engine's archive (the
// earlier archive shut down). False when the file cannot be written.
bool mountOneFile(const std::string& name, const uint8_t* data, size_t size);
// The path of a file in the harness's own scratch folder.
std::string scratchPath(const std::string& name);

} // namespace fuzzsupport
