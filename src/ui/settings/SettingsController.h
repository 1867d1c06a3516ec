#pragma once

#include "AudioDevice.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QStringListModel>
#include <QUrl>
#include <QVariantList>
#include <QtQmlIntegration>

namespace aru {

class AppState;

// The settings sheet's state: the output devices offered (read once, when the sheet opens), the
// one chosen, and the download folder as shown. The language and the account act on the
// application state directly. Created afresh each time the sheet opens.
class SettingsController : public QObject {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(aru::AppState* appState READ appState WRITE setAppState NOTIFY appStateChanged)
    // The output picker's entries: the system output first, then the devices by name. A model
    // rather than a list, so relabelling the first entry leaves the picker's choice alone.
    Q_PROPERTY(QAbstractItemModel* outputChoices READ outputChoices CONSTANT)
    // The chosen entry of outputNames; 0 is the system output. Writing it applies the choice.
    Q_PROPERTY(
        int selectedOutput READ selectedOutput WRITE selectOutput NOTIFY selectedOutputChanged)
    Q_PROPERTY(QString folderDisplay READ folderDisplay NOTIFY folderDisplayChanged)
    // The interface languages in menu order, each as { code, name }.
    Q_PROPERTY(QVariantList languages READ languages CONSTANT)

public:
    explicit SettingsController(QObject* parent = nullptr);

    AppState* appState() const { return m_state; }
    void setAppState(AppState* state);
    QAbstractItemModel* outputChoices() { return &m_outputChoices; }
    int selectedOutput() const { return m_selectedOutput; }
    // Stores the entry's device (or forgets the choice for the system output) and makes it the
    // output at once. Choosing the entry already chosen does nothing.
    void selectOutput(int index);
    QString folderDisplay() const;
    static QVariantList languages();

    // What opening the sheet does: reads the output devices, and when the device chosen earlier
    // is among them, selects it, which applies it again (its id may have changed meanwhile). A
    // chosen device that is not connected leaves the system output selected and touches nothing.
    Q_INVOKABLE void load();
    // The folder chooser's answer: downloads go there from now on, and it is stored.
    Q_INVOKABLE void chooseFolder(const QUrl& folder);
    // Makes the download folder again if it is gone, and opens it in the file manager.
    Q_INVOKABLE void openFolder();

signals:
    void appStateChanged();
    void selectedOutputChanged();
    void folderDisplayChanged();

private:
    QString systemOutputName() const;
    void relabelSystemOutput();

    QPointer<AppState> m_state;
    QStringListModel m_outputChoices;
    QList<AudioDevice> m_devices;
    int m_selectedOutput = 0;
};

} // namespace aru
