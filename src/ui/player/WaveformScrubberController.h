#pragma once

#include "WaveformStripController.h"

#include <QCoroTask>
#include <QtQml/qqmlregistration.h>

namespace aru {

// The sticky player's waveform of the current track: it always follows the player and always
// seeks. Its peaks come from the waveform service's cache, else from measuring a local copy of
// the track's WAV (the drag cache's, downloaded if need be); it never asks the server for peaks.
// A result that arrives after the track changed is dropped.
class WaveformScrubberController : public WaveformStripController {
    Q_OBJECT
    QML_ELEMENT

public:
    explicit WaveformScrubberController(QObject* parent = nullptr);

protected:
    bool followsPlayer() const override { return true; }
    bool seeksPlayer() const override { return true; }
    void pick(double) override {}
    qreal idleProgress() const override { return 0; }
    QString idleDurationText() const override;
    void loadPeaks() override;

private:
    QCoro::Task<> measurePeaks(quint64 generation);

    // Counts the loads, so a late answer can tell that it is stale.
    quint64 m_generation = 0;
};

} // namespace aru
