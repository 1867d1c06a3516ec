#include "CollectionLists.h"
#include "TestHome.h"
#include "TrackCollectionModel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

using namespace aru;
using Ids = QList<TrackId>;

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

// Tracks titled after their id and `version`, so versions of one track differ.
QList<Track> tracksWithIds(const Ids& ids, const QString& version) {
    QList<Track> tracks;
    for (const TrackId id : ids)
        tracks.append(decoded(QStringLiteral(R"({"id":%1,"title":"%1%2","artist":"A"})")
                                  .arg(id)
                                  .arg(version)
                                  .toUtf8()));
    return tracks;
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
    }
    void filterMatchesTheListedFieldsOnly() {
        QFETCH(QString, filter);
        QFETCH(bool, matches);
        const Track track = decoded(R"({"id":1,"title":"Night Drive","artist":"Ava Stone",
            "album":"Urban Nights","genre":"Dark Ambient","mood":["Tense","Noir"],
            "instruments":["Strings"]})");
        QCOMPARE(CollectionLists::matches(track, CollectionLists::normalizedQuery(filter)),
                 matches);
    }

    void listsKeepTheCollectionsOrder_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("favorites");
        QTest::addColumn<QStringList>("downloads");
        QTest::newRow("no filter")
            << "" << QStringList{"Gamma", "Alpha"} << QStringList{"Alpha", "Alpha", "Gamma"};
        QTest::newRow("filtered") << "alp" << QStringList{"Alpha"} << QStringList{"Alpha", "Alpha"};
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
        for (const int at : {0, 2})
            QVERIFY(QFile(QDir(folder.path()).filePath(catalogue[at].suggestedFilename()))
                        .open(QIODevice::WriteOnly));
        const auto entry = [](TrackId id) { return DownloadEntry{id, {}, {}, {}}; };
        const QList<DownloadEntry> history{entry(1), entry(2), entry(42), entry(1), entry(3)};
        QCOMPARE(
            titles(CollectionLists::downloadedTracks(catalogue, history, folder.path(), filter)),
            downloads);
    }

    void modelChangesOnlyTheRowsThatDiffer_data() {
        QTest::addColumn<Ids>("from");
        QTest::addColumn<Ids>("to");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("inserted");
        QTest::newRow("filtered") << Ids{1, 2, 3, 4} << Ids{1, 3} << 2 << 0;
        QTest::newRow("filter cleared") << Ids{3} << Ids{1, 2, 3, 4} << 0 << 3;
        QTest::newRow("new favourite first") << Ids{1, 2} << Ids{5, 1, 2} << 0 << 1;
        QTest::newRow("downloaded again: to the front") << Ids{1, 2, 3} << Ids{3, 1, 2} << 1 << 1;
        QTest::newRow("one of two duplicates goes") << Ids{1, 2, 1} << Ids{1, 1} << 1 << 0;
    }
    void modelChangesOnlyTheRowsThatDiffer() {
        QFETCH(Ids, from);
        QFETCH(Ids, to);
        QFETCH(int, removed);
        QFETCH(int, inserted);
        TrackCollectionModel model;
        model.setTracks(tracksWithIds(from, ""));
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        int removedRows = 0;
        int insertedRows = 0;
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [&](const QModelIndex&, int first, int last) { removedRows += last - first + 1; });
        connect(&model, &QAbstractItemModel::rowsInserted, this,
                [&](const QModelIndex&, int first, int last) { insertedRows += last - first + 1; });

        // The tracks that stay come back changed, as from a reloaded catalogue.
        const QList<Track> wanted = tracksWithIds(to, "'");
        model.setTracks(wanted);
        QCOMPARE(model.tracks(), wanted);
        for (int row = 0; row < model.count(); ++row)
            QCOMPARE(model.index(row).data(TrackCollectionModel::TitleRole), wanted[row].title);
        QCOMPARE(removedRows, removed);
        QCOMPARE(insertedRows, inserted);
    }
};

ARU_TEST_MAIN(SidebarListsTest)
#include "tst_sidebar_lists.moc"
