#pragma once

#include "TrackRowLook.h"

#include <QImage>

// Paints a catalogue row as TrackRow.qml draws it at rest, into one opaque picture: a list that
// scrolls can then show rows painted on another thread instead of building each as it comes in.
// What the row draws and this draws must stay the same; a test compares the two.
namespace aru::TrackRowPainter {

// The height of every row without its info panel.
qreal rowHeight();

// The row `look` describes, `look.width` wide and rowHeight() high, at `devicePixelRatio`.
QImage paint(const TrackRowLook& look, qreal devicePixelRatio = 1);

} // namespace aru::TrackRowPainter
