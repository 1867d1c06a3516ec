#include "WaveformBarPicture.h"

#include <QPainter>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>
#include <optional>

namespace aru::WaveformBarPicture {

namespace {

// How much of the pixel span [p, p + 1) lies within [from, to), in 256ths.
int overlap(int p, qreal from, qreal to) {
    const qreal share = std::min(to, qreal(p + 1)) - std::max(from, qreal(p));
    return int(std::clamp(share, 0.0, 1.0) * 256 + 0.5);
}

// Each channel of a premultiplied pixel scaled by `scale` (0…256).
QRgb scaled(QRgb pixel, int scale) {
    const quint32 redBlue = (((pixel & 0x00ff00ff) * scale) >> 8) & 0x00ff00ff;
    const quint32 alphaGreen = (((pixel >> 8) & 0x00ff00ff) * scale) & 0xff00ff00;
    return redBlue | alphaGreen;
}

// An axis-aligned rectangle in pixels, antialiased by the share of each pixel it covers. Its
// cost is the pixels it touches, where the painter's general rasteriser spends several times
// that on setting up each of hundreds of tiny shapes.
void fillCovered(QImage& picture, const QRectF& rect, QRgb premultiplied) {
    const int left = std::max(0, int(std::floor(rect.left())));
    const int right = std::min(picture.width(), int(std::ceil(rect.right())));
    const int top = std::max(0, int(std::floor(rect.top())));
    const int bottom = std::min(picture.height(), int(std::ceil(rect.bottom())));
    if (left >= right || top >= bottom)
        return;
    // A column's share is the same on every line, and only the first and last lines are partly
    // covered: the source for each column of a whole line is worked out once.
    QVarLengthArray<QRgb, 8> wholeLine;
    for (int x = left; x < right; ++x)
        wholeLine.append(scaled(premultiplied, overlap(x, rect.left(), rect.right())));
    uchar* const bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    for (int y = top; y < bottom; ++y) {
        const int lineShare =
            y == top || y == bottom - 1 ? overlap(y, rect.top(), rect.bottom()) : 256;
        auto* pixel = reinterpret_cast<QRgb*>(bits + y * stride) + left;
        for (const QRgb column : wholeLine) {
            const QRgb source = lineShare == 256 ? column : scaled(column, lineShare);
            // Source over: what lies below shows through what the source leaves uncovered.
            *pixel = source + scaled(*pixel, 256 - qAlpha(source));
            ++pixel;
        }
    }
}

} // namespace

QImage paint(const QList<WaveformBarLayout::Bar>& bars, QSizeF size, qreal devicePixelRatio) {
    const QSize pixels(int(std::ceil(size.width() * devicePixelRatio)),
                       int(std::ceil(size.height() * devicePixelRatio)));
    if (pixels.isEmpty())
        return {};
    QImage picture(pixels, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);
    // A corner rounded by less than a pixel changes no pixel by more than a trace of coverage,
    // so such bars are filled as plain rectangles; rows of thin bars are painted each time a
    // row comes into view. Only bars rounded visibly need the painter.
    const qreal visibleRadius = 1 / devicePixelRatio;
    std::optional<QPainter> painter;
    for (const auto& bar : bars) {
        if (bar.radius < visibleRadius) {
            const QRectF& r = bar.rect;
            fillCovered(picture,
                        {r.x() * devicePixelRatio, r.y() * devicePixelRatio,
                         r.width() * devicePixelRatio, r.height() * devicePixelRatio},
                        qPremultiply(bar.color.rgba()));
            continue;
        }
        if (!painter) {
            painter.emplace(&picture);
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(Qt::NoPen);
        }
        painter->setBrush(bar.color);
        painter->drawRoundedRect(bar.rect, bar.radius, bar.radius);
    }
    painter.reset();
    return picture;
}

} // namespace aru::WaveformBarPicture
