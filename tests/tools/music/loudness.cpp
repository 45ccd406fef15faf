// loudness.cpp - K-weighting, gating, oversampled peaks, bands and correlation.
#include "loudness.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace musictest {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0, z2 = 0;
    double run(double x)
    {
        double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// The two K-weighting stages (a +4 dB shelf above about 1.5 kHz and a 38 Hz high-pass), designed
// for any rate from their analogue prototypes.
std::vector<double> kWeighted(const std::vector<float>& x, size_t from, size_t to, int rate)
{
    double fs = rate;
    double f0 = 1681.974450955533, g = 3.999843853973347, q = 0.7071752369554196;
    double k = std::tan(kPi * f0 / fs);
    double vh = std::pow(10.0, g / 20.0), vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / q + k * k;
    Biquad shelf{(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    double f1 = 38.13547087602444, q1 = 0.5003270373238773;
    double k1 = std::tan(kPi * f1 / fs);
    double d = 1.0 + k1 / q1 + k1 * k1;
    Biquad high{1.0, -2.0, 1.0, 2.0 * (k1 * k1 - 1.0) / d, (1.0 - k1 / q1 + k1 * k1) / d};
    std::vector<double> y(to - from);
    for (size_t i = from; i < to; ++i)
        y[i - from] = high.run(shelf.run(x[i]));
    return y;
}

// Cumulative K-weighted energy of both channels over a span, so that any part's mean square is
// two look-ups (positions relative to the span's start).
struct Energy {
    std::vector<double> cumulative;
    Energy(const Stereo& s, size_t from, size_t to)
    {
        std::vector<double> l = kWeighted(s.left, from, to, s.rate), r = kWeighted(s.right, from, to, s.rate);
        cumulative.assign(l.size() + 1, 0.0);
        for (size_t i = 0; i < l.size(); ++i)
            cumulative[i + 1] = cumulative[i] + l[i] * l[i] + r[i] * r[i];
    }
    double mean(size_t from, size_t to) const { return to > from ? (cumulative[to] - cumulative[from]) / (to - from) : 0; }
};

double lufs(double meanSquare)
{
    return meanSquare > 0 ? -0.691 + 10.0 * std::log10(meanSquare) : -200.0;
}

void fft(std::vector<std::complex<double>>& a)
{
    size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        std::complex<double> w(std::cos(2 * kPi / len), -std::sin(2 * kPi / len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> wk(1, 0);
            for (size_t j = 0; j < len / 2; ++j, wk *= w) {
                std::complex<double> u = a[i + j], v = a[i + j + len / 2] * wk;
                a[i + j] = u + v;
                a[i + j + len / 2] = u - v;
            }
        }
    }
}

} // namespace

double integratedLufs(const Stereo& s, size_t from, size_t to)
{
    to = std::min(to, s.size());
    if (from >= to)
        return -200.0;
    Energy e(s, from, to);
    size_t block = static_cast<size_t>(s.rate * 0.4), hop = static_cast<size_t>(s.rate * 0.1);
    std::vector<double> blocks;
    for (size_t a = 0; a + block <= to - from; a += hop) {
        double m = e.mean(a, a + block);
        if (lufs(m) > -70.0)
            blocks.push_back(m);
    }
    if (blocks.empty())
        return -200.0;
    double mean = 0;
    for (double m : blocks)
        mean += m;
    mean /= blocks.size();
    double gate = lufs(mean) - 10.0, sum = 0;
    size_t kept = 0;
    for (double m : blocks)
        if (lufs(m) > gate) {
            sum += m;
            ++kept;
        }
    return lufs(sum / kept);
}

double kWeightedEnergy(const Stereo& s, size_t from, size_t to)
{
    to = std::min(to, s.size());
    if (from >= to)
        return 0.0;
    return Energy(s, from, to).mean(0, to - from);
}

double truePeakDb(const Stereo& s, size_t from, size_t to)
{
    to = std::min(to, s.size());
    // A 4x interpolator: a Kaiser-windowed sinc of 12 taps per phase.
    constexpr int kTaps = 12, kPhases = 4;
    double taps[kPhases][kTaps];
    for (int p = 0; p < kPhases; ++p)
        for (int t = 0; t < kTaps; ++t) {
            double x = (t - kTaps / 2 + 1) - static_cast<double>(p) / kPhases;
            double sinc = x == 0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
            double w = x / (kTaps / 2.0);
            double window = std::fabs(w) < 1 ? std::cos(kPi / 2 * w) * std::cos(kPi / 2 * w) : 0.0;
            taps[p][t] = sinc * window;
        }
    double peak = 0;
    for (const std::vector<float>* ch : {&s.left, &s.right})
        for (size_t i = from; i < to; ++i) {
            peak = std::max(peak, static_cast<double>(std::fabs((*ch)[i])));
            for (int p = 1; p < kPhases; ++p) {
                double v = 0;
                for (int t = 0; t < kTaps; ++t) {
                    long j = static_cast<long>(i) + t - kTaps / 2 + 1;
                    if (j >= 0 && j < static_cast<long>(ch->size()))
                        v += (*ch)[static_cast<size_t>(j)] * taps[p][t];
                }
                peak = std::max(peak, std::fabs(v));
            }
        }
    return peak > 0 ? 20.0 * std::log10(peak) : -200.0;
}

double bandEnergy(const Stereo& s, size_t from, size_t to, double lowHz, double highHz)
{
    to = std::min(to, s.size());
    constexpr size_t kN = 4096;
    std::vector<double> window(kN);
    double windowPower = 0;
    for (size_t i = 0; i < kN; ++i) {
        window[i] = 0.5 - 0.5 * std::cos(2 * kPi * i / kN);
        windowPower += window[i] * window[i];
    }
    double sum = 0;
    size_t frames = 0;
    std::vector<std::complex<double>> a(kN);
    for (size_t start = from; start + kN <= to; start += kN / 2, ++frames) {
        for (size_t i = 0; i < kN; ++i)
            a[i] = 0.5 * (s.left[start + i] + s.right[start + i]) * window[i];
        fft(a);
        for (size_t k = 1; k < kN / 2; ++k) {
            double f = static_cast<double>(k) * s.rate / kN;
            if (f >= lowHz && f < highHz)
                sum += 2.0 * std::norm(a[k]) / (windowPower * kN);
        }
    }
    return frames ? sum / frames : 0.0;
}

double correlation(const Stereo& s, size_t from, size_t to)
{
    to = std::min(to, s.size());
    double ll = 0, rr = 0, lr = 0, l = 0, r = 0;
    size_t n = to > from ? to - from : 0;
    for (size_t i = from; i < to; ++i) {
        l += s.left[i];
        r += s.right[i];
    }
    double ml = n ? l / n : 0, mr = n ? r / n : 0;
    for (size_t i = from; i < to; ++i) {
        double a = s.left[i] - ml, b = s.right[i] - mr;
        ll += a * a;
        rr += b * b;
        lr += a * b;
    }
    return ll > 0 && rr > 0 ? lr / std::sqrt(ll * rr) : 1.0;
}

} // namespace musictest
