#pragma once

#include "AppState.h"
#include "FakeMediaBackend.h"
#include "SettingsStore.h"

#include <QTemporaryDir>
#include <memory>

namespace aru::test {

// An application state over a settings file of its own, playing through fake platform players:
// what a test of the state or of a screen starts from. restart() builds it again from the same
// file, as the app's next run would.
class TestState {
public:
    TestState() { restart(); }

    AppState& operator*() { return *m_state; }
    AppState* operator->() { return m_state.get(); }
    AppState* get() { return m_state.get(); }
    SettingsStore& store() { return *m_store; }
    FakeMedia& media() { return m_media; }
    QString folder() const { return m_dir.path(); }

    // Restarts as a run after a sign-in does, downloading into `downloadFolder` if one is given.
    void restartSignedIn(const QString& email = "demo@aru.test", const QString& token = "token",
                         const QString& downloadFolder = {}) {
        m_store->setString("aru.user.email", email);
        m_store->setString("aru.user.token", token);
        if (!downloadFolder.isEmpty())
            m_store->setString("aru.download.folder", downloadFolder);
        restart();
    }
    void restart() {
        m_state.reset();
        m_store = std::make_unique<SettingsStore>(m_dir.filePath("settings.ini"));
        m_state = std::make_unique<AppState>(*m_store, m_media.factory());
    }

private:
    QTemporaryDir m_dir;
    FakeMedia m_media;
    std::unique_ptr<SettingsStore> m_store;
    // Last: its player still logs into m_media while it is destroyed.
    std::unique_ptr<AppState> m_state;
};

} // namespace aru::test
