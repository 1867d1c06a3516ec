#pragma once

#include <QColor>
#include <QFont>

namespace aru {

// The look of a short upper-case label on a rounded, padded background (tag chips and the accent
// action button). The padding lies inside the background, and the rounding clips it.
struct LabelStyle {
    // Already upper-case with its letter spacing, so measuring and drawing with it agree.
    QFont font;
    QColor color;
    QColor background;
    qreal paddingH = 0; // left and right
    qreal paddingV = 0; // top and bottom
    qreal radius = 0;
};

} // namespace aru
