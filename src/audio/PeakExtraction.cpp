#include "PeakExtraction.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <memory>
#include <sndfile.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace aru::PeakExtraction {

namespace {

// Samples read at a time: a quarter of a megabyte of floats, whatever the file's length or bar
// size.
constexpr qint64 pieceSamples = 64 * 1024;
// Below this spread the bars are treated as equally loud.
constexpr float flatRange = 0.001f;
constexpr float curveExponent = 1.3f;
// The float decoder's scales for 16-bit and 32-bit integer samples (powers of two), and the
// square of a 16-bit sample's unit.
constexpr float pcm32Scale = 1.0f / 2147483648.0f;
constexpr double pcm16SquareUnit = 1.0 / 1073741824.0;

struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

SndFilePtr openForReading(const QString& path, SF_INFO& info) {
    info = SF_INFO{};
    return SndFilePtr(sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
}

sf_count_t readFrames(SNDFILE* file, float* into, sf_count_t frames) {
    return sf_readf_float(file, into, frames);
}
sf_count_t readFrames(SNDFILE* file, qint16* into, sf_count_t frames) {
    return sf_readf_short(file, into, frames);
}
sf_count_t readFrames(SNDFILE* file, qint32* into, sf_count_t frames) {
    return sf_readf_int(file, into, frames);
}

// Adds the squares of the left samples and of the right samples of interleaved 16-bit stereo.
void addStereoSquares(const qint16* samples, qint64 frames, qint64& left, qint64& right) {
    qint64 f = 0;
#ifdef __SSE2__
    // Four frames per step: multiplying the samples by themselves with the other channel's
    // half of each pair masked off leaves one channel's square per 32-bit lane. A square is at
    // most 2^30, so three steps fit an unsigned 32-bit lane before it is widened to 64 bits.
    const __m128i leftHalves = _mm_set1_epi32(0x0000FFFF);
    const __m128i zero = _mm_setzero_si128();
    __m128i leftSums = zero;
    __m128i rightSums = zero;
    for (; f + 12 <= frames; f += 12) {
        __m128i leftSquares = zero;
        __m128i rightSquares = zero;
        for (int step = 0; step < 3; ++step) {
            const __m128i pairs =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + 2 * (f + 4 * step)));
            leftSquares =
                _mm_add_epi32(leftSquares, _mm_madd_epi16(pairs, _mm_and_si128(pairs, leftHalves)));
            rightSquares = _mm_add_epi32(
                rightSquares, _mm_madd_epi16(pairs, _mm_andnot_si128(leftHalves, pairs)));
        }
        leftSums = _mm_add_epi64(leftSums, _mm_unpacklo_epi32(leftSquares, zero));
        leftSums = _mm_add_epi64(leftSums, _mm_unpackhi_epi32(leftSquares, zero));
        rightSums = _mm_add_epi64(rightSums, _mm_unpacklo_epi32(rightSquares, zero));
        rightSums = _mm_add_epi64(rightSums, _mm_unpackhi_epi32(rightSquares, zero));
    }
    alignas(16) qint64 lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), leftSums);
    left += lanes[0] + lanes[1];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), rightSums);
    right += lanes[0] + lanes[1];
#endif
    for (; f < frames; ++f) {
        left += qint32(samples[2 * f]) * samples[2 * f];
        right += qint32(samples[2 * f + 1]) * samples[2 * f + 1];
    }
}

// Which samples the file is read as: its own 16-bit or 24-bit integers where the measurement
// can take them exactly as the float decoder would, floats otherwise.
enum class ReadFormat { Float, Pcm16, Pcm24 };

ReadFormat readFormat(const SF_INFO& info, qint64 samplesPerPeak) {
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_16:
        return samplesPerPeak <= BarMeter::maxExactPcm16Frames ? ReadFormat::Pcm16
                                                               : ReadFormat::Float;
    case SF_FORMAT_PCM_24:
        return ReadFormat::Pcm24;
    default:
        return ReadFormat::Float;
    }
}

// The raw bar levels, read one bounded piece of `Sample`s at a time; none when the file ends
// before its announced length.
template <typename Sample>
std::optional<Peaks> measureBars(SNDFILE* file, const SF_INFO& info, int peakCount,
                                 qint64 samplesPerPeak) {
    const qint64 frames = info.frames;
    const qint64 pieceFrames = std::max<qint64>(pieceSamples / info.channels, 1);
    std::vector<Sample> piece(std::size_t(pieceFrames * info.channels));
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
            if (readFrames(file, piece.data(), wanted) != wanted)
                return std::nullopt;
            meter.add(piece.data(), wanted);
            remaining -= wanted;
        }
        bars[bar] = meter.level();
    }
    return bars;
}

} // namespace

BarMeter::BarMeter(int channels)
    : m_lanes(std::size_t(std::max(channels, 0)) * 2, 0.0)
    , m_pcm16Squares(std::size_t(std::max(channels, 0)), 0)
    , m_channels(std::max(channels, 0)) {}

