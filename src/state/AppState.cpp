#include "AppState.h"

#include <QQmlEngine>

namespace aru {

AppState::AppState(SettingsStore& settings, MediaBackend::Factory makePlayerBackend,
                   QObject* parent)
    : QObject(parent)
    , SharedInstance(this)
    , m_settings(settings)
    , m_preferences(settings)
    , m_search(m_catalog)
    , m_favorites(settings, m_credentials)
    , m_downloads(settings, m_credentials, m_preferences)
    , m_session(settings, m_credentials, m_catalog, m_favorites)
    , m_playback(m_search, std::move(makePlayerBackend)) {
    // The parts are members, never owned by the views that reach them.
    for (QObject* part :
         std::initializer_list<QObject*>{&m_session, &m_catalog, &m_search, &m_favorites,
                                         &m_downloads, &m_preferences, &m_layout, &m_playback})
        QJSEngine::setObjectOwnership(part, QJSEngine::CppOwnership);
}

AppState::~AppState() = default;

AppState* AppState::create(QQmlEngine* engine, QJSEngine*) {
    AppState* state = &shared();
    QJSEngine::setObjectOwnership(state, QJSEngine::CppOwnership);
    state->m_preferences.bindTextFunction(*engine);
    return state;
}

} // namespace aru
