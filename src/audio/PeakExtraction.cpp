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
    : m_lanes(std::size_t(std::max(channels, 0)) * 2, 0.0)
    , m_channels(std::max(channels, 0)) {}

void BarMeter::add(const float* interleaved, qint64 frames) {
    if (m_channels == 0 || frames <= 0)
        return;
    qint64 f = 0;
    // A piece that starts on an odd frame of the bar: that frame goes to the odd lanes first.
    if (m_frames % 2 == 1) {
        for (int c = 0; c < m_channels; ++c) {
            const double v = interleaved[c];
            m_lanes[std::size_t(2 * c + 1)] += v * v;
        }
        f = 1;
    }
    if (m_channels == 2) {
        // The common case, kept in registers.
        double leftEven = m_lanes[0], leftOdd = m_lanes[1];
        double rightEven = m_lanes[2], rightOdd = m_lanes[3];
        for (; f + 1 < frames; f += 2) {
            const float* pair = interleaved + 2 * f;
            const double l0 = pair[0], r0 = pair[1], l1 = pair[2], r1 = pair[3];
            leftEven += l0 * l0;
            rightEven += r0 * r0;
            leftOdd += l1 * l1;
            rightOdd += r1 * r1;
        }
        m_lanes = {leftEven, leftOdd, rightEven, rightOdd};
    } else {
        for (; f + 1 < frames; f += 2) {
            const float* pair = interleaved + f * m_channels;
            for (int c = 0; c < m_channels; ++c) {
                const double even = pair[c];
                const double odd = pair[m_channels + c];
                m_lanes[std::size_t(2 * c)] += even * even;
                m_lanes[std::size_t(2 * c + 1)] += odd * odd;
            }
        }
    }
    // A last frame without its partner is even in the bar.
    if (f < frames) {
        for (int c = 0; c < m_channels; ++c) {
            const double v = interleaved[f * m_channels + c];
            m_lanes[std::size_t(2 * c)] += v * v;
        }
    }
    m_frames += frames;
}

float BarMeter::level() const {
    if (m_frames == 0 || m_channels == 0)
        return 0.0f;
    double loudest = 0.0;
    for (int c = 0; c < m_channels; ++c)
        loudest = std::max(loudest, m_lanes[std::size_t(2 * c)] + m_lanes[std::size_t(2 * c + 1)]);
    return float(std::sqrt(loudest / double(m_frames)));
}

void BarMeter::reset() {
    std::fill(m_lanes.begin(), m_lanes.end(), 0.0);
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
