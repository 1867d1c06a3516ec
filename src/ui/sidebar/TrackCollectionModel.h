#pragma once

#include "Track.h"

#include <QAbstractListModel>
#include <QList>
#include <QtQmlIntegration>

namespace aru {

// A short list of tracks for a view, in any order, the same track possibly more than once. Rows
// are identified by the track's id: a new list only removes and inserts the rows that differ, so
// the rows that stay keep their delegates (a cover already shown, a file being prepared) while
// the list is filtered or a track comes and goes.
class TrackCollectionModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Collection lists come from the sidebar's controller")
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        TrackRole = Qt::UserRole + 1,
        TrackIdRole,
        TitleRole,
        ArtistRole,
    };
    Q_ENUM(Role)

    // Above this many separate changes one reset is cheaper for a view than the single updates.
    static constexpr int maxIncrementalChanges = 64;

    explicit TrackCollectionModel(QObject* parent = nullptr);

    // Shows `tracks`. Signals nothing when nothing changed.
    void setTracks(const QList<Track>& tracks);
    const QList<Track>& tracks() const { return m_tracks; }
    int count() const { return int(m_tracks.size()); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    struct Edit {
        bool insert = false;
        // Where the edit applies in the list as the edits before it left it.
        qsizetype position = 0;
        // For an insertion: the first inserted track's index in the new list.
        qsizetype first = 0;
        qsizetype length = 0;
    };
    // The removals and insertions that turn the current list into `tracks`, walking both once:
    // a current row stays when it is the next one wanted, goes when the rest of the new list no
    // longer wants its id, and otherwise the wanted track is inserted before it.
    QList<Edit> editsTowards(const QList<Track>& tracks) const;
    void apply(const QList<Edit>& edits, const QList<Track>& tracks);

    QList<Track> m_tracks;
};

} // namespace aru
