#pragma once

#include "Track.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <optional>

namespace aru {

class AppState;
class AudioPlayer;

// One track row's state beside the drag preparation: whether its track is the one playing, the
// start point picked on its waveform, its favourite flag, the moods and metadata it lists, its
// cover, and its actions (play or pause, favourite, licence request). Used by the catalogue row
// and the sidebar row alike; made afresh for every row shown.
class TrackRowController : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_MOC_INCLUDE("AppState.h")

    Q_PROPERTY(aru::Track track READ track WRITE setTrack NOTIFY trackChanged)
    Q_PROPERTY(aru::AppState* appState READ appState WRITE setAppState NOTIFY appStateChanged)
    Q_PROPERTY(bool isCurrent READ isCurrent NOTIFY playbackChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY playbackChanged)
    Q_PROPERTY(bool isFavorite READ isFavorite NOTIFY isFavoriteChanged)
    // A fraction picked on the waveform before the track plays, or undefined.
    Q_PROPERTY(QVariant pendingSeekPercent READ pendingSeekPercentValue WRITE
                   setPendingSeekPercentValue NOTIFY pendingSeekPercentChanged)
    // The moods shown as chips: the first two in the compact layout, four otherwise, as stored.
    Q_PROPERTY(QStringList moodChips READ moodChips NOTIFY moodChipsChanged)
    // The info panel's cells in order, each {label, value}; labels in the interface language.
    Q_PROPERTY(QVariantList infoCells READ infoCells NOTIFY infoCellsChanged)
    // The cover for an Image (through the cover cache), or empty when the track has none.
    Q_PROPERTY(QUrl coverSource READ coverSource NOTIFY trackChanged)
    // The message of the track's failed download while it is shown, else empty.
    Q_PROPERTY(QString downloadError READ downloadError NOTIFY downloadErrorChanged)

public:
    static constexpr int compactMoodChips = 2;
    static constexpr int wideMoodChips = 4;

    explicit TrackRowController(QObject* parent = nullptr);

    const Track& track() const { return m_track; }
    void setTrack(const Track& track);
    AppState* appState() const;
    void setAppState(AppState* state);

    bool isCurrent() const;
    bool isPlaying() const;
    bool isFavorite() const;
    const std::optional<double>& pendingSeekPercent() const { return m_pendingSeekPercent; }
    void setPendingSeekPercent(std::optional<double> fraction);
    QStringList moodChips() const;
    QVariantList infoCells() const;
    QUrl coverSource() const;
    QString downloadError() const;

    // Pauses or resumes the track when it is the player's; else plays it from the picked start
    // point (which is then used up) or from its beginning.
    Q_INVOKABLE void togglePlay();
    Q_INVOKABLE void toggleFavorite();
    // Opens the licence request e-mail in the user's mail program.
    Q_INVOKABLE void openLicenseMail();

signals:
    void trackChanged();
    void appStateChanged();
    void playbackChanged();
    void isFavoriteChanged();
    void pendingSeekPercentChanged();
    void moodChipsChanged();
    void infoCellsChanged();
    void downloadErrorChanged();

private:
    AudioPlayer* player() const;
    QVariant pendingSeekPercentValue() const;
    void setPendingSeekPercentValue(const QVariant& value);
    // Announces the state's values that changed since they were last announced.
    void stateChanged();

    Track m_track;
    QPointer<AppState> m_state;
    std::optional<double> m_pendingSeekPercent;
    // What was last announced, so that rows hear only of their own track's changes.
    bool m_shownCurrent = false;
    bool m_shownPlaying = false;
    bool m_shownFavorite = false;
    QString m_shownError;
};

} // namespace aru
