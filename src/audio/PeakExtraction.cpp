#include "PeakExtraction.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <memory>
#include <sndfile.h>

namespace aru::PeakExtraction {

namespace {

// Samples read at a time: a quarter of a megabyte, whatever the file's length or bar size.
constexpr qint64 pieceSamples = 64 * 1024;
// Below this spread the bars are treated as equally loud.
constexpr float flatRange = 0.001f;
constexpr float curveExponent = 1.3f;

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

SndFilePtr openForReading(const QString& path, SF_INFO& info) {
    info = SF_INFO{};
    return SndFilePtr(sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
}

} // namespace

BarMeter::BarMeter(int channels)
    : m_sums(std::size_t(std::max(channels, 0)), 0.0) {}

void BarMeter::add(const float* interleaved, qint64 frames) {
    const std::size_t channels = m_sums.size();
    if (channels == 2) {
        // The common case, kept in registers.
        double left = m_sums[0];
        double right = m_sums[1];
        for (qint64 f = 0; f < frames; ++f) {
            const double l = interleaved[2 * f];
            const double r = interleaved[2 * f + 1];
            left += l * l;
            right += r * r;
        }
        m_sums[0] = left;
        m_sums[1] = right;
    } else {
        for (qint64 f = 0; f < frames; ++f) {
            const float* frame = interleaved + f * qint64(channels);
            for (std::size_t c = 0; c < channels; ++c)
                m_sums[c] += double(frame[c]) * double(frame[c]);
        }
    }
    m_frames += frames;
}

float BarMeter::level() const {
    if (m_frames == 0 || m_sums.empty())
        return 0.0f;
    const double loudest = *std::max_element(m_sums.cbegin(), m_sums.cend());
    return float(std::sqrt(loudest / double(m_frames)));
}

void BarMeter::reset() {
    std::fill(m_sums.begin(), m_sums.end(), 0.0);
    m_frames = 0;
}

std::optional<Peaks> extractPeaks(const QString& path, int peakCount) {
    if (peakCount < 1)
        return std::nullopt;
    SF_INFO info;
    const SndFilePtr file = openForReading(path, info);
    if (!file || info.frames <= 0 || info.channels < 1)
        return std::nullopt;

    const qint64 frames = info.frames;
    const qint64 samplesPerPeak = std::max<qint64>(frames / peakCount, 1);
    const qint64 pieceFrames = std::max<qint64>(pieceSamples / info.channels, 1);
    std::vector<float> piece(std::size_t(pieceFrames * info.channels));
    BarMeter meter(info.channels);
    Peaks bars(peakCount, 0.0f);

    for (int bar = 0; bar < peakCount; ++bar) {
        const qint64 start = bar * samplesPerPeak;
        if (start >= frames)
            break;
        qint64 remaining = std::min(samplesPerPeak, frames - start);
        meter.reset();
        while (remaining > 0) {
            const qint64 wanted = std::min(remaining, pieceFrames);
            // A file that ends before its announced length is damaged: no picture rather than
            // one drawn from the wrong frames.
            if (sf_readf_float(file.get(), piece.data(), wanted) != wanted)
                return std::nullopt;
            meter.add(piece.data(), wanted);
            remaining -= wanted;
        }
        bars[bar] = meter.level();
    }
    return normalized(std::move(bars));
}

Peaks normalized(Peaks bars) {
    float hi = 0.0f;
    float lo = 1.0f;
    for (const float v : std::as_const(bars)) {
        hi = std::max(hi, v);
        if (v > 0.0f && v < lo)
            lo = v;
    }
    if (!(hi > 0.0f))
        return bars;
    float range = hi - lo;
    if (!(range > flatRange))
        range = hi;
    for (float& v : bars) {
        float position = (v - lo) / range;
        if (!(position >= 0.0f))
            position = 0.0f;
        v = std::pow(position, curveExponent);
    }
    return bars;
}

} // namespace aru::PeakExtraction