template <typename Sample, typename ToDouble>
void BarMeter::addToLanes(const Sample* interleaved, qint64 frames, ToDouble toDouble) {
    if (m_channels == 0 || frames <= 0)
        return;
    qint64 f = 0;
    // A piece that starts on an odd frame of the bar: that frame goes to the odd lanes first.
    if (m_frames % 2 == 1) {
        for (int c = 0; c < m_channels; ++c) {
            const double v = toDouble(interleaved[c]);
            m_lanes[std::size_t(2 * c + 1)] += v * v;
        }
        f = 1;
    }
    if (m_channels == 2) {
        // The common case, kept in registers.
        double leftEven = m_lanes[0], leftOdd = m_lanes[1];
        double rightEven = m_lanes[2], rightOdd = m_lanes[3];
        for (; f + 1 < frames; f += 2) {
            const Sample* pair = interleaved + 2 * f;
            const double l0 = toDouble(pair[0]), r0 = toDouble(pair[1]);
            const double l1 = toDouble(pair[2]), r1 = toDouble(pair[3]);
            leftEven += l0 * l0;
            rightEven += r0 * r0;
            leftOdd += l1 * l1;
            rightOdd += r1 * r1;
        }
        m_lanes = {leftEven, leftOdd, rightEven, rightOdd};
    } else {
        for (; f + 1 < frames; f += 2) {
            const Sample* pair = interleaved + f * m_channels;
            for (int c = 0; c < m_channels; ++c) {
                const double even = toDouble(pair[c]);
                const double odd = toDouble(pair[m_channels + c]);
                m_lanes[std::size_t(2 * c)] += even * even;
                m_lanes[std::size_t(2 * c + 1)] += odd * odd;
            }
        }
    }
    // A last frame without its partner is even in the bar.
    if (f < frames) {
        for (int c = 0; c < m_channels; ++c) {
            const double v = toDouble(interleaved[f * m_channels + c]);
            m_lanes[std::size_t(2 * c)] += v * v;
        }
    }
    m_frames += frames;
}

void BarMeter::add(const float* interleaved, qint64 frames) {
    addToLanes(interleaved, frames, [](float v) { return double(v); });
}

void BarMeter::add(const qint32* interleaved, qint64 frames) {
    // As the decoder makes floats of them: exact for 24 significant bits.
    addToLanes(interleaved, frames, [](qint32 v) { return double(float(v) * pcm32Scale); });
}

void BarMeter::add(const qint16* interleaved, qint64 frames) {
    if (m_channels == 0 || frames <= 0)
        return;
    if (m_channels == 2) {
        addStereoSquares(interleaved, frames, m_pcm16Squares[0], m_pcm16Squares[1]);
    } else {
        for (int c = 0; c < m_channels; ++c) {
            qint64 sum = 0;
            for (qint64 f = 0; f < frames; ++f) {
                const qint32 v = interleaved[f * m_channels + c];
                sum += v * v;
            }
            m_pcm16Squares[std::size_t(c)] += sum;
        }
    }
    m_frames += frames;
}

float BarMeter::level() const {
    if (m_frames == 0 || m_channels == 0)
        return 0.0f;
    double loudest = 0.0;
    for (int c = 0; c < m_channels; ++c) {
        const double lanes = m_lanes[std::size_t(2 * c)] + m_lanes[std::size_t(2 * c + 1)];
        loudest =
            std::max(loudest, lanes + double(m_pcm16Squares[std::size_t(c)]) * pcm16SquareUnit);
    }
    return float(std::sqrt(loudest / double(m_frames)));
}

void BarMeter::reset() {
    std::fill(m_lanes.begin(), m_lanes.end(), 0.0);
    std::fill(m_pcm16Squares.begin(), m_pcm16Squares.end(), 0);
    m_frames = 0;
}

std::optional<Peaks> extractPeaks(const QString& path, int peakCount) {
    if (peakCount < 1)
        return std::nullopt;
    SF_INFO info;
    const SndFilePtr file = openForReading(path, info);
    if (!file || info.frames <= 0 || info.channels < 1)
        return std::nullopt;

    const qint64 samplesPerPeak = std::max<qint64>(info.frames / peakCount, 1);
    std::optional<Peaks> bars;
    switch (readFormat(info, samplesPerPeak)) {
    case ReadFormat::Pcm16:
        bars = measureBars<qint16>(file.get(), info, peakCount, samplesPerPeak);
        break;
    case ReadFormat::Pcm24:
        bars = measureBars<qint32>(file.get(), info, peakCount, samplesPerPeak);
        break;
    case ReadFormat::Float:
        bars = measureBars<float>(file.get(), info, peakCount, samplesPerPeak);
        break;
    }
    if (!bars)
        return std::nullopt;
    return normalized(std::move(*bars));
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
