#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <vector>

namespace aru {

// A waveform picture: one loudness value per bar.
using Peaks = QList<float>;

// Measures an audio file's loudness per bar. Pure computation, safe on any thread.
namespace PeakExtraction {

inline constexpr int defaultPeakCount = 380;

// Accumulates one bar of interleaved samples, fed in pieces of any size. The bar's level is the
// root mean square of its loudest channel. Each channel sums its squares in double precision in
// two lanes, the bar's even frames and its odd frames, which lets the processor keep two
// additions in flight; the lanes are added at the end. The lane of a frame is fixed by its place
// in the bar, so the level does not depend on how the bar was cut into pieces.
//
// Samples may also come in the file's own integer format, which spares the decoder's conversion
// to floats (most of the cost of a measurement). Each is taken as the very float the decoder
// would have made of it, so the level is the same to the last bit.
class BarMeter {
public:
    // Frames one bar of 16-bit samples may hold: up to this many, their squares summed as whole
    // numbers are what the double lanes would hold exactly (no rounding at all).
    static constexpr qint64 maxExactPcm16Frames = qint64(1) << 24;

    explicit BarMeter(int channels);

    void add(const float* interleaved, qint64 frames);
    // 16-bit samples: the squares are summed as whole numbers, in any order, which gives the
    // lanes' exact sums while the bar holds at most maxExactPcm16Frames frames.
    void add(const qint16* interleaved, qint64 frames);
    // 24-bit samples as the decoder gives them in 32 bits (shifted to the top).
    void add(const qint32* interleaved, qint64 frames);
    // The level of the frames added since the last reset; 0 when none were.
    float level() const;
    void reset();

private:
    // `toDouble` turns one sample into the value the float decoder would give it.
    template <typename Sample, typename ToDouble>
    void addToLanes(const Sample* interleaved, qint64 frames, ToDouble toDouble);

    // Per channel: the even lane, then the odd lane.
    std::vector<double> m_lanes;
    // Per channel: the sum of the squares of its 16-bit samples.
    std::vector<qint64> m_pcm16Squares;
    int m_channels = 0;
    qint64 m_frames = 0;
};

// `peakCount` bars over the file: each bar covers frames / peakCount frames (at least one), the
// frames after the last full bar are not measured, and bars past the end stay 0. The bars are
// then normalised. The file is read one bounded piece at a time, so memory stays small whatever
// its length. None when `peakCount` is below 1 or the file cannot be opened, holds no frames or
// cannot be read to the end.
std::optional<Peaks> extractPeaks(const QString& path, int peakCount = defaultPeakCount);

// Stretches raw bar levels to 0..1 with a gentle curve: the quietest non-silent bar becomes 0,
// the loudest 1, silent bars stay 0. All-silent bars come back unchanged; when every non-silent
// bar is (almost) equally loud they are measured against the loudest alone.
Peaks normalized(Peaks bars);

} // namespace PeakExtraction
} // namespace aru
