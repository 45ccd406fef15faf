// loudness.h - level measures for the music tests: K-weighted gated loudness (LUFS, as a
// loudness meter reads it), true peak by 4x oversampling, band energies and stereo correlation.
#pragma once

#include <cstddef>
#include <vector>

namespace musictest {

struct Stereo {
    int rate = 48000;
    std::vector<float> left, right;
    size_t size() const { return left.size(); }
};

// Integrated loudness of [from, to) samples: 400 ms blocks every 100 ms, K-weighted, gated at
// -70 LUFS and then 10 LU under the mean of the blocks that passed. -inf (a very low number) for
// silence.
double integratedLufs(const Stereo& s, size_t from = 0, size_t to = static_cast<size_t>(-1));

// Ungated K-weighted energy (mean square, both channels summed) of [from, to): what loudness
// shares are computed from.
double kWeightedEnergy(const Stereo& s, size_t from, size_t to);

// The highest true peak (dBTP) of [from, to), 4x oversampled.
double truePeakDb(const Stereo& s, size_t from = 0, size_t to = static_cast<size_t>(-1));

// The mean square of the mono sum in the band [lowHz, highHz) of [from, to) (FFT frames).
double bandEnergy(const Stereo& s, size_t from, size_t to, double lowHz, double highHz);

// Pearson correlation of left and right over [from, to).
double correlation(const Stereo& s, size_t from, size_t to);

} // namespace musictest
