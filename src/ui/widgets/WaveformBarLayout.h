#pragma once

#include "PeakExtraction.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QSizeF>

// Where WaveformBars puts its bars and how it colours them: peaks thinned to what the width can
// show, stretched so the loudest bar fills the height, drawn as rounded bars in equal slots, the
// played ones in the accent. Pure computation; the item only hands the result to the renderer.
namespace aru::WaveformBarLayout {

// A bar wants a slot this wide; never fewer slots than minimumBarCount.
inline constexpr qreal slotPerBar = 3;
inline constexpr int minimumBarCount = 40;
// Bar values are raised to this power after scaling the loudest to 1.
inline constexpr double contrastExponent = 1.25;
// A bar fills this much of its slot, but is never thinner than minimumBarWidth.
inline constexpr qreal barFill = 0.55;
inline constexpr qreal minimumBarWidth = 1.5;
// Even a silent bar shows as a sliver of this fraction of the height.
inline constexpr qreal minimumBarHeight = 0.015;

struct Bar {
    QRectF rect;
    // Half the shorter side: the ends are fully rounded.
    qreal radius = 0;
    QColor color;
};

// The value of each bar for `peaks` drawn `width` wide: groups of neighbouring peaks (as many as
// it takes to leave about one bar per slotPerBar of width) keep their loudest, which is never
// below 0 (values that are not finite count as 0), and the loudest bar is scaled to 1 through
// contrastExponent. Empty for no peaks.
QList<float> barValues(const Peaks& peaks, qreal width);

// How many bars, from the left, are at or before the progress line (width × progress).
int playedCount(qsizetype barCount, qreal width, qreal progress);

// The bars of `values` in an area of `size`: centred in equal slots, the first `played` in the
// accent, the others in the muted text colour, each more opaque the louder it is.
QList<Bar> bars(const QList<float>& values, QSizeF size, int played);

// A bar's colour by its value and whether it is played.
QColor barColor(float value, bool played);

} // namespace aru::WaveformBarLayout
