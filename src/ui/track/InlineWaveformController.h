#pragma once

#include "WaveformStripController.h"

#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <optional>

namespace aru {

class WaveformService;

// The waveform strip inside a track row. On the track that is playing it seeks like any strip; on
// any other track the pointer only picks where the row's play button will start it (the row owns
// that start point: the strip reports each pick and shows the value it is given). Its peaks come
// from the waveform service's cache, else from the service's background queue, and arrive when the
// service reports the track loaded.
class InlineWaveformController : public WaveformStripController {
    Q_OBJECT
    QML_ELEMENT

    // The row's start point: a fraction 0…1, or undefined for none.
    Q_PROPERTY(QVariant pendingSeekPercent READ pendingSeekPercentValue WRITE
                   setPendingSeekPercentValue NOTIFY pendingSeekPercentChanged)

public:
    // The shared waveform service.
    explicit InlineWaveformController(QObject* parent = nullptr);

    // Whether the player's current track is this strip's track.
    bool isCurrent() const;
    const std::optional<double>& pendingSeekPercent() const { return m_pendingSeekPercent; }
    void setPendingSeekPercent(std::optional<double> fraction);

signals:
    void pendingSeekPercentChanged();
    // The pointer picked a start point; the row keeps it.
    void pendingSeekPicked(double fraction);

protected:
    bool followsPlayer() const override { return isCurrent(); }
    bool seeksPlayer() const override;
    void pick(double fraction) override;
    qreal idleProgress() const override { return m_pendingSeekPercent.value_or(0); }
    QString idleDurationText() const override;
    void loadPeaks() override;

private:
    QVariant pendingSeekPercentValue() const;
    void setPendingSeekPercentValue(const QVariant& value);
    void waveformsLoaded();

    WaveformService& m_waveforms;
    std::optional<double> m_pendingSeekPercent;
};

} // namespace aru
