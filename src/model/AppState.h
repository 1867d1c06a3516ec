#pragma once

#include "AppLanguage.h"
#include "AppTheme.h"
#include "DownloadEntry.h"
#include "TagLibrary.h"
#include "Track.h"

#include <QCoroTask>
#include <QHash>
#include <QJSValue>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUrl>
#include <QVariant>
#include <QtQmlIntegration>
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
};

} // namespace aru
