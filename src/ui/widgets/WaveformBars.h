#pragma once

#include "PeakExtraction.h"

#include <QList>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

namespace aru {

// A track's waveform as rounded vertical bars, the played part in the accent: painted into one
// picture, so the scene graph draws one textured rectangle whatever the number of bars. Stateless
// beyond its inputs and without input handling; the strips around it do the seeking.
//
// Progress moves every half second while a track plays, but only a bar that changes colour
// changes the picture: the bars are handed to the renderer again only when the peaks, the size or
// the number of played bars change.
class WaveformBars : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QList<float> peaks READ peaks WRITE setPeaks NOTIFY peaksChanged)
    // The fraction played or selected, 0…1 (a little more at the very end is harmless).
    Q_PROPERTY(qreal progress READ progress WRITE setProgress NOTIFY progressChanged)
    // What is drawn: the number of bars and how many of them, from the left, are played.
    Q_PROPERTY(int barCount READ barCount NOTIFY barsChanged)
    Q_PROPERTY(int playedCount READ playedCount NOTIFY barsChanged)

public:
    explicit WaveformBars(QQuickItem* parent = nullptr);

    const Peaks& peaks() const { return m_peaks; }
    void setPeaks(const Peaks& peaks);
    qreal progress() const { return m_progress; }
    void setProgress(qreal progress);
    int barCount() const { return int(m_values.size()); }
    int playedCount() const { return m_played; }

signals:
    void peaksChanged();
    void progressChanged();
    // The picture changed and is drawn again.
    void barsChanged();

protected:
    QSGNode* updatePaintNode(QSGNode* oldNode, UpdatePaintNodeData*) override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    // Recomputes the bars from the peaks and the width, then asks for a new picture.
    void relayout();
    void updatePlayed();
    void redraw();

    Peaks m_peaks;
    qreal m_progress = 0;
    QList<float> m_values;
    int m_played = 0;
};

} // namespace aru
