#pragma once

#include "Catalog.h"
#include "CatalogSearch.h"
#include "Credentials.h"
#include "Downloads.h"
#include "Favorites.h"
#include "MediaBackend.h"
#include "PageLayout.h"
#include "Playback.h"
#include "Preferences.h"
#include "Session.h"
#include "SharedInstance.h"

#include <QObject>
#include <QtQmlIntegration>

class QQmlEngine;
class QJSEngine;

namespace aru {

class SettingsStore;

// Everything the window shows and changes, in parts with one job each: the session, the
// catalogue, the search through it, favourites, downloads, preferences, the page layout and
// playback. The one root the views reach, as the QML singleton AppState (AppState.search.
// searchText, AppState.playback.audioPlayer…). Made by main() for the whole run, or by a test
// for its own; lives on the main thread.
class AppState : public QObject, public SharedInstance<AppState> {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

    Q_PROPERTY(aru::Session* session READ session CONSTANT)
    Q_PROPERTY(aru::Catalog* catalog READ catalog CONSTANT)
    Q_PROPERTY(aru::CatalogSearch* search READ search CONSTANT)
    Q_PROPERTY(aru::Favorites* favorites READ favorites CONSTANT)
    Q_PROPERTY(aru::Downloads* downloads READ downloads CONSTANT)
    Q_PROPERTY(aru::Preferences* preferences READ preferences CONSTANT)
    Q_PROPERTY(aru::PageLayout* layout READ layout CONSTANT)
    Q_PROPERTY(aru::Playback* playback READ playback CONSTANT)

public:
    // Restores the stored session and choices from `settings`; the preview player makes its
    // platform players with `makePlayerBackend`.
    AppState(SettingsStore& settings, MediaBackend::Factory makePlayerBackend,
             QObject* parent = nullptr);
    ~AppState() override;

    // QML's AppState is the shared instance.
    static AppState* create(QQmlEngine* engine, QJSEngine*);

    Session* session() { return &m_session; }
    Catalog* catalog() { return &m_catalog; }
    CatalogSearch* search() { return &m_search; }
    Favorites* favorites() { return &m_favorites; }
    Downloads* downloads() { return &m_downloads; }
    Preferences* preferences() { return &m_preferences; }
    PageLayout* layout() { return &m_layout; }
    Playback* playback() { return &m_playback; }
    // The store the parts keep their choices in, for the few settings no part owns (the audio
    // output, which the settings sheet chooses).
    SettingsStore& settings() const { return m_settings; }

private:
    SettingsStore& m_settings;
    // Written by the session only; the parts that act for the user read it.
    Credentials m_credentials;
    Preferences m_preferences;
    PageLayout m_layout;
    Catalog m_catalog;
    CatalogSearch m_search;
    Favorites m_favorites;
    Downloads m_downloads;
    Session m_session;
    Playback m_playback;
};

} // namespace aru
