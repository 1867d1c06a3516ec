#include "CollectionLists.h"
#include "TestHome.h"
#include "TrackCollectionModel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace aru;

namespace {

Track decoded(const char* json) {
    return Track::fromJson(QJsonDocument::fromJson(json).object()).value();
}

QStringList titles(const QList<Track>& tracks) {
    QStringList list;
    for (const Track& track : tracks)
        list.append(track.title);
    return list;
}

// Tracks named after their id ("t7"), with a suffix telling versions of one track apart.
QList<Track> tracksWithIds(const QList<TrackId>& ids, const QString& suffix = {}) {
    QList<Track> tracks;
    for (const TrackId id : ids) {
        Track track;
        track.id = id;
        track.title = QStringLiteral("t%1%2").arg(id).arg(suffix);
        tracks.append(track);
    }
    return tracks;
}

QList<TrackId> range(TrackId first, TrackId last, TrackId step = 1) {
    QList<TrackId> ids;
    for (TrackId id = first; id <= last; id += step)
        ids.append(id);
    return ids;
}

} // namespace

// The sidebar's lists: which tracks they hold, in which order, and how the list model moves
// from one list to the next.
class SidebarListsTest : public QObject {
    Q_OBJECT

private slots:
    void filterMatchesTheListedFieldsOnly_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("matches");
        QTest::newRow("mood, capitals, spaces and a line break") << "  NOIR \n" << true;
        QTest::newRow("spaces only") << "   " << true;
        QTest::newRow("title") << "drive" << true;
        QTest::newRow("artist") << "ava st" << true;
        QTest::newRow("album") << "urban" << true;
        QTest::newRow("genre") << "dark amb" << true;
        QTest::newRow("instruments are not searched") << "strings" << false;
        QTest::newRow("themes are not searched") << "city" << false;
        QTest::newRow("inner spaces count") << "night  drive" << false;
    }
    void filterMatchesTheListedFieldsOnly() {
        QFETCH(QString, filter);
        QFETCH(bool, matches);
        const Track track = decoded(R"({"id":1,"title":"Night Drive","artist":"Ava Stone",
            "album":"Urban Nights","genre":"Dark Ambient","mood":["Tense","Noir"],
            "instruments":["Strings"],"themes":["City"]})");
        const QString query = CollectionLists::normalizedQuery(filter);
        QCOMPARE(CollectionLists::matches(track, query), matches);
        // A track without album, genre or moods is only looked for in its title and artist.
        const Track bare = decoded(R"({"id":2,"title":"Night Drive","artist":"Ava Stone"})");
        QCOMPARE(CollectionLists::matches(bare, query),
                 query.isEmpty() || QStringLiteral("night drive ava stone").contains(query));
    }

    void listsKeepTheCollectionsOrder_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("favorites");
        QTest::addColumn<QStringList>("downloads");
        QTest::newRow("no filter")
            << "" << QStringList{"Gamma", "Alpha"} << QStringList{"Alpha", "Alpha", "Gamma"};
        QTest::newRow("filtered") << "alp" << QStringList{"Alpha"} << QStringList{"Alpha", "Alpha"};
        QTest::newRow("nothing matches") << "zz" << QStringList{} << QStringList{};
    }
    void listsKeepTheCollectionsOrder() {
        QFETCH(QString, filter);
        QFETCH(QStringList, favorites);
        QFETCH(QStringList, downloads);
        // The catalogue holds id 1 twice: its first track is the one listed.
        const QList<Track> catalogue{
            decoded(R"({"id":1,"title":"Alpha","artist":"A"})"),
            decoded(R"({"id":2,"title":"Beta","artist":"B"})"),
            decoded(R"({"id":3,"title":"Gamma","artist":"C"})"),
            decoded(R"({"id":1,"title":"Alpha again","artist":"A"})"),
        };
        // Favourites in their own order; 99 is not in the catalogue.
        QCOMPARE(titles(CollectionLists::favoriteTracks(catalogue, {3, 99, 1}, filter)), favorites);

        // Beta's file was deleted from the folder; 42 is not in the catalogue; the history holds
        // Alpha twice and both rows are listed.
        QTemporaryDir folder;
        for (const int at : {0, 2}) {
            QFile file(QDir(folder.path()).filePath(catalogue[at].suggestedFilename()));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const auto entry = [](TrackId id) { return DownloadEntry{id, {}, {}, {}}; };
        const QList<DownloadEntry> history{entry(1), entry(2), entry(42), entry(1), entry(3)};
        QCOMPARE(
            titles(CollectionLists::downloadedTracks(catalogue, history, folder.path(), filter)),
            downloads);
    }

    void modelChangesOnlyTheRowsThatDiffer_data() {
        QTest::addColumn<QList<TrackId>>("from");
        QTest::addColumn<QList<TrackId>>("to");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("inserted");
        QTest::addColumn<bool>("reset");
        QTest::newRow("filtered") << QList<TrackId>{1, 2, 3, 4} << QList<TrackId>{1, 3} << 2 << 0
                                  << false;
        QTest::newRow("filter cleared")
            << QList<TrackId>{3} << QList<TrackId>{1, 2, 3, 4} << 0 << 3 << false;
        QTest::newRow("new favourite first")
            << QList<TrackId>{1, 2} << QList<TrackId>{5, 1, 2} << 0 << 1 << false;
        QTest::newRow("downloaded again: to the front")
            << QList<TrackId>{1, 2, 3} << QList<TrackId>{3, 1, 2} << 1 << 1 << false;
        QTest::newRow("one of two duplicates goes")
            << QList<TrackId>{1, 2, 1} << QList<TrackId>{1, 1} << 1 << 0 << false;
        QTest::newRow("emptied") << QList<TrackId>{1, 2} << QList<TrackId>{} << 2 << 0 << false;
        QTest::newRow("too many changes: one reset")
            << range(1, 200) << range(1, 200, 2) << 0 << 0 << true;
    }
    void modelChangesOnlyTheRowsThatDiffer() {
        QFETCH(QList<TrackId>, from);
        QFETCH(QList<TrackId>, to);
        QFETCH(int, removed);
        QFETCH(int, inserted);
        QFETCH(bool, reset);
        TrackCollectionModel model;
        model.setTracks(tracksWithIds(from));
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        int removedRows = 0;
        int insertedRows = 0;
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [&](const QModelIndex&, int first, int last) { removedRows += last - first + 1; });
        connect(&model, &QAbstractItemModel::rowsInserted, this,
                [&](const QModelIndex&, int first, int last) { insertedRows += last - first + 1; });
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy counts(&model, &TrackCollectionModel::countChanged);

        // The tracks that stay come back renamed, as from a reloaded catalogue.
        const QList<Track> wanted = tracksWithIds(to, QStringLiteral("'"));
        model.setTracks(wanted);
        QCOMPARE(model.tracks(), wanted);
        for (int row = 0; row < model.count(); ++row)
            QCOMPARE(model.data(model.index(row), TrackCollectionModel::TitleRole),
                     wanted[row].title);
        QCOMPARE(removedRows, removed);
        QCOMPARE(insertedRows, inserted);
        QCOMPARE(resets.size(), reset ? 1 : 0);
        QCOMPARE(counts.size(), from.size() == to.size() ? 0 : 1);

        // The same list again changes nothing.
        QSignalSpy anything(&model, &QAbstractItemModel::layoutChanged);
        QSignalSpy dataChanges(&model, &QAbstractItemModel::dataChanged);
        model.setTracks(wanted);
        QCOMPARE(removedRows + insertedRows, removed + inserted);
        QCOMPARE(dataChanges.size() + anything.size() + resets.size(), reset ? 1 : 0);
    }
};

ARU_TEST_MAIN(SidebarListsTest)
#include "tst_sidebar_lists.moc"
