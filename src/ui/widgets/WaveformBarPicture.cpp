#include "WaveformBarPicture.h"

#include <QPainter>
#include <cmath>

namespace aru::WaveformBarPicture {

QImage paint(const QList<WaveformBarLayout::Bar>& bars, QSizeF size, qreal devicePixelRatio) {
    const QSize pixels(int(std::ceil(size.width() * devicePixelRatio)),
                       int(std::ceil(size.height() * devicePixelRatio)));
    if (pixels.isEmpty())
        return {};
    QImage picture(pixels, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // A corner rounded by less than a pixel changes no pixel by more than a trace of coverage,
    // and a plain rectangle paints several times faster than a rounded one: rows of thin bars
    // are painted each time a row comes into view.
    const qreal visibleRadius = 1 / devicePixelRatio;
    for (const auto& bar : bars) {
        painter.setBrush(bar.color);
        if (bar.radius < visibleRadius)
            painter.drawRect(bar.rect);
        else
            painter.drawRoundedRect(bar.rect, bar.radius, bar.radius);
    }
    return picture;
}

} // namespace aru::WaveformBarPicture
