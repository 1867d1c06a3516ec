#include "DownloadRing.h"

#include "Theme.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace aru {

namespace {

constexpr qreal trackOpacity = 0.25;
// QPainter counts arcs in sixteenths of a degree, counter-clockwise from 3 o'clock.
constexpr qreal sixteenths = 16;

} // namespace

DownloadRing::DownloadRing(QQuickItem* parent)
    : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    m_trackColor = Theme::Color::accent;
    m_trackColor.setAlphaF(trackOpacity);

    m_progressAnimation.setDuration(progressAnimationMs);
    m_progressAnimation.setEasingCurve(QEasingCurve::Linear);
    connect(&m_progressAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) {
                m_shownProgress = value.toReal();
                emit shownChanged();
                update();
            });

    // One clockwise turn per period, restarted forever without reversing.
    m_spinAnimation.setStartValue(0.0);
    m_spinAnimation.setEndValue(360.0);
    m_spinAnimation.setDuration(turnMs);
    m_spinAnimation.setEasingCurve(QEasingCurve::Linear);
    m_spinAnimation.setLoopCount(-1);
    connect(&m_spinAnimation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) {
                m_spinAngle = value.toReal();
                emit shownChanged();
                update();
            });

    // Built straight into a window from C++, the ring gets no scene change: look once the
    // construction is over.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (window() && !m_progress)
                startSpinning();
        },
        Qt::QueuedConnection);
}

qreal DownloadRing::arcFraction(std::optional<double> progress) {
    if (!progress)
        return indeterminateFraction;
    // NaN and values outside 0…1 are not progress a transfer can report; keep the arc sane.
    const double value = std::isnan(*progress) ? 0.0 : std::clamp(*progress, 0.0, 1.0);
    return std::max(value, minimumFraction);
}

int DownloadRing::percentFigure(double progress) {
    if (std::isnan(progress))
        return 0;
    // The nudge keeps 0.29 × 100 (28.999… in binary) from showing 28.
    const double figure = std::floor(std::clamp(progress, 0.0, 1.0) * 100.0 + 1e-9);
    return static_cast<int>(figure);
}

QRectF DownloadRing::ringRect(const QSizeF& size, qreal lineWidth) {
    const qreal side = std::max<qreal>(0, std::min(size.width(), size.height()) - lineWidth);
    return QRectF((size.width() - side) / 2, (size.height() - side) / 2, side, side);
}

void DownloadRing::setProgress(std::optional<double> progress) {
    if (progress == m_progress)
        return;
    const bool wasDeterminate = m_progress.has_value();
    m_progress = progress;
    if (!progress) {
        m_progressAnimation.stop();
        if (window())
            startSpinning();
    } else {
        m_spinAnimation.stop();
        const qreal target = arcFraction(progress);
        if (wasDeterminate) {
            m_progressAnimation.stop();
            m_progressAnimation.setStartValue(m_shownProgress);
            m_progressAnimation.setEndValue(target);
            m_progressAnimation.start();
        } else {
            // A new determinate arc replaces the turning one, at its value and from 12 o'clock.
            m_shownProgress = target;
        }
    }
    emit progressChanged();
    emit shownChanged();
    update();
}

void DownloadRing::startSpinning() {
    m_spinAngle = 0;
    m_spinAnimation.start();
    if (!m_spinning) {
        m_spinning = true;
        emit spinningChanged();
    }
}

void DownloadRing::componentComplete() {
    QQuickPaintedItem::componentComplete();
    if (window() && !m_progress)
        startSpinning();
}

void DownloadRing::itemChange(ItemChange change, const ItemChangeData& data) {
    QQuickPaintedItem::itemChange(change, data);
    // While QML builds the ring its progress is not known yet; componentComplete decides.
    if (change != ItemSceneChange || !isComponentComplete())
        return;
    // The indeterminate arc turns while it is on screen.
    if (data.window && !m_progress)
        startSpinning();
    else if (!data.window)
        m_spinAnimation.stop();
}

QVariant DownloadRing::progressValue() const {
    return m_progress ? QVariant(*m_progress) : QVariant();
}

void DownloadRing::setProgressValue(const QVariant& value) {
    bool ok = false;
    const double number = value.toDouble(&ok);
    setProgress(value.isValid() && !value.isNull() && ok ? std::optional<double>(number)
                                                         : std::nullopt);
}

void DownloadRing::setLineWidth(qreal width) {
    if (qFuzzyCompare(m_lineWidth, width))
        return;
    m_lineWidth = width;
    emit lineWidthChanged();
    update();
}

void DownloadRing::setShowsPercent(bool shows) {
    if (m_showsPercent == shows)
        return;
    m_showsPercent = shows;
    emit showsPercentChanged();
    update();
}

void DownloadRing::setTrackColor(const QColor& color) {
    if (m_trackColor == color)
        return;
    m_trackColor = color;
    emit trackColorChanged();
    update();
}

void DownloadRing::setPercentColor(const QColor& color) {
    if (m_percentColor == color)
        return;
    m_percentColor = color;
    emit percentColorChanged();
    update();
}

qreal DownloadRing::shownFraction() const {
    return m_progress ? m_shownProgress : indeterminateFraction;
}

qreal DownloadRing::arcRotation() const {
    return m_progress ? -90 : -90 + m_spinAngle;
}

void DownloadRing::paint(QPainter* painter) {
    const QRectF ring = ringRect(size(), m_lineWidth);
    if (ring.isEmpty())
        return;
    painter->setRenderHint(QPainter::Antialiasing);

    QPen track(m_trackColor, m_lineWidth);
    track.setCapStyle(Qt::FlatCap);
    painter->setPen(track);
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(ring);

    QPen arc(Theme::Color::accent, m_lineWidth);
    arc.setCapStyle(Qt::RoundCap);
    painter->setPen(arc);
    const qreal startDegrees = -arcRotation();
    const qreal spanDegrees = -360.0 * shownFraction();
    painter->drawArc(ring, qRound(startDegrees * sixteenths), qRound(spanDegrees * sixteenths));

    if (!m_progress || !m_showsPercent)
        return;
    const QString text = QString::number(percentFigure(*m_progress));
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setBold(true);
    // Shrinks the figure, down to 60 % of its size, until it fits inside the ring.
    const qreal room = ring.width() - 2 * m_lineWidth;
    const int smallest = qCeil(percentPixelSize * percentMinimumScale);
    for (int pixels = percentPixelSize; pixels >= smallest; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetricsF(font).horizontalAdvance(text) <= room)
            break;
    }
    painter->setFont(font);
    painter->setPen(m_percentColor);
    painter->drawText(QRectF(QPointF(0, 0), size()), Qt::AlignCenter, text);
}

} // namespace aru
