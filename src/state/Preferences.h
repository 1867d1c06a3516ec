#pragma once

#include "AppLanguage.h"
#include "AppTheme.h"

#include <QJSValue>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQmlIntegration>

class QJSEngine;

namespace aru {

class SettingsStore;

// The user's choices that outlive the session: the interface language (with the texts in it),
// the theme and the download folder. Each choice is stored the moment it changes.
class Preferences : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The preferences are AppState.preferences")

    Q_PROPERTY(
        QString language READ languageRawValue WRITE setLanguageRawValue NOTIFY languageChanged)
    Q_PROPERTY(QString theme READ themeRawValue CONSTANT)
    Q_PROPERTY(QUrl downloadFolder READ downloadFolder WRITE setDownloadFolder NOTIFY
                   downloadFolderChanged)
    // QML looks texts up as AppState.preferences.t(key): reading the property ties each binding
    // to the language, so every text follows a language change.
    Q_PROPERTY(QJSValue t READ textFunction NOTIFY languageChanged)

public:
    // Applies the stored choices and creates the download folder.
    explicit Preferences(SettingsStore& settings, QObject* parent = nullptr);

    AppLanguage language() const { return m_language; }
    // Stores the choice at once.
    void setLanguage(AppLanguage language);
    AppTheme theme() const { return m_theme; }
    QUrl downloadFolder() const { return m_downloadFolder; }
    // Stores the folder's path at once.
    void setDownloadFolder(const QUrl& folder);

    // The interface text for the key in the current language.
    QString t(const QString& key) const;
    // The same for QML code that holds a key in a variable and has no binding to update.
    Q_INVOKABLE QString textFor(const QString& key) const { return t(key); }
    // A catalogue tag (mood, genre, tempo, vocal) in the current language; unknown tags as they
    // are. Views that call it also read `t`, so they follow language changes.
    Q_INVOKABLE QString translateTag(const QString& tag) const;
    // Makes `t` callable from the engine's QML.
    void bindTextFunction(QJSEngine& engine);

    // The Documents folder with "ARU Records" appended.
    static QUrl defaultDownloadFolder();

signals:
    void languageChanged();
    void downloadFolderChanged();

private:
    void restore();
    QString languageRawValue() const;
    void setLanguageRawValue(const QString& raw);
    QString themeRawValue() const;
    QJSValue textFunction() const { return m_textFunction; }

    SettingsStore& m_settings;
    AppLanguage m_language;
    AppTheme m_theme = AppTheme::Dark;
    QUrl m_downloadFolder;
    QJSValue m_textFunction;
};

} // namespace aru
