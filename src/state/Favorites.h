#pragma once

#include "Track.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QtQmlIntegration>

namespace aru {

struct Credentials;
class RequestError;
class SettingsStore;

// The user's favourite tracks, newest first. The local list is the truth the screens show: a
// toggle changes and stores it at once and tells the server in the background; the server's
// list replaces it when the session starts. The list remembers the account it belongs to, and
// is uploaded into that account only, never into the next one to sign in on this computer.
class Favorites : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The favourites are AppState.favorites")

    Q_PROPERTY(QList<qint64> favorites READ favorites NOTIFY favoritesChanged)

public:
    // Restores the stored list and its account.
    Favorites(SettingsStore& settings, const Credentials& credentials, QObject* parent = nullptr);

    const QList<TrackId>& favorites() const { return m_favorites; }
    Q_INVOKABLE bool contains(qint64 trackId) const { return m_favorites.contains(trackId); }

    // Adds the track at the front or removes it, stores the list, and tells the server when
    // signed in (a refusal is logged, not undone).
    Q_INVOKABLE void toggleFavorite(qint64 trackId);
    // Replaces the list with the server's, first uploading the local list when the server has
    // none and the list is this account's. Does nothing while signed out or when the server
    // cannot be read.
    QCoro::Task<> refreshFavoritesFromServer();
    // The e-mail of the account the list belongs to; empty while none is known.
    QString owner() const { return m_owner; }

    // The stored form: a JSON array of the ids, e.g. [12,7]; none for anything else.
    static std::optional<QList<TrackId>> decode(const QByteArray& bytes);
    static QByteArray encode(const QList<TrackId>& ids);

signals:
    void favoritesChanged();
    // The server answered 401 to a request made with `token`: that session is over.
    void sessionRefused(const QString& token);

private:
    // Holds the favourites weakly and only the token and id it was given.
    static QCoro::Task<> tellServer(QPointer<Favorites> favorites, QString token, TrackId trackId,
                                    bool wasFavorite);
    void setFavorites(const QList<TrackId>& favorites, const QString& owner);
    bool belongsTo(const QString& account) const;
    // Passes a 401 on; other failures only mean that nothing came back.
    void noteFailure(const RequestError& error, const QString& token);

    SettingsStore& m_settings;
    const Credentials& m_credentials;
    QList<TrackId> m_favorites;
    QString m_owner;
};

} // namespace aru
