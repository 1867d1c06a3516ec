#pragma once

#include "WaveformBarLayout.h"

#include <QList>

class QSGGeometry;

// Turns waveform bars into triangles for the scene graph's vertex-colour material. Each bar is a
// rounded rectangle with a soft edge one device pixel wide: an inner outline in the bar's colour
// and an outer one fully transparent, so the edges are smooth without multisampling. A bar
// thinner than that edge is drawn fainter in proportion, as it covers less of its pixels.
namespace aru::WaveformBarGeometry {

inline constexpr int segmentsPerCorner = 2;
inline constexpr int outlinePoints = 4 * (segmentsPerCorner + 1);
// The centre, the inner outline and the outer outline.
inline constexpr int verticesPerBar = 1 + 2 * outlinePoints;
// A fan over the inner outline and a band between the outlines.
inline constexpr int indicesPerBar = 3 * outlinePoints + 6 * outlinePoints;

// A geometry for the vertex-colour material, indexed triangles, sized for nothing yet.
QSGGeometry* create();
// Fills `geometry` (from create()) with `bars`; `devicePixelRatio` sets the edge's width.
void fill(QSGGeometry& geometry, const QList<WaveformBarLayout::Bar>& bars, qreal devicePixelRatio);

} // namespace aru::WaveformBarGeometry
