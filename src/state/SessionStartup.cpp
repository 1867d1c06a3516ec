#include "SessionStartup.h"

#include "AppState.h"
#include "CatalogLoader.h"

namespace aru {

SessionStartup::SessionStartup(QObject* parent)
    : QObject(parent) {}

void SessionStartup::setAppState(AppState* state) {
    if (m_state == state)
        return;
    m_state = state;
    emit appStateChanged();
}

void SessionStartup::start() {
    run();
}

QCoro::Task<> SessionStartup::run() {
    if (m_started)
        co_return;
    m_started = true;
    emit startedChanged();
    // Held apart from this object, which the view may destroy while the task waits.
    const QPointer<AppState> state = m_state;
    if (!state || !state->isLoggedIn())
        co_return;
    if (state->tracks().isEmpty())
        co_await CatalogLoader::load(state, CatalogLoader::Caller::Startup);
    if (!state)
        co_return;
    co_await state->refreshFavoritesFromServer();
}

} // namespace aru
