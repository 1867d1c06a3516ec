#include "WaveformBarLayout.h"

#include "Theme.h"

#include <algorithm>
#include <cmath>

namespace aru::WaveformBarLayout {

namespace {

constexpr qreal opacityPerValue = 0.45;
constexpr qreal playedBaseOpacity = 0.55;
constexpr qreal unplayedBaseOpacity = 0.25;

qreal slotWidth(qsizetype barCount, qreal width) {
    return width / qreal(barCount);
}

qreal barCentre(qsizetype index, qreal slot) {
    return slot / 2 + slot * qreal(index);
}

QColor withOpacity(QColor color, qreal opacity) {
    color.setAlphaF(float(color.alphaF() * std::clamp(opacity, 0.0, 1.0)));
    return color;
}

} // namespace

QList<float> barValues(const Peaks& peaks, qreal width) {
    const qsizetype n = peaks.size();
    if (n == 0)
        return {};
    const qsizetype fitting =
        std::isfinite(width) ? qsizetype(std::max(width / slotPerBar, 0.0)) : n;
    const qsizetype target = std::max<qsizetype>(std::min(fitting, n), minimumBarCount);
    const qsizetype step = n < minimumBarCount ? 1 : n / target;

    QList<float> values;
    values.reserve((n + step - 1) / step);
    for (qsizetype start = 0; start < n; start += step) {
        float loudest = 0;
        for (qsizetype i = start; i < std::min(start + step, n); ++i) {
            if (std::isfinite(peaks[i]))
                loudest = std::max(loudest, peaks[i]);
        }
        values.append(loudest);
    }
    const float top = *std::max_element(values.cbegin(), values.cend());
    if (top > 0) {
        for (float& v : values)
            v = float(std::pow(double(v) / double(top), contrastExponent));
    }
    return values;
}

int playedCount(qsizetype barCount, qreal width, qreal progress) {
    if (barCount <= 0)
        return 0;
    const qreal slot = slotWidth(barCount, width);
    const qreal line = width * progress;
    int played = 0;
    while (played < barCount && barCentre(played, slot) <= line)
        ++played;
    return played;
}

QList<Bar> bars(const QList<float>& values, QSizeF size, int played) {
    QList<Bar> result;
    if (values.isEmpty() || size.isEmpty())
        return result;
    const qreal slot = slotWidth(values.size(), size.width());
    const qreal barWidth = std::max(slot * barFill, minimumBarWidth);
    result.reserve(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        const qreal height = size.height() * std::max(qreal(values[i]), minimumBarHeight);
        const QRectF rect(barCentre(i, slot) - barWidth / 2, (size.height() - height) / 2, barWidth,
                          height);
        result.append({rect, std::min(barWidth, height) / 2, barColor(values[i], i < played)});
    }
    return result;
}

QColor barColor(float value, bool played) {
    if (played)
        return withOpacity(Theme::Color::accent, value * opacityPerValue + playedBaseOpacity);
    return withOpacity(Theme::Color::textMutedDark, value * opacityPerValue + unplayedBaseOpacity);
}

} // namespace aru::WaveformBarLayout
