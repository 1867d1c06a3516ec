#include "TrackCollectionModel.h"

#include <QHash>

namespace aru {

TrackCollectionModel::TrackCollectionModel(QObject* parent)
    : QAbstractListModel(parent) {}

void TrackCollectionModel::setTracks(const QList<Track>& tracks) {
    if (m_tracks == tracks)
        return;
    const int oldCount = count();
    const QList<Edit> edits = editsTowards(tracks);
    if (edits.size() > maxIncrementalChanges) {
        beginResetModel();
        m_tracks = tracks;
        endResetModel();
    } else {
        apply(edits, tracks);
    }
    if (count() != oldCount)
        emit countChanged();
}

QList<TrackCollectionModel::Edit>
TrackCollectionModel::editsTowards(const QList<Track>& tracks) const {
    // How many more times each id is wanted from the new list's next track on.
    QHash<TrackId, qsizetype> stillWanted;
    for (const Track& track : tracks)
        ++stillWanted[track.id];

    QList<Edit> edits;
    qsizetype current = 0;
    qsizetype wanted = 0;
    qsizetype position = 0;
    while (current < m_tracks.size() || wanted < tracks.size()) {
        const bool hasCurrent = current < m_tracks.size();
        if (hasCurrent && wanted < tracks.size() && m_tracks[current].id == tracks[wanted].id) {
            --stillWanted[tracks[wanted].id];
            ++current;
            ++wanted;
            ++position;
        } else if (hasCurrent && stillWanted.value(m_tracks[current].id) == 0) {
            if (!edits.isEmpty() && !edits.last().insert && edits.last().position == position)
                ++edits.last().length;
            else
                edits.append({false, position, 0, 1});
            ++current;
        } else {
            Edit* last = edits.isEmpty() ? nullptr : &edits.last();
            if (last && last->insert && last->position + last->length == position &&
                last->first + last->length == wanted)
                ++last->length;
            else
                edits.append({true, position, wanted, 1});
            --stillWanted[tracks[wanted].id];
            ++wanted;
            ++position;
        }
    }
    return edits;
}

void TrackCollectionModel::apply(const QList<Edit>& edits, const QList<Track>& tracks) {
    for (const Edit& edit : edits) {
        const int first = int(edit.position);
        const int last = int(edit.position + edit.length - 1);
        if (edit.insert) {
            beginInsertRows({}, first, last);
            m_tracks.insert(edit.position, edit.length, Track());
            std::copy_n(tracks.cbegin() + edit.first, edit.length,
                        m_tracks.begin() + edit.position);
            endInsertRows();
        } else {
            beginRemoveRows({}, first, last);
            m_tracks.remove(edit.position, edit.length);
            endRemoveRows();
        }
    }
    Q_ASSERT(m_tracks.size() == tracks.size());
    // The rows that stayed may carry a track whose other fields changed (a reloaded catalogue).
    for (qsizetype row = 0; row < tracks.size(); ++row) {
        if (m_tracks[row] == tracks[row])
            continue;
        m_tracks[row] = tracks[row];
        emit dataChanged(index(int(row)), index(int(row)));
    }
}

int TrackCollectionModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant TrackCollectionModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Track& track = m_tracks[index.row()];
    switch (role) {
    case TrackRole:
        return QVariant::fromValue(track);
    case TrackIdRole:
        return QVariant::fromValue(track.id);
    case Qt::DisplayRole:
    case TitleRole:
        return track.title;
    case ArtistRole:
        return track.artist;
    default:
        return {};
    }
}

QHash<int, QByteArray> TrackCollectionModel::roleNames() const {
    return {{TrackRole, "track"},
            {TrackIdRole, "trackId"},
            {TitleRole, "title"},
            {ArtistRole, "artist"},
            {Qt::DisplayRole, "display"}};
}

} // namespace aru
