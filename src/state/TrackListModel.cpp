#include "TrackListModel.h"

#include <algorithm>

namespace aru {

namespace {

// A model keeps the caller's rows shared once it shows them, so being handed the same rows again
// (a model mirroring another hears of each change more than once) is a pointer check. QList's
// own comparison hands memcmp a null pointer for two empty lists, one of them never allocated,
// which the undefined-behaviour sanitizer rightly reports.
bool sameRows(const QList<int>& a, const QList<int>& b) {
    return a.isSharedWith(b) ||
           (a.size() == b.size() && (a.isEmpty() || std::equal(a.cbegin(), a.cend(), b.cbegin())));
}

bool isStrictlyAscending(const QList<int>& rows) {
    return std::adjacent_find(rows.cbegin(), rows.cend(), std::greater_equal<int>()) == rows.cend();
}

// Walks two ascending selections together and reports each run of rows that only the old one
// has (removed) or only the new one has (inserted), at its position in the list being edited.
// A report returning false ends the walk; the walk says whether it went to the end.
template <typename OnRemove, typename OnInsert>
bool forEachRun(const QList<int>& from, const QList<int>& to, OnRemove onRemove,
                OnInsert onInsert) {
    qsizetype i = 0;
    qsizetype j = 0;
    qsizetype position = 0;
    while (i < from.size() || j < to.size()) {
        if (j == to.size() || (i < from.size() && from[i] < to[j])) {
            const qsizetype start = i;
            while (i < from.size() && (j == to.size() || from[i] < to[j]))
                ++i;
            if (!onRemove(position, i - start))
                return false;
        } else if (i == from.size() || to[j] < from[i]) {
            const qsizetype start = j;
            while (j < to.size() && (i == from.size() || to[j] < from[i]))
                ++j;
            if (!onInsert(position, start, j - start))
                return false;
            position += j - start;
        } else {
            ++i;
            ++j;
            ++position;
        }
    }
    return true;
}

} // namespace

TrackListModel::TrackListModel(QObject* parent)
    : QAbstractListModel(parent) {}

void TrackListModel::setRows(const QList<Track>& catalogue, const QList<int>& rows) {
    const bool sameCatalogue = m_catalogue.isSharedWith(catalogue);
    if (sameRows(m_rows, rows) && (sameCatalogue || rows.isEmpty())) {
        m_catalogue = catalogue;
        return;
    }
    const int oldCount = count();
    const bool inOrder = isStrictlyAscending(m_rows) && isStrictlyAscending(rows);
    if (!inOrder || !(sameCatalogue || followCatalogue(catalogue)) || !updateIncrementally(rows))
        replace(catalogue, rows);
    m_rows = rows; // equal by now; shared from now on
    if (count() != oldCount)
        emit countChanged();
    emit rowsChanged();
}

void TrackListModel::replace(const QList<Track>& catalogue, const QList<int>& rows) {
    const bool sameCatalogue = m_catalogue.isSharedWith(catalogue);
    const qsizetype kept = qMin(m_rows.size(), rows.size());
    // The runs of kept positions that show another track from now on; past the limit, one run
    // from the first to the last.
    QList<std::pair<int, int>> changedRuns;
    bool merged = false;
    for (qsizetype position = 0; position < kept; ++position) {
        if (sameCatalogue && m_rows.at(position) == rows[position])
            continue;
        if (!changedRuns.isEmpty() && (merged || changedRuns.last().second == position - 1)) {
            changedRuns.last().second = int(position);
        } else if (changedRuns.size() < maxIncrementalChanges) {
            changedRuns.append({int(position), int(position)});
        } else {
            changedRuns = {{changedRuns.first().first, int(position)}};
            merged = true;
        }
    }

    if (rows.size() < m_rows.size()) {
        beginRemoveRows({}, int(kept), int(m_rows.size() - 1));
        m_rows.resize(kept);
        endRemoveRows();
    }
    m_catalogue = catalogue;
    std::copy_n(rows.cbegin(), kept, m_rows.begin());
    for (const auto& [first, last] : changedRuns)
        emit dataChanged(index(first), index(last));
    if (rows.size() > kept) {
        beginInsertRows({}, int(kept), int(rows.size() - 1));
        m_rows = rows;
        endInsertRows();
    }
    emit replaced();
}

bool TrackListModel::updateIncrementally(const QList<int>& rows) {
    // Counted first, giving up as soon as there are too many: two unrelated selections of a
    // large catalogue differ in thousands of runs.
    int changes = 0;
    const auto countChange = [&changes](auto...) { return ++changes <= maxIncrementalChanges; };
    if (!forEachRun(m_rows, rows, countChange, countChange))
        return false;

    // Edits a copy of the old selection while walking it, so the walk sees stable input.
    const QList<int> old = m_rows;
    forEachRun(
        old, rows,
        [this](qsizetype position, qsizetype length) {
            beginRemoveRows({}, int(position), int(position + length - 1));
            m_rows.remove(position, length);
            endRemoveRows();
            return true;
        },
        [this, &rows](qsizetype position, qsizetype start, qsizetype length) {
            beginInsertRows({}, int(position), int(position + length - 1));
            m_rows.insert(position, length, 0);
            std::copy_n(rows.cbegin() + start, length, m_rows.begin() + position);
            endInsertRows();
            return true;
        });
    Q_ASSERT(sameRows(m_rows, rows));
    return true;
}

bool TrackListModel::followCatalogue(const QList<Track>& catalogue) {
    // A reload keeps the server's order, with tracks added and removed here and there: walking
    // both catalogues side by side finds each shown track's new row reading each track about
    // once, without a lookup table (building one for 100,000 tracks held the window up). A track
    // found nowhere near where its neighbours went counts as gone and comes back as an insertion.
    QList<int> kept;
    QList<qsizetype> gone;
    int next = 0;
    int previousOldRow = -1;
    for (qsizetype position = 0; position < m_rows.size(); ++position) {
        const int oldRow = m_rows.at(position);
        // at(): the catalogue is shared with the search; a writable access would copy it.
        const TrackId id = m_catalogue.at(oldRow).id;
        const qsizetype reach =
            qMin(catalogue.size(), qsizetype(next) + (oldRow - previousOldRow) + followSlack);
        int found = -1;
        for (qsizetype row = next; row < reach && found < 0; ++row) {
            if (catalogue[row].id == id)
                found = int(row);
        }
        previousOldRow = oldRow;
        if (found < 0) {
            gone.append(position);
            continue;
        }
        kept.append(found);
        next = found + 1;
    }
    int runs = 0;
    for (qsizetype i = 0; i < gone.size(); ++i)
        runs += (i == 0 || gone[i] != gone[i - 1] + 1) ? 1 : 0;
    if (runs > maxIncrementalChanges)
        return false;

    // Removed from the end backwards, so each position still means what it did.
    for (qsizetype end = gone.size(); end > 0;) {
        qsizetype start = end - 1;
        while (start > 0 && gone[start - 1] == gone[start] - 1)
            --start;
        beginRemoveRows({}, int(gone[start]), int(gone[end - 1]));
        m_rows.remove(gone[start], end - start);
        endRemoveRows();
        end = start;
    }
    m_catalogue = catalogue;
    m_rows = kept;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0), index(count() - 1));
    return true;
}

QList<Track> TrackListModel::tracks() const {
    QList<Track> result;
    result.reserve(m_rows.size());
    for (const int row : m_rows)
        result.append(m_catalogue[row]);
    return result;
}

Track TrackListModel::get(int row) const {
    if (row < 0 || row >= count())
        return {};
    return trackAt(row);
}

int TrackListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant TrackListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Track& track = trackAt(index.row());
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
    case GenreRole:
        return track.genre.value_or(QString());
    case AlbumRole:
        return track.album.value_or(QString());
    case MoodRole:
        return track.mood.value_or(QStringList());
    case DurationRole:
        return track.duration.value_or(QString());
    case CoverArtRole:
        return track.coverArt.value_or(QString());
    default:
        return {};
    }
}

QHash<int, QByteArray> TrackListModel::roleNames() const {
    return {
        {TrackRole, "track"},         {TrackIdRole, "trackId"},   {TitleRole, "title"},
        {ArtistRole, "artist"},       {GenreRole, "genre"},       {AlbumRole, "album"},
        {MoodRole, "mood"},           {DurationRole, "duration"}, {CoverArtRole, "coverArt"},
        {Qt::DisplayRole, "display"},
    };
}

} // namespace aru
