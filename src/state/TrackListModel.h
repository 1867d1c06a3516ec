#pragma once

#include "Track.h"

#include <QAbstractListModel>
#include <QList>
#include <QtQmlIntegration>

namespace aru {

// A list of catalogue tracks for a view, given as row positions into the catalogue. Updating it
// with a new selection removes and inserts only the rows that differ when both selections are in
// catalogue order, so the rows that stay keep their delegates (an unfolded info panel, a loaded
// cover) and the view its place. Anything else replaces the list: the positions that show another
// track are told their data changed and the list grows or shrinks at its end, so a view rebinds
// the rows it shows instead of building them all again as after a reset, and leaves alone those
// whose track stays where it was; `replaced` then tells it the list is a new one. After a reload
// the catalogue is another one: its rows are matched to the shown ones by track id, and those
// still there stay.
class TrackListModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Track lists are provided by AppState")
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        TrackRole = Qt::UserRole + 1,
        TrackIdRole,
        TitleRole,
        ArtistRole,
        GenreRole,
        AlbumRole,
        MoodRole,
        DurationRole,
        CoverArtRole,
    };
    Q_ENUM(Role)

    // Above this many separate changes one reset is cheaper for a view than the single updates.
    static constexpr int maxIncrementalChanges = 64;
    // How many tracks a reload may add between two shown ones before the second counts as moved.
    static constexpr int followSlack = 64;

    explicit TrackListModel(QObject* parent = nullptr);

    // Shows catalogue[rows[0]], catalogue[rows[1]], … Signals nothing when nothing changes.
    void setRows(const QList<Track>& catalogue, const QList<int>& rows);

    int count() const { return int(m_rows.size()); }
    // The catalogue positions shown, in list order.
    const QList<int>& rows() const { return m_rows; }
    // The catalogue the rows point into.
    const QList<Track>& catalogue() const { return m_catalogue; }
    const Track& trackAt(int row) const { return m_catalogue[m_rows[row]]; }
    QList<Track> tracks() const;
    // For QML code outside a delegate.
    Q_INVOKABLE aru::Track get(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();
    // The rows shown are others, or the same ones of a reloaded catalogue; after the model's own
    // change signals.
    void rowsChanged();
    // The list is another one, not an edit of the one before: a view starts again at its top.
    void replaced();

private:
    // Shows `rows` of `catalogue` in the positions already there, then says `replaced`.
    void replace(const QList<Track>& catalogue, const QList<int>& rows);
    // Removes and inserts runs of rows to turn the current selection into `rows`, both in
    // catalogue order; false, with nothing done, when that takes too many steps.
    bool updateIncrementally(const QList<int>& rows);
    // Points the current rows into `catalogue` by track id, removing those whose track is gone
    // and telling the view that the others' contents may have changed; false, with nothing
    // done, when that takes too many steps. Both selections are in catalogue order.
    bool followCatalogue(const QList<Track>& catalogue);

    QList<Track> m_catalogue;
    QList<int> m_rows;
};

} // namespace aru
