#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <QVariantAnimation>
#include <QtQml/qqmlregistration.h>
#include <optional>

namespace aru {

// A circular download-progress ring filling the square its parent gives it. With a progress it
// draws an accent arc from 12 o'clock clockwise over that fraction (never less than a 3 % sliver),
// easing to each new value; without one (`progress` undefined or null) a short arc turns clockwise
// once every 0.9 s for as long as the extent is unknown.
class DownloadRing : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT

    // A number in 0…1, or undefined/null while the extent is unknown.
    Q_PROPERTY(QVariant progress READ progressValue WRITE setProgressValue NOTIFY progressChanged)
    Q_PROPERTY(qreal lineWidth READ lineWidth WRITE setLineWidth NOTIFY lineWidthChanged)
    Q_PROPERTY(bool showsPercent READ showsPercent WRITE setShowsPercent NOTIFY showsPercentChanged)
    Q_PROPERTY(QColor trackColor READ trackColor WRITE setTrackColor NOTIFY trackColorChanged)
    Q_PROPERTY(
        QColor percentColor READ percentColor WRITE setPercentColor NOTIFY percentColorChanged)
    // Set once the indeterminate arc has first been shown in a window; never cleared.
    Q_PROPERTY(bool spinning READ spinning NOTIFY spinningChanged)
    // What is drawn right now: the arc's length as a fraction of the circle and where it starts
    // (degrees clockwise from 3 o'clock). Both move while an animation runs.
    Q_PROPERTY(qreal shownFraction READ shownFraction NOTIFY shownChanged)
    Q_PROPERTY(qreal arcRotation READ arcRotation NOTIFY shownChanged)

public:
    static constexpr qreal defaultLineWidth = 1.6;
    static constexpr qreal minimumFraction = 0.03;
    static constexpr qreal indeterminateFraction = 0.28;
    static constexpr int progressAnimationMs = 200;
    static constexpr int turnMs = 900;
    // The figure's type size, in the interface's logical units.
    static constexpr int percentPixelSize = 8;
    static constexpr qreal percentMinimumScale = 0.6;

    explicit DownloadRing(QQuickItem* parent = nullptr);

    // The arc's length for a progress (none: the indeterminate arc).
    static qreal arcFraction(std::optional<double> progress);
    // The whole per-cent figure shown for a progress, without a sign: 0.426 shows 42.
    static int percentFigure(double progress);
    // The circle the strokes follow: the largest centred square, inset by half the line width so
    // the stroke is never clipped.
    static QRectF ringRect(const QSizeF& size, qreal lineWidth);

    std::optional<double> progress() const { return m_progress; }
    void setProgress(std::optional<double> progress);
    qreal lineWidth() const { return m_lineWidth; }
    void setLineWidth(qreal width);
    bool showsPercent() const { return m_showsPercent; }
    void setShowsPercent(bool shows);
    QColor trackColor() const { return m_trackColor; }
    void setTrackColor(const QColor& color);
    QColor percentColor() const { return m_percentColor; }
    void setPercentColor(const QColor& color);
    bool spinning() const { return m_spinning; }
    qreal shownFraction() const;
    qreal arcRotation() const;

    void paint(QPainter* painter) override;

protected:
    void componentComplete() override;
    void itemChange(ItemChange change, const ItemChangeData& data) override;

signals:
    void progressChanged();
    void lineWidthChanged();
    void showsPercentChanged();
    void trackColorChanged();
    void percentColorChanged();
    void spinningChanged();
    void shownChanged();

private:
    QVariant progressValue() const;
    void setProgressValue(const QVariant& value);
    void startSpinning();

    std::optional<double> m_progress;
    qreal m_lineWidth = defaultLineWidth;
    bool m_showsPercent = false;
    QColor m_trackColor;
    QColor m_percentColor = Qt::white;
    bool m_spinning = false;
    // The determinate arc's drawn progress, eased towards m_progress.
    qreal m_shownProgress = 0;
    qreal m_spinAngle = 0;
    QVariantAnimation m_progressAnimation;
    QVariantAnimation m_spinAnimation;
};

} // namespace aru
