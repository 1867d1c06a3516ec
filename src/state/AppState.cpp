#include "AppState.h"

#include "L10n.h"
#include "SettingsStore.h"

#include <QDir>
#include <QQmlEngine>
#include <QStandardPaths>

namespace aru {

namespace {

constexpr qreal compactPageMargin = 24;
constexpr qreal regularPageMargin = 64;
constexpr const char* engineStateProperty = "_aru_appState";

QVariant optionalText(const std::optional<QString>& value) {
    return value ? QVariant(*value) : QVariant();
}

// QML clears a filter with undefined or null; any other value is taken as its text.
std::optional<QString> optionalText(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    return value.toString();
}

} // namespace

AppState::AppState(SettingsStore& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_downloadFolder(defaultDownloadFolder())
    , m_language(AppLanguages::systemDefault()) {
    connectSearch();
    loadPersistedState();
    // A failure here surfaces later, when a download is written into the folder.
    QDir().mkpath(m_downloadFolder.toLocalFile());
    connectPlayback();
}

AppState::~AppState() = default;

void AppState::exposeTo(QQmlEngine& engine) {
    QJSEngine::setObjectOwnership(this, QJSEngine::CppOwnership);
    engine.setProperty(engineStateProperty, QVariant::fromValue(this));
    // textFor() as a function value bound to this object.
    m_textFunction = engine.newQObject(this).property(QStringLiteral("textFor"));
}

AppState* AppState::create(QQmlEngine* engine, QJSEngine*) {
    auto* state = engine->property(engineStateProperty).value<AppState*>();
    Q_ASSERT_X(state, "AppState::create", "exposeTo() must run before QML uses AppState");
    QJSEngine::setObjectOwnership(state, QJSEngine::CppOwnership);
    return state;
}

QUrl AppState::defaultDownloadFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QUrl::fromLocalFile(QDir(documents).filePath(QStringLiteral("ARU Records")));
}

template <typename T, typename U>
bool AppState::assign(T& field, U&& value, void (AppState::*changed)()) {
    if (field == value)
        return false;
    field = std::forward<U>(value);
    emit(this->*changed)();
    return true;
}

void AppState::setLoggedIn(bool loggedIn) {
    assign(m_isLoggedIn, loggedIn, &AppState::isLoggedInChanged);
}

void AppState::setUserEmail(const QString& email) {
    assign(m_userEmail, email, &AppState::userEmailChanged);
}

void AppState::setUserToken(const QString& token) {
    assign(m_userToken, token, &AppState::userTokenChanged);
}

void AppState::setTracks(const QList<Track>& tracks) {
    assign(m_tracks, tracks, &AppState::tracksChanged);
}

void AppState::setTagLibrary(const std::optional<TagLibrary>& library) {
    assign(m_tagLibrary, library, &AppState::tagLibraryChanged);
}

void AppState::setLoadingCatalog(bool loading) {
    assign(m_isLoadingCatalog, loading, &AppState::isLoadingCatalogChanged);
}

void AppState::setFavorites(const QList<TrackId>& favorites) {
    assign(m_favorites, favorites, &AppState::favoritesChanged);
}

void AppState::setDownloads(const QList<DownloadEntry>& downloads) {
    assign(m_downloads, downloads, &AppState::downloadsChanged);
}

void AppState::setSearchText(const QString& text) {
    assign(m_searchText, text, &AppState::searchTextChanged);
}

void AppState::setSelectedMood(const std::optional<QString>& mood) {
    assign(m_selectedMood, mood, &AppState::selectedMoodChanged);
}

void AppState::setSelectedGenre(const std::optional<QString>& genre) {
    assign(m_selectedGenre, genre, &AppState::selectedGenreChanged);
}

void AppState::setSelectedTempo(const std::optional<QString>& tempo) {
    assign(m_selectedTempo, tempo, &AppState::selectedTempoChanged);
}

void AppState::setSelectedVocal(const std::optional<QString>& vocal) {
    assign(m_selectedVocal, vocal, &AppState::selectedVocalChanged);
}

void AppState::setAiTags(const QStringList& tags) {
    assign(m_aiTags, tags, &AppState::aiTagsChanged);
}

void AppState::setAiSearching(bool searching) {
    assign(m_aiSearching, searching, &AppState::aiSearchingChanged);
}

void AppState::setActiveDownloads(const QSet<TrackId>& ids) {
    assign(m_activeDownloads, ids, &AppState::activeDownloadsChanged);
}

void AppState::setCompletedDownloads(const QSet<TrackId>& ids) {
    assign(m_completedDownloads, ids, &AppState::completedDownloadsChanged);
}

void AppState::setDownloadProgress(const QHash<TrackId, double>& progress) {
    assign(m_downloadProgress, progress, &AppState::downloadProgressChanged);
}

void AppState::setDownloadErrors(const QHash<TrackId, QString>& errors) {
    assign(m_downloadErrors, errors, &AppState::downloadErrorsChanged);
}

void AppState::setDownloadFolder(const QUrl& folder) {
    assign(m_downloadFolder, folder, &AppState::downloadFolderChanged);
}

void AppState::setTheme(AppTheme theme) {
    assign(m_theme, theme, &AppState::themeChanged);
}

void AppState::setLanguage(AppLanguage language) {
    assign(m_language, language, &AppState::languageChanged);
    m_settings.setString(QStringLiteral("aru.lang"), AppLanguages::rawValue(m_language));
}

qreal AppState::pageH() const {
    return m_isCompact ? compactPageMargin : regularPageMargin;
}

qreal AppState::pageTrailing() const {
    return regularPageMargin;
}

void AppState::updateLayout(qreal width) {
    assign(m_isCompact, width < compactBreakpoint, &AppState::isCompactChanged);
}

QString AppState::t(const QString& key) const {
    return L10n::t(key, m_language);
}

QVariant AppState::tagLibraryValue() const {
    return m_tagLibrary ? QVariant::fromValue(*m_tagLibrary) : QVariant();
}

QVariant AppState::selectedMoodValue() const {
    return optionalText(m_selectedMood);
}
void AppState::setSelectedMoodValue(const QVariant& value) {
    setSelectedMood(optionalText(value));
}
QVariant AppState::selectedGenreValue() const {
    return optionalText(m_selectedGenre);
}
void AppState::setSelectedGenreValue(const QVariant& value) {
    setSelectedGenre(optionalText(value));
}
QVariant AppState::selectedTempoValue() const {
    return optionalText(m_selectedTempo);
}
void AppState::setSelectedTempoValue(const QVariant& value) {
    setSelectedTempo(optionalText(value));
}
QVariant AppState::selectedVocalValue() const {
    return optionalText(m_selectedVocal);
}
void AppState::setSelectedVocalValue(const QVariant& value) {
    setSelectedVocal(optionalText(value));
}

QString AppState::themeRawValue() const {
    return AppThemes::rawValue(m_theme);
}

QString AppState::languageRawValue() const {
    return AppLanguages::rawValue(m_language);
}

void AppState::setLanguageRawValue(const QString& raw) {
    if (const auto language = AppLanguages::fromRawValue(raw))
        setLanguage(*language);
}

} // namespace aru
