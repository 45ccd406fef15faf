// music_test_support.cpp - files, kicks and rendering for the music tests.
#include "music_test_support.h"

#include <libopenmpt/libopenmpt.hpp>
#include <libopenmpt/libopenmpt_ext.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace musictest {

std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<Kick> readKicks(const std::string& path)
{
    std::vector<Kick> kicks;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        Kick k{};
        char kind[16] = {};
        if (std::sscanf(line.c_str(), "%lf %d %15s", &k.ms, &k.volume, kind) == 3) {
            k.main = std::string(kind) == "main";
            kicks.push_back(k);
        }
    }
    return kicks;
}

Stereo renderStereo(const std::vector<uint8_t>& bytes, int rate, const std::vector<int>& solo)
{
    openmpt::module_ext module(bytes);
    module.set_repeat_count(0);
    if (!solo.empty()) {
        auto* interactive = static_cast<openmpt::ext::interactive*>(module.get_interface(openmpt::ext::interactive_id));
        for (int c = 0; c < module.get_num_channels(); ++c)
            interactive->set_channel_mute_status(c, std::find(solo.begin(), solo.end(), c) == solo.end());
    }
    Stereo out;
    out.rate = rate;
    std::vector<float> left(4096), right(4096);
    for (;;) {
        size_t got = module.read(rate, left.size(), left.data(), right.data());
        if (got == 0)
            break;
        out.left.insert(out.left.end(), left.begin(), left.begin() + static_cast<long>(got));
        out.right.insert(out.right.end(), right.begin(), right.begin() + static_cast<long>(got));
    }
    return out;
}

std::vector<float> renderMono(const std::vector<uint8_t>& bytes, int rate, const std::vector<int>& solo)
{
    Stereo s = renderStereo(bytes, rate, solo);
    std::vector<float> mono(s.size());
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = 0.5f * (s.left[i] + s.right[i]);
    return mono;
}

std::vector<int> channelsPlaying(const std::vector<uint8_t>& bytes, const std::string& prefix)
{
    openmpt::module module(bytes);
    std::vector<std::string> names = module.get_instrument_names();
    std::vector<int> channels;
    for (int32_t p = 0; p < module.get_num_patterns(); ++p)
        for (int32_t row = 0; row < module.get_pattern_num_rows(p); ++row)
            for (int32_t c = 0; c < module.get_num_channels(); ++c) {
                int instrument = module.get_pattern_row_channel_command(p, row, c, openmpt::module::command_instrument);
                if (instrument < 1 || instrument > static_cast<int>(names.size()))
                    continue;
                if (names[static_cast<size_t>(instrument - 1)].rfind(prefix, 0) == 0 &&
                    std::find(channels.begin(), channels.end(), c) == channels.end())
                    channels.push_back(c);
            }
    std::sort(channels.begin(), channels.end());
    return channels;
}

const std::vector<std::pair<int, int>>& loudBars()
{
    static const std::vector<std::pair<int, int>> bars = {{40, 55},   {56, 70},   {72, 81},   {83, 87},
                                                          {88, 96}, {128, 134}, {135, 142}, {144, 157}};
    return bars;
}

bool inLoudSection(double ms)
{
    for (auto [from, to] : loudBars())
        if (ms >= from * kBarMs && ms < to * kBarMs)
            return true;
    return false;
}

} // namespace musictest
