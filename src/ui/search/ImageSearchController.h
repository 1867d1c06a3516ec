#pragma once

#include "TagLibrary.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QtQmlIntegration>
#include <optional>

namespace aru {

class AppState;

// The search by image: a picture the user picks or drops is shrunk, sent to the server with the
// tags the catalogue knows, and the tags of the answer become the catalogue's search text, its
// description the button's tooltip. Analyses may overlap; the answer that arrives last sets the
// search text.
class ImageSearchController : public QObject {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(aru::AppState* appState READ appState WRITE setAppState NOTIFY appStateChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    // The last analysis' description, or what the button does while there is none.
    Q_PROPERTY(QString toolTip READ toolTip NOTIFY toolTipChanged)
    Q_PROPERTY(QStringList nameFilters READ nameFilters CONSTANT)

public:
    explicit ImageSearchController(QObject* parent = nullptr);

    // The tags offered to the server: moods, genres, themes, instruments; never the tempos.
    static QStringList availableTags(const std::optional<TagLibrary>& library);
    static QString defaultToolTip();

    AppState* appState() const { return m_state; }
    void setAppState(AppState* state);
    bool isLoading() const { return m_isLoading; }
    const std::optional<QString>& lastDescription() const { return m_lastDescription; }
    QString toolTip() const { return m_lastDescription.value_or(defaultToolTip()); }
    static QStringList nameFilters();

    // The file the chooser returned.
    Q_INVOKABLE void analyzeFile(const QUrl& file);
    // Dropped files: only the first one is analysed.
    Q_INVOKABLE void analyzeDrop(const QList<QUrl>& urls);
    // The whole analysis of a local picture. A file that is not a picture Qt can decode ends it
    // silently, before the loading state is shown; failures of the exchange and unreadable
    // answers are logged as "[ImageSearch] failed: …".
    QCoro::Task<> analyzeImage(QString path);

signals:
    void appStateChanged();
    void isLoadingChanged();
    void toolTipChanged();

private:
    void setLoading(bool loading);
    void setLastDescription(const std::optional<QString>& description);

    QPointer<AppState> m_state;
    bool m_isLoading = false;
    std::optional<QString> m_lastDescription;
};

} // namespace aru
