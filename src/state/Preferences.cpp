#include "Preferences.h"

#include "ChangeNotification.h"
#include "L10n.h"
#include "SettingsStore.h"

#include <QDir>
#include <QJSEngine>
#include <QStandardPaths>

namespace aru {

namespace {

const QString languageKey = QStringLiteral("aru.lang");
const QString themeKey = QStringLiteral("aru.theme");
const QString folderKey = QStringLiteral("aru.download.folder");

} // namespace

Preferences::Preferences(SettingsStore& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_language(AppLanguages::systemDefault())
    , m_downloadFolder(defaultDownloadFolder()) {
    restore();
    // A failure here surfaces later, when a download is written into the folder.
    QDir().mkpath(m_downloadFolder.toLocalFile());
}

void Preferences::restore() {
    // The stored path is used as it is, even when the folder no longer exists.
    if (const auto path = m_settings.string(folderKey); path && !path->isEmpty())
        m_downloadFolder = QUrl::fromLocalFile(*path);
    const auto storedTheme = m_settings.string(themeKey);
    if (const auto theme = storedTheme ? AppThemes::fromRawValue(*storedTheme) : std::nullopt)
        m_theme = *theme;
    else // Nothing changes the theme while the app runs; the store always holds the one in use.
        m_settings.setString(themeKey, AppThemes::rawValue(m_theme));
    // Assigned through the setter, so the language in use is stored back at once.
    if (const auto raw = m_settings.string(languageKey)) {
        if (const auto language = AppLanguages::fromRawValue(*raw))
            setLanguage(*language);
    }
}

QUrl Preferences::defaultDownloadFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QUrl::fromLocalFile(QDir(documents).filePath(QStringLiteral("ARU Records")));
}

void Preferences::setLanguage(AppLanguage language) {
    assignAndNotify(this, m_language, language, &Preferences::languageChanged);
    m_settings.setString(languageKey, AppLanguages::rawValue(m_language));
}

void Preferences::setDownloadFolder(const QUrl& folder) {
    if (assignAndNotify(this, m_downloadFolder, folder, &Preferences::downloadFolderChanged))
        m_settings.setString(folderKey, m_downloadFolder.toLocalFile());
}

QString Preferences::t(const QString& key) const {
    return L10n::t(key, m_language);
}

QString Preferences::translateTag(const QString& tag) const {
    return L10n::translateTag(tag, m_language);
}

void Preferences::bindTextFunction(QJSEngine& engine) {
    QJSEngine::setObjectOwnership(this, QJSEngine::CppOwnership);
    m_textFunction = engine.newQObject(this).property(QStringLiteral("textFor"));
}

QString Preferences::languageRawValue() const {
    return AppLanguages::rawValue(m_language);
}

void Preferences::setLanguageRawValue(const QString& raw) {
    if (const auto language = AppLanguages::fromRawValue(raw))
        setLanguage(*language);
}

QString Preferences::themeRawValue() const {
    return AppThemes::rawValue(m_theme);
}

} // namespace aru
