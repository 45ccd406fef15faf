// pakbuild - packs files into a standard zip archive (the production's data.pak).
//
//   pakbuild OUT.pak FILE... | @LIST
//
// Each file is stored under its base name (look-ups in the archive are by file name), uncompressed,
// with a fixed timestamp and in name order, so the same inputs always give the same bytes. Two
// inputs with the same base name are an error. A LIST file names one input per line.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

uint32_t crc32(const std::vector<unsigned char>& data)
{
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : data)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void put16(std::vector<unsigned char>& out, uint32_t v)
{
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void put32(std::vector<unsigned char>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::string baseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool readFile(const std::string& path, std::vector<unsigned char>& data)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// 1980-01-01 00:00, the earliest time a zip entry can carry.
constexpr uint32_t kDosTime = 0;
constexpr uint32_t kDosDate = (0 << 9) | (1 << 5) | 1;

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::string(argv[1]) == "--help") {
        std::cerr << "usage: pakbuild OUT.pak FILE... | @LIST\n";
        return argc < 2 ? 2 : 0;
    }
    std::vector<std::string> inputs;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        if (!arg.empty() && arg[0] == '@') {
            std::ifstream list(arg.substr(1));
            if (!list) {
                std::cerr << "pakbuild: cannot read list " << arg.substr(1) << "\n";
                return 1;
            }
            for (std::string line; std::getline(list, line);)
                if (!line.empty())
                    inputs.push_back(line);
        } else {
            inputs.push_back(arg);
        }
    }

    std::map<std::string, std::string> byName;
    for (const std::string& path : inputs) {
        std::string name = baseName(path);
        auto [it, fresh] = byName.emplace(name, path);
        if (!fresh && it->second != path) {
            std::cerr << "pakbuild: two inputs named " << name << ": " << it->second << " and " << path << "\n";
            return 1;
        }
    }

    std::vector<unsigned char> out, central;
    for (const auto& [name, path] : byName) {
        std::vector<unsigned char> data;
        if (!readFile(path, data)) {
            std::cerr << "pakbuild: cannot read " << path << "\n";
            return 1;
        }
        uint32_t crc = crc32(data);
        uint32_t offset = static_cast<uint32_t>(out.size());
        uint32_t size = static_cast<uint32_t>(data.size());

        put32(out, 0x04034b50);
        put16(out, 10);  // version needed: 1.0, stored
        put16(out, 0);   // flags
        put16(out, 0);   // method: stored
        put16(out, kDosTime);
        put16(out, kDosDate);
        put32(out, crc);
        put32(out, size);
        put32(out, size);
        put16(out, static_cast<uint32_t>(name.size()));
        put16(out, 0);
        out.insert(out.end(), name.begin(), name.end());
        out.insert(out.end(), data.begin(), data.end());

        put32(central, 0x02014b50);
        put16(central, (3 << 8) | 20); // made by: Unix, 2.0
        put16(central, 10);
        put16(central, 0);
        put16(central, 0);
        put16(central, kDosTime);
        put16(central, kDosDate);
        put32(central, crc);
        put32(central, size);
        put32(central, size);
        put16(central, static_cast<uint32_t>(name.size()));
        put16(central, 0);  // extra
        put16(central, 0);  // comment
        put16(central, 0);  // disk
        put16(central, 0);  // internal attributes
        put32(central, 0100644u << 16); // external attributes: a regular file, rw-r--r--
        put32(central, offset);
        central.insert(central.end(), name.begin(), name.end());
    }
    uint32_t centralOffset = static_cast<uint32_t>(out.size());
    out.insert(out.end(), central.begin(), central.end());
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<uint32_t>(byName.size()));
    put16(out, static_cast<uint32_t>(byName.size()));
    put32(out, static_cast<uint32_t>(central.size()));
    put32(out, centralOffset);
    put16(out, 0);

    std::string temp = std::string(argv[1]) + ".tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
        if (!file) {
            std::cerr << "pakbuild: cannot write " << temp << "\n";
            return 1;
        }
    }
    if (std::rename(temp.c_str(), argv[1]) != 0) {
        std::cerr << "pakbuild: cannot replace " << argv[1] << "\n";
        return 1;
    }
    std::cout << "pakbuild: " << byName.size() << " files, " << out.size() << " bytes in " << argv[1] << "\n";
    return 0;
}
