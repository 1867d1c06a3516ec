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
    for (const auto& bar : bars) {
        painter.setBrush(bar.color);
        painter.drawRoundedRect(bar.rect, bar.radius, bar.radius);
    }
    return picture;
}

} // namespace aru::WaveformBarPicture
