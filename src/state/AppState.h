#pragma once

#include "AppLanguage.h"
#include "AppTheme.h"
#include "AudioPlayer.h"
#include "Cancellation.h"
#include "CatalogSearchIndex.h"
#include "DownloadEntry.h"
#include "TagLibrary.h"
#include "Track.h"
#include "TrackListModel.h"

#include <QCoroTask>
#include <QHash>
#include <QJSValue>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUrl>
#include <QVariant>
#include <QtQmlIntegration>
#include <chrono>
#include <functional>
#include <optional>

class QQmlEngine;
class QJSEngine;

namespace aru {

class SettingsStore;

// The one object that holds everything the window shows and changes: the session, the
// catalogue, the search and filter choices, favourites, download bookkeeping and history, the
// download folder, the theme and the interface language. Lives on the main thread for the whole
// run; every observed field notifies only when its value really changes.
class AppState : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(bool isCompact READ isCompact NOTIFY isCompactChanged)
    Q_PROPERTY(bool isLoggedIn READ isLoggedIn WRITE setLoggedIn NOTIFY isLoggedInChanged)
    Q_PROPERTY(QString userEmail READ userEmail WRITE setUserEmail NOTIFY userEmailChanged)
    Q_PROPERTY(QList<aru::Track> tracks READ tracks NOTIFY tracksChanged)
    Q_PROPERTY(QVariant tagLibrary READ tagLibraryValue NOTIFY tagLibraryChanged)
    Q_PROPERTY(bool isLoadingCatalog READ isLoadingCatalog WRITE setLoadingCatalog NOTIFY
                   isLoadingCatalogChanged)
    Q_PROPERTY(QList<qint64> favorites READ favorites NOTIFY favoritesChanged)
    Q_PROPERTY(QList<aru::DownloadEntry> downloads READ downloads NOTIFY downloadsChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    // The four filters read as undefined in QML when none is chosen.
    Q_PROPERTY(QVariant selectedMood READ selectedMoodValue WRITE setSelectedMoodValue NOTIFY
                   selectedMoodChanged)
    Q_PROPERTY(QVariant selectedGenre READ selectedGenreValue WRITE setSelectedGenreValue NOTIFY
                   selectedGenreChanged)
    Q_PROPERTY(QVariant selectedTempo READ selectedTempoValue WRITE setSelectedTempoValue NOTIFY
                   selectedTempoChanged)
    Q_PROPERTY(QVariant selectedVocal READ selectedVocalValue WRITE setSelectedVocalValue NOTIFY
                   selectedVocalChanged)
    Q_PROPERTY(QStringList aiTags READ aiTags NOTIFY aiTagsChanged)
    Q_PROPERTY(bool aiSearching READ aiSearching NOTIFY aiSearchingChanged)
    Q_PROPERTY(QUrl downloadFolder READ downloadFolder WRITE setDownloadFolder NOTIFY
                   downloadFolderChanged)
    Q_PROPERTY(QString theme READ themeRawValue NOTIFY themeChanged)
    Q_PROPERTY(
        QString language READ languageRawValue WRITE setLanguageRawValue NOTIFY languageChanged)
    // QML looks texts up as AppState.t(key): reading the property ties each binding to the
    // language, so every text follows a language change.
    Q_PROPERTY(QJSValue t READ textFunction NOTIFY languageChanged)
    Q_PROPERTY(qreal pageH READ pageH NOTIFY isCompactChanged)
    Q_PROPERTY(qreal pageTrailing READ pageTrailing CONSTANT)
    // Search results: follow the catalogue, the search text, the four filters and aiTags. The two
    // lists are models that update in place, so views bind to them and never recompute.
    Q_PROPERTY(QStringList semanticTags READ semanticTags NOTIFY semanticTagsChanged)
    Q_PROPERTY(QStringList allSemanticTags READ allSemanticTags NOTIFY allSemanticTagsChanged)
    Q_PROPERTY(bool hasActiveSearch READ hasActiveSearch NOTIFY hasActiveSearchChanged)
    Q_PROPERTY(aru::TrackListModel* filteredTracks READ filteredTracksModel CONSTANT)
    Q_PROPERTY(aru::TrackListModel* suggestedTracks READ suggestedTracksModel CONSTANT)

public:
    static constexpr qreal compactBreakpoint = 960;

    // Builds the state from the given store: restores the saved session and settings and
    // creates the download folder.
    explicit AppState(SettingsStore& settings, QObject* parent = nullptr);
    ~AppState() override;

    // Makes this object the `AppState` singleton of the engine's QML module, owned by C++.
    void exposeTo(QQmlEngine& engine);
    static AppState* create(QQmlEngine* engine, QJSEngine*);

    // Session
    bool isLoggedIn() const { return m_isLoggedIn; }
    void setLoggedIn(bool loggedIn);
    QString userEmail() const { return m_userEmail; }
    void setUserEmail(const QString& email);
    QString userToken() const { return m_userToken; }
    void setUserToken(const QString& token);

    // Catalogue
    const QList<Track>& tracks() const { return m_tracks; }
    void setTracks(const QList<Track>& tracks);
    const std::optional<TagLibrary>& tagLibrary() const { return m_tagLibrary; }
    void setTagLibrary(const std::optional<TagLibrary>& library);
    bool isLoadingCatalog() const { return m_isLoadingCatalog; }
    void setLoadingCatalog(bool loading);

    // Favourites and history
    const QList<TrackId>& favorites() const { return m_favorites; }
    void setFavorites(const QList<TrackId>& favorites);
    const QList<DownloadEntry>& downloads() const { return m_downloads; }
    void setDownloads(const QList<DownloadEntry>& downloads);

    // Search and filters
    QString searchText() const { return m_searchText; }
    void setSearchText(const QString& text);
    const std::optional<QString>& selectedMood() const { return m_selectedMood; }
    void setSelectedMood(const std::optional<QString>& mood);
    const std::optional<QString>& selectedGenre() const { return m_selectedGenre; }
    void setSelectedGenre(const std::optional<QString>& genre);
    const std::optional<QString>& selectedTempo() const { return m_selectedTempo; }
    void setSelectedTempo(const std::optional<QString>& tempo);
    const std::optional<QString>& selectedVocal() const { return m_selectedVocal; }
    void setSelectedVocal(const std::optional<QString>& vocal);
    QStringList aiTags() const { return m_aiTags; }
    void setAiTags(const QStringList& tags);
    bool aiSearching() const { return m_aiSearching; }
    void setAiSearching(bool searching);

    // Download bookkeeping
    const QSet<TrackId>& activeDownloads() const { return m_activeDownloads; }
    void setActiveDownloads(const QSet<TrackId>& ids);
    const QSet<TrackId>& completedDownloads() const { return m_completedDownloads; }
    void setCompletedDownloads(const QSet<TrackId>& ids);
    const QHash<TrackId, double>& downloadProgress() const { return m_downloadProgress; }
    void setDownloadProgress(const QHash<TrackId, double>& progress);
    const QHash<TrackId, QString>& downloadErrors() const { return m_downloadErrors; }
    void setDownloadErrors(const QHash<TrackId, QString>& errors);
    QUrl downloadFolder() const { return m_downloadFolder; }
    void setDownloadFolder(const QUrl& folder);

    // Appearance and language
    bool isCompact() const { return m_isCompact; }
    AppTheme theme() const { return m_theme; }
    AppLanguage language() const { return m_language; }
    // Stores the choice at once.
    void setLanguage(AppLanguage language);
    qreal pageH() const;
    qreal pageTrailing() const;

    // Applies the stored settings; run by the constructor.
    void loadPersistedState();
    // Writes the session, favourites, history, download folder and theme.
    Q_INVOKABLE void persist();
    // Ends the session; the catalogue, favourites, history and filters stay.
    Q_INVOKABLE void logout();
    // Called with the catalogue screen's width whenever it changes.
    Q_INVOKABLE void updateLayout(qreal width);
    // Favourites: a toggle changes the local list at once, saves it, and tells the server in
    // the background (a refusal is logged, not undone).
    Q_INVOKABLE void toggleFavorite(qint64 trackId);
    // Replaces the favourites with the server's list, first uploading the local list when the
    // server has none. Does nothing while signed out or when the server cannot be read.
    QCoro::Task<> refreshFavoritesFromServer();

    // The interface text for the key in the current language.
    QString t(const QString& key) const;
    // The same for QML code that holds a key in a variable and has no binding to update.
    Q_INVOKABLE QString textFor(const QString& key) const { return t(key); }

    // The Documents folder with "ARU Records" appended.
    static QUrl defaultDownloadFolder();

    // Search and suggestions (AppStateSearch.cpp)
    using InterpretSearch = std::function<QCoro::Task<std::optional<QStringList>>(
        QString query, QStringList availableTags, QPointer<Cancellation> cancellation)>;
    // The pause in typing after which the server is asked to interpret the text.
    static constexpr std::chrono::milliseconds aiSearchDebounce{600};

    // The vocabulary's tags for the search text.
    QStringList semanticTags() const;
    // semanticTags, or the server's tags when the vocabulary knows nothing of the text.
    QStringList allSemanticTags() const;
    // Search text (white space included) or any filter set.
    bool hasActiveSearch() const;
    // The catalogue narrowed by the search text and the filters, in catalogue order. Always
    // current, even before the models have caught up with a change.
    QList<Track> filteredTracks() const;
    // At most 20 tracks ranked by how well they match; equal scores keep catalogue order.
    QList<Track> suggestedTracks() const;
    // The same lists for views; they follow changes on the next turn of the event loop, so a
    // burst of changes costs one update.
    TrackListModel* filteredTracksModel() const { return m_filteredModel; }
    TrackListModel* suggestedTracksModel() const { return m_suggestedModel; }
    // Called whenever the search text changes: drops any pending interpretation, and when the
    // vocabulary knows nothing of the text asks the server after a pause in typing.
    Q_INVOKABLE void refreshAISearch();
    // Every distinct mood, genre, tempo, theme and instrument of the tracks, in first-seen order,
    // without the empty text.
    static QStringList collectAvailableTags(const QList<Track>& tracks);
    // Replaces the server call (tests).
    void setInterpretSearch(InterpretSearch interpret);

    // Track downloads and history (AppStateDownloads.cpp). QML reads the sets as lists of ids
    // and the maps keyed by the id's decimal text.
    Q_PROPERTY(QVariantList activeDownloads READ activeDownloadsValue NOTIFY activeDownloadsChanged)
    Q_PROPERTY(QVariantList completedDownloads READ completedDownloadsValue NOTIFY
                   completedDownloadsChanged)
    Q_PROPERTY(
        QVariantMap downloadProgress READ downloadProgressValue NOTIFY downloadProgressChanged)
    Q_PROPERTY(QVariantMap downloadErrors READ downloadErrorsValue NOTIFY downloadErrorsChanged)

public:
    // Receives a transfer's progress from any thread: absent while the size is unknown.
    using DownloadProgressReporter = std::function<void(std::optional<double>)>;
    // How long a failed download's message stays in downloadErrors.
    static constexpr std::chrono::milliseconds downloadErrorLifetime{4000};
    static constexpr qsizetype downloadHistoryLimit = 200;

    // Downloads the track's WAV into the download folder under its suggested file name,
    // replacing a file of that name. Returns the saved file's URL; nothing when a download of
    // the track is already running (the first continues) or when it failed (the message then
    // sits in downloadErrors for downloadErrorLifetime).
    QCoro::Task<std::optional<QUrl>> downloadTrack(Track track);
    // Puts a fresh history entry for the track at the front, dropping its older one, and saves.
    void recordDownload(const Track& track);
    // A callback that publishes the track's progress on the main thread. Callable from any
    // thread; does nothing once the state is gone or endProgress ended this round of reports.
    DownloadProgressReporter progressReporter(TrackId id);
    // Publishes the fraction rounded down to hundredths; an absent fraction changes nothing.
    void setProgress(TrackId id, std::optional<double> fraction);
    // Removes the track's progress; reports still on their way from earlier reporters are
    // dropped, so a finished transfer never shows progress again.
    Q_INVOKABLE void endProgress(qint64 id);
    // "Downloading…", followed by the whole per-cent figure once a fraction is known.
    Q_INVOKABLE QString downloadHelp(qint64 id) const;
    // The whole per-cent figure of the track's published progress; none while none is known.
    std::optional<int> downloadPercent(TrackId id) const;

private:
    QVariantList activeDownloadsValue() const;
    QVariantList completedDownloadsValue() const;
    QVariantMap downloadProgressValue() const;
    QVariantMap downloadErrorsValue() const;
    // Logs the failure, shows its message for downloadErrorLifetime and ends the download.
    void failDownload(const Track& track, const QString& message);
    void finishDownload(TrackId id);
    // Per track, how many times its progress was ended: a reporter applies its values only
    // while the count it was created with is still current.
    QHash<TrackId, quint64> m_progressRounds;

signals:
    void isCompactChanged();
    void isLoggedInChanged();
    void userEmailChanged();
    void userTokenChanged();
    void tracksChanged();
    void tagLibraryChanged();
    void isLoadingCatalogChanged();
    void favoritesChanged();
    void downloadsChanged();
    void searchTextChanged();
    void selectedMoodChanged();
    void selectedGenreChanged();
    void selectedTempoChanged();
    void selectedVocalChanged();
    void aiTagsChanged();
    void aiSearchingChanged();
    void activeDownloadsChanged();
    void completedDownloadsChanged();
    void downloadProgressChanged();
    void downloadErrorsChanged();
    void downloadFolderChanged();
    void themeChanged();
    void languageChanged();
    void semanticTagsChanged();
    void allSemanticTagsChanged();
    void hasActiveSearchChanged();

private:
    // Assigns and notifies only when the value differs.
    template <typename T, typename U> bool assign(T& field, U&& value, void (AppState::*changed)());

    void setTheme(AppTheme theme);
    QVariant tagLibraryValue() const;
    QVariant selectedMoodValue() const;
    void setSelectedMoodValue(const QVariant& value);
    QVariant selectedGenreValue() const;
    void setSelectedGenreValue(const QVariant& value);
    QVariant selectedTempoValue() const;
    void setSelectedTempoValue(const QVariant& value);
    QVariant selectedVocalValue() const;
    void setSelectedVocalValue(const QVariant& value);
    QJSValue textFunction() const { return m_textFunction; }
    QString themeRawValue() const;
    QString languageRawValue() const;
    void setLanguageRawValue(const QString& raw);

    SettingsStore& m_settings;
    QJSValue m_textFunction;

    bool m_isCompact = false;
    bool m_isLoggedIn = false;
    QString m_userEmail;
    QString m_userToken;
    QList<Track> m_tracks;
    std::optional<TagLibrary> m_tagLibrary;
    bool m_isLoadingCatalog = false;
    QList<TrackId> m_favorites;
    QList<DownloadEntry> m_downloads;
    QString m_searchText;
    std::optional<QString> m_selectedMood;
    std::optional<QString> m_selectedGenre;
    std::optional<QString> m_selectedTempo;
    std::optional<QString> m_selectedVocal;
    QStringList m_aiTags;
    bool m_aiSearching = false;
    QSet<TrackId> m_activeDownloads;
    QSet<TrackId> m_completedDownloads;
    QHash<TrackId, double> m_downloadProgress;
    QHash<TrackId, QString> m_downloadErrors;
    QUrl m_downloadFolder;
    AppTheme m_theme = AppTheme::Dark;
    AppLanguage m_language;

    // Search and suggestions (AppStateSearch.cpp)
    void connectSearch();
    void searchTextOrTagsChanged();
    void filtersChanged();
    void schedulePublishSearch();
    void publishSearch();
    CatalogSearchIndex::Query currentSearchQuery() const;
    const CatalogSearchIndex::Result& searchResult() const;
    QList<Track> tracksAt(const QList<int>& rows) const;
    const QStringList& availableTags();
    QCoro::Task<> interpretAfterPause(QString query, quint64 generation);

    // Built from m_indexedTracks on first use after the catalogue changes; the result is kept
    // for the query it answers.
    mutable QList<Track> m_indexedTracks;
    mutable std::optional<CatalogSearchIndex> m_searchIndex;
    mutable std::optional<CatalogSearchIndex::Query> m_resultQuery;
    mutable CatalogSearchIndex::Result m_searchResult;
    bool m_publishPending = false;
    TrackListModel* m_filteredModel = nullptr;
    TrackListModel* m_suggestedModel = nullptr;
    // What observers were last told, so they hear only of real changes.
    QStringList m_notifiedSemanticTags;
    QStringList m_notifiedAllSemanticTags;
    bool m_notifiedHasActiveSearch = false;
    QList<Track> m_availableTagsTracks;
    QStringList m_availableTags;
    InterpretSearch m_interpretSearch;
    // Bumped by every refreshAISearch(), so a superseded task knows it must not write.
    quint64 m_aiSearchGeneration = 0;
    QPointer<Cancellation> m_aiSearchCancellation;

    // Playback order (AppStatePlayback.cpp)
    Q_PROPERTY(aru::AudioPlayer* audioPlayer READ audioPlayer CONSTANT)

public:
    // The one preview player, made with this object and never replaced; screens take it here.
    AudioPlayer* audioPlayer() const { return m_audioPlayer; }
    // Play the track after (before) the player's current one in the filtered list as it is now,
    // from its start: after the last comes the first. The first track when the player's track
    // is not in the list; nothing when the list is empty.
    Q_INVOKABLE void playNext();
    Q_INVOKABLE void playPrevious();

private:
    // Makes the player and lets the end of each track play the next one; run by the constructor.
    void connectPlayback();
    void playNeighbour(qsizetype step);

    AudioPlayer* m_audioPlayer = nullptr;
};

} // namespace aru
