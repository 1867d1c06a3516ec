#pragma once

#include "PeakExtraction.h"
#include "Track.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QQmlParserStatus>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <optional>

namespace aru {

class AppState;
class AudioPlayer;

// What a waveform strip shows of the shared player and what a press, drag and release on its bars
// do: while the strip follows the player, the bars and the position text follow the pointer during
// a drag and the audio seeks on release. The two strips (the row's inline one and the player
// bar's scrubber) add where their peaks come from and what the pointer does otherwise.
//
// The peaks are loaded once the strip is complete (a strip made by QML once all its properties
// are set) and again whenever its track changes.
class WaveformStripController : public QObject, public QQmlParserStatus {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("A strip is an InlineWaveformController or a WaveformScrubberController")
    Q_INTERFACES(QQmlParserStatus)
    Q_MOC_INCLUDE("AppState.h")

    Q_PROPERTY(aru::Track track READ track WRITE setTrack NOTIFY trackChanged)
    Q_PROPERTY(aru::AppState* appState READ appState WRITE setAppState NOTIFY appStateChanged)
    Q_PROPERTY(QList<float> peaks READ peaks NOTIFY peaksChanged)
    Q_PROPERTY(bool hasPeaks READ hasPeaks NOTIFY peaksChanged)
    // The fraction the bars colour up to; while following the player it may pass 1 slightly.
    Q_PROPERTY(qreal progress READ progress NOTIFY shownChanged)
    Q_PROPERTY(QString positionText READ positionText NOTIFY shownChanged)
    Q_PROPERTY(QString durationText READ durationText NOTIFY shownChanged)

public:
    // The fraction of the strip under the pointer: x / width, limited to 0…1 (0 on a strip with no
    // width).
    static double pointerFraction(qreal x, qreal width);
    // Where a strip that follows the player stands: the position being dragged to, else the
    // player's, over the length; 0 while the length is unknown.
    static double followingProgress(std::optional<double> scrubValue, double currentTime,
                                    double duration);

    explicit WaveformStripController(QObject* parent = nullptr);

    const Track& track() const { return m_track; }
    void setTrack(const Track& track);
    AppState* appState() const;
    void setAppState(AppState* state);
    const Peaks& peaks() const { return m_peaks; }
    bool hasPeaks() const { return !m_peaks.isEmpty(); }
    qreal progress() const;
    QString positionText() const;
    QString durationText() const;
    const std::optional<double>& scrubValue() const { return m_scrubValue; }

    // The pointer pressed or moved to `x` on a strip `width` wide.
    Q_INVOKABLE void dragTo(qreal x, qreal width);
    // The pointer released at `x`.
    Q_INVOKABLE void release(qreal x, qreal width);
    // The drag was taken away (the window lost the pointer): nothing seeks.
    Q_INVOKABLE void cancelDrag();

    void classBegin() override;
    void componentComplete() override;

signals:
    void trackChanged();
    void appStateChanged();
    void peaksChanged();
    void shownChanged();

protected:
    // Whether the strip shows the player's position and length (else its idle look).
    virtual bool followsPlayer() const = 0;
    // Whether a drag and a release move the audio; else they go to pick().
    virtual bool seeksPlayer() const = 0;
    // A position picked while not seeking.
    virtual void pick(double fraction) = 0;
    // The bars' fraction and the length text while not following the player.
    virtual qreal idleProgress() const = 0;
    virtual QString idleDurationText() const = 0;
    // Starts getting the track's peaks, clearing those of a previous track. Called once the strip
    // is complete and has its track and the state, and again for every other track.
    virtual void loadPeaks() = 0;

    AudioPlayer* player() const;
    void setPeaks(const Peaks& peaks);
    // Re-announces what the strip shows after any of its inputs changed.
    void refresh();

private:
    void setScrubValue(std::optional<double> value);
    // Loads the peaks once the strip is complete and has both its track and the state.
    void reloadPeaks();

    Track m_track;
    bool m_hasTrack = false;
    QPointer<AppState> m_state;
    Peaks m_peaks;
    std::optional<double> m_scrubValue;
    // True unless QML is still setting the initial properties.
    bool m_complete = true;
    // What was last announced, so that only real changes notify.
    qreal m_shownProgress = 0;
    QString m_shownPosition;
    QString m_shownDuration;
};

} // namespace aru
