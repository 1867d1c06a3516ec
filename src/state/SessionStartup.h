#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

namespace aru {

class AppState;

// The root view's start-up task for a restored session: loads the catalogue when it is still
// empty, then refreshes the favourites from the server (whether or not the catalogue loaded).
// It runs at most once for the view that owns it, so switching between the sign-in and the
// signed-in screens never starts it again; a session that begins later, by signing in, is
// served by the sign-in screen instead.
class SessionStartup : public QObject {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(aru::AppState* appState READ appState WRITE setAppState NOTIFY appStateChanged)
    Q_PROPERTY(bool started READ started NOTIFY startedChanged)

public:
    explicit SessionStartup(QObject* parent = nullptr);

    AppState* appState() const { return m_state; }
    void setAppState(AppState* state);
    bool started() const { return m_started; }

    // Starts the task in the background; later calls do nothing.
    Q_INVOKABLE void start();
    // The task itself, for callers that wait for its end; a second run returns at once.
    QCoro::Task<> run();

signals:
    void appStateChanged();
    void startedChanged();

private:
    QPointer<AppState> m_state;
    bool m_started = false;
};

} // namespace aru
