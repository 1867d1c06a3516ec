// Restoring and saving the state's persisted fields.
#include "AppState.h"
#include "JsonFields.h"
#include "SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace aru {

namespace {

const QString emailKey = QStringLiteral("aru.user.email");
const QString tokenKey = QStringLiteral("aru.user.token");
const QString favoritesKey = QStringLiteral("aru.favorites");
const QString downloadsKey = QStringLiteral("aru.downloads");
const QString folderKey = QStringLiteral("aru.download.folder");
const QString themeKey = QStringLiteral("aru.theme");
const QString languageKey = QStringLiteral("aru.lang");

// The stored favourites: a JSON array of integers, e.g. [12,7]. Anything else is ignored.
std::optional<QList<TrackId>> decodeFavorites(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<TrackId> ids;
    const QJsonArray array = document.array();
    ids.reserve(array.size());
    for (const QJsonValue& value : array) {
        const auto id = JsonFields::integer(value);
        if (!id)
            return std::nullopt;
        ids.append(*id);
    }
    return ids;
}

QByteArray encodeFavorites(const QList<TrackId>& ids) {
    QJsonArray array;
    for (const TrackId id : ids)
        array.append(id);
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

} // namespace

void AppState::loadPersistedState() {
    setUserEmail(m_settings.string(emailKey).value_or(QString()));
    setUserToken(m_settings.string(tokenKey).value_or(QString()));
    // The token is not checked with the server here: a stored session starts signed in.
    setLoggedIn(!m_userToken.isEmpty());

    if (const auto bytes = m_settings.bytes(favoritesKey)) {
        if (const auto favorites = decodeFavorites(*bytes))
            setFavorites(*favorites);
    }
    if (const auto bytes = m_settings.bytes(downloadsKey)) {
        const auto history = DownloadEntry::listFromJson(*bytes);
        if (history)
            setDownloads(history.value());
    }
    // The stored path is used as it is, even when the folder no longer exists.
    if (const auto path = m_settings.string(folderKey); path && !path->isEmpty())
        setDownloadFolder(QUrl::fromLocalFile(*path));
    if (const auto raw = m_settings.string(themeKey)) {
        if (const auto theme = AppThemes::fromRawValue(*raw))
            setTheme(*theme);
    }
    if (const auto raw = m_settings.string(languageKey)) {
        if (const auto language = AppLanguages::fromRawValue(*raw))
            setLanguage(*language);
    }
}

void AppState::persist() {
    m_settings.setString(emailKey, m_userEmail);
    m_settings.setString(tokenKey, m_userToken);
    m_settings.setBytes(favoritesKey, encodeFavorites(m_favorites));
    m_settings.setBytes(downloadsKey, DownloadEntry::listToJson(m_downloads));
    m_settings.setString(folderKey, m_downloadFolder.toLocalFile());
    m_settings.setString(themeKey, AppThemes::rawValue(m_theme));
}

void AppState::logout() {
    setLoggedIn(false);
    setUserEmail(QString());
    setUserToken(QString());
    persist();
}

} // namespace aru
