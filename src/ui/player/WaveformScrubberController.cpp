#include "WaveformScrubberController.h"

#include "AppState.h"
#include "AudioPlayer.h"
#include "DragService.h"
#include "WaveformService.h"

#include <QPointer>

namespace aru {

WaveformScrubberController::WaveformScrubberController(QObject* parent)
    : WaveformStripController(parent) {}

QString WaveformScrubberController::idleDurationText() const {
    return AudioPlayer::formatTime(0);
}

void WaveformScrubberController::loadPeaks() {
    const quint64 generation = ++m_generation;
    setPeaks({});
    if (const auto cached = WaveformService::shared().cached(track().id)) {
        setPeaks(*cached);
        return;
    }
    // Not awaited: the peaks appear when the measurement is done.
    measurePeaks(generation);
}

QCoro::Task<> WaveformScrubberController::measurePeaks(quint64 generation) {
    const QPointer<WaveformScrubberController> self(this);
    const Track track = this->track();
    const QString email = appState()->session()->userEmail();
    const QString token = appState()->session()->userToken();
    const DragService::ProgressCallback noProgress;
    // Plain variables only: GCC 12 mishandles temporaries made inside a co_await expression.
    const auto file = co_await DragService::shared().ensureCached(track, email, token, noProgress);
    if (!self || generation != m_generation || !file)
        co_return;
    const QString path = file->toLocalFile();
    const auto peaks = co_await WaveformService::shared().generatePeaks(path, track.id);
    if (self && generation == m_generation && peaks)
        setPeaks(*peaks);
}

} // namespace aru
