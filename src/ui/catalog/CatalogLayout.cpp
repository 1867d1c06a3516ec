#include "CatalogLayout.h"

#include "PageLayout.h"

#include <algorithm>
#include <cmath>

namespace aru {

qreal CatalogLayout::collectionPanelWidth(qreal screenWidth) {
    const qreal allButTheStrip = std::max(screenWidth - uncoveredWidth, narrowestPanel);
    if (screenWidth < PageLayout::compactBreakpoint)
        return allButTheStrip;
    // std::round takes halves away from zero.
    const qreal half = std::max<qreal>(std::round(screenWidth / 2), narrowestWidePanel);
    return std::min(half, allButTheStrip);
}

} // namespace aru
