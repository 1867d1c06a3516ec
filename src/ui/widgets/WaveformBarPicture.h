#pragma once

#include "WaveformBarLayout.h"

#include <QImage>
#include <QList>
#include <QSizeF>

// Paints waveform bars into a picture the scene graph shows as one texture. Drawn once for each
// change of the bars, then each frame costs a single textured rectangle: far cheaper to draw than
// hundreds of small rounded shapes, above all where OpenGL runs in software.
namespace aru::WaveformBarPicture {

// `bars` (from WaveformBarLayout::bars for `size`) antialiased on a transparent picture of `size`
// in device-independent units, at `devicePixelRatio` pixels per unit. Null for an empty size.
QImage paint(const QList<WaveformBarLayout::Bar>& bars, QSizeF size, qreal devicePixelRatio);

} // namespace aru::WaveformBarPicture
