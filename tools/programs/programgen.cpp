// programgen - assembles GLSL program files from their own text and named blocks they share.
//
//   programgen OUTPUT_DIR SOURCE_DIR BLOCKS_FILE NAME...
//
// Writes OUTPUT_DIR/NAME for each NAME: SOURCE_DIR/NAME with every line "//: block" (any
// indentation before it) replaced by that block of SOURCE_DIR/BLOCKS_FILE. In the blocks file a
// line "// block: name" begins a block, which runs to the next such line (trailing blank lines
// dropped); what stands before the first is the file's own description. Blocks may use blocks.
// An unknown block, or a block that uses itself, is an error: nothing half-assembled is written.
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

bool readLines(const std::string& path, Lines& lines)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::stringstream text;
    text << in.rdbuf();
    lines.clear();
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    return true;
}

// The block a line uses ("//: name", indented or not), or "" when it uses none.
std::string blockUsed(const std::string& line)
{
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, 4, "//: ") != 0)
        return "";
    return line.substr(start + 4);
}

// The block a line of the blocks file begins ("// block: name"), or "".
std::string blockBegun(const std::string& line)
{
    const std::string mark = "// block: ";
    return line.compare(0, mark.size(), mark) == 0 ? line.substr(mark.size()) : "";
}

std::map<std::string, Lines> readBlocks(const Lines& lines)
{
    std::map<std::string, Lines> blocks;
    Lines* current = nullptr;
    for (const std::string& line : lines) {
        std::string name = blockBegun(line);
        if (!name.empty())
            current = &blocks[name];
        else if (current)
            current->push_back(line);
    }
    for (auto& entry : blocks)
        while (!entry.second.empty() && entry.second.back().empty())
            entry.second.pop_back();
    return blocks;
}

bool expand(const Lines& lines, const std::map<std::string, Lines>& blocks, std::set<std::string>& open,
            std::string& out, std::string& error)
{
    for (const std::string& line : lines) {
        std::string name = blockUsed(line);
        if (name.empty()) {
            out += line + "\n";
            continue;
        }
        auto block = blocks.find(name);
        if (block == blocks.end() || open.count(name)) {
            error = block == blocks.end() ? "no block \"" + name + "\"" : "block \"" + name + "\" uses itself";
            return false;
        }
        open.insert(name);
        if (!expand(block->second, blocks, open, out, error))
            return false;
        open.erase(name);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: programgen OUTPUT_DIR SOURCE_DIR BLOCKS_FILE NAME...\n");
        return 2;
    }
    std::string outputDir = argv[1], sourceDir = argv[2];
    Lines blockLines;
    if (!readLines(sourceDir + "/" + argv[3], blockLines)) {
        std::fprintf(stderr, "programgen: cannot read %s/%s\n", sourceDir.c_str(), argv[3]);
        return 1;
    }
    std::map<std::string, Lines> blocks = readBlocks(blockLines);
    for (int i = 4; i < argc; ++i) {
        Lines lines;
        std::string text, error;
        std::set<std::string> open;
        if (!readLines(sourceDir + "/" + argv[i], lines)) {
            std::fprintf(stderr, "programgen: cannot read %s/%s\n", sourceDir.c_str(), argv[i]);
            return 1;
        }
        if (!expand(lines, blocks, open, text, error)) {
            std::fprintf(stderr, "programgen: %s: %s\n", argv[i], error.c_str());
            return 1;
        }
        std::string path = outputDir + "/" + argv[i];
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            std::fprintf(stderr, "programgen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
