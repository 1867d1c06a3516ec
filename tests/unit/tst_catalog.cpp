#include "CatalogFixture.h"
#include "CatalogPreview.h"
#include "QtCatalogReference.h"
#include "SyncCatalog.h"
#include "TestHome.h"

#include <QFutureWatcher>
#include <QSignalSpy>

using namespace aru;

namespace {

QByteArray withTracks(const QByteArray& tracks, const QByteArray& rest = {}) {
    return "{\"tracks\":[" + tracks + "]" + rest + "}";
}

const QByteArray validTrack = R"({"id":1,"title":"T","artist":"A"})";

} // namespace

class CatalogTest : public QObject {
    Q_OBJECT

private slots:
    // The memory a large catalogue keeps depends on repeated words being held once.
    void tracksShareTheirRepeatedWords() {
        const QByteArray json = withTracks(
            R"({"id":1,"title":"One","artist":"Ana","genre":"Ambient","mood":["Calm","Dark"]},)"
            R"({"id":2,"title":"Two","artist":"Ana","genre":"Ambient","mood":["Dark"]})");
        const auto catalog = SyncCatalog::fromJson(json);
        QVERIFY2(catalog.ok(), qPrintable(catalog.error()));
        const Track& one = catalog->tracks[0];
        const Track& two = catalog->tracks[1];
        QCOMPARE(one.artist.constData(), two.artist.constData());
        QCOMPARE(one.genre->constData(), two.genre->constData());
        QCOMPARE(one.mood->at(1).constData(), two.mood->at(0).constData());
        QVERIFY(one.title.constData() != two.title.constData());
    }

    // Documents the fast decoder must read exactly as Qt's own JSON parser does, and read again
    // the same once encoded.
    void agreesWithQtParser_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("tracks");
        QTest::newRow("generated catalogue") << test::generatedCatalogJson(300, 7) << 300;
        const auto track = [](const char* name, const QByteArray& json) {
            QTest::newRow(name) << withTracks(json) << 1;
        };
        track("integral double id", R"({"id":12.0,"title":"T","artist":"A"})");
        track("exponent year", R"({"id":1,"title":"T","artist":"A","year":2e3})");
        track("largest id", R"({"id":9223372036854775807,"title":"T","artist":"A"})");
        track("smallest id", R"({"id":-9223372036854775808,"title":"T","artist":"A"})");
        track("escapes", "{\"id\":1,\"title\":\"\\u00c9t\\u00e9 \\ud83c\\udfb5 "
                         "\\\"x\\\"\\n\",\"artist\":\"A\\/B\"}");
        track("raw non-ASCII",
              "{\"id\":1,\"title\":\"\xef\xbb\xbf\xc3\x89t\xc3\xa9 \xf0\x9f\x8e\xb5 "
              "\xe6\x97\xa5\",\"artist\":\"\xef\xbb\xbf\"}");
        track("keys out of order",
              R"({"artists":["x"],"bpm":"+90","id":3,"mood":[],"artist":"A","title":"T"})");
        track("nulls everywhere", R"({"id":1,"title":"T","artist":"A","audioFile":null,)"
                                  R"("mood":null,"bpm":null,"year":null})");
        track("wrong types", R"({"id":1,"title":"T","artist":"A","audioFile":4,"mood":"Calm",)"
                             R"("bpm":true,"themes":[null]})");
        track("integral double bpm", R"({"id":1,"title":"T","artist":"A","bpm":90.0})");
        // Repeated keys count by their last occurrence.
        QTest::newRow("tracks twice")
            << QByteArray(R"({"tracks":[],"tracks":[{"id":2,"title":"T","artist":"A"}]})") << 1;
        QTest::newRow("library twice") << withTracks(validTrack, R"(,"tagLibrary":{"moods":["A"]},)"
                                                                 R"("tagLibrary":{"genres":["B"]})")
                                       << 1;
        QTest::newRow("list twice") << withTracks(validTrack, R"(,"tagLibrary":{"moods":["A"],)"
                                                              R"("moods":null,"tempos":["S"],)"
                                                              R"("tempos":["F"]})")
                                    << 1;
        // An absent or partial tag library is no error.
        QTest::newRow("null library") << withTracks(validTrack, R"(,"tagLibrary":null)") << 1;
        QTest::newRow("null lists")
            << withTracks(validTrack, R"(,"tagLibrary":{"moods":null,"tempos":["Slow"]})") << 1;
        QTest::newRow("no tracks at all") << withTracks({}, R"(,"tagLibrary":{})") << 0;
    }
    void agreesWithQtParser() {
        QFETCH(QByteArray, json);
        QFETCH(int, tracks);
        const auto fast = SyncCatalog::fromJson(json);
        const auto reference = test::decodeCatalogWithQtJson(json);
        QVERIFY2(fast.ok(), qPrintable(fast.error()));
        QVERIFY(reference.ok());
        QCOMPARE(fast->tracks.size(), tracks);
        QVERIFY(fast.value() == reference.value());
        QVERIFY(SyncCatalog::fromJson(fast->toJson()).value() == fast.value());
    }

    void rejectsTheWholeDocument_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not json") << QByteArray("<html>502 Bad Gateway</html>");
        QTest::newRow("top-level array") << QByteArray("[" + validTrack + "]");
        QTest::newRow("no tracks") << QByteArray(R"({"tagLibrary":{}})");
        QTest::newRow("tracks not an array") << QByteArray(R"({"tracks":{}})");
        QTest::newRow("track not an object") << withTracks(validTrack + ",5");
        QTest::newRow("one track without title")
            << withTracks(validTrack + R"(,{"id":2,"artist":"A"},)" + validTrack);
        QTest::newRow("duplicate key ends invalid")
            << withTracks(R"({"id":1,"title":"T","artist":"A","id":"1"})");
        QTest::newRow("tagLibrary not an object") << withTracks(validTrack, R"(,"tagLibrary":[])");
        QTest::newRow("tagLibrary list with a number")
            << withTracks(validTrack, R"(,"tagLibrary":{"moods":["Calm",1]})");
        QTest::newRow("tagLibrary list is text")
            << withTracks(validTrack, R"(,"tagLibrary":{"genres":"Ambient"})");
        QTest::newRow("trailing garbage") << withTracks(validTrack) + "}";
        QTest::newRow("truncated") << withTracks(validTrack).chopped(3);
        QTest::newRow("broken value in an ignored key")
            << withTracks(R"({"id":1,"title":"T","artist":"A","extra":tru})");
        QTest::newRow("bad number in an ignored key")
            << withTracks(R"({"id":1,"title":"T","artist":"A","extra":01})");
        QTest::newRow("invalid UTF-8 in an ignored key")
            << withTracks("{\"id\":1,\"title\":\"T\",\"artist\":\"A\",\"extra\":\"\xc3\x28\"}");
        QTest::newRow("invalid UTF-8 in an ignored top-level key")
            << withTracks(validTrack, ",\"note\":\"\xff\"");
        QTest::newRow("deep nesting") << withTracks(
            validTrack, ",\"x\":" + QByteArray(100000, '[') + QByteArray(100000, ']'));
    }
    void rejectsTheWholeDocument() {
        QFETCH(QByteArray, json);
        const auto fast = SyncCatalog::fromJson(json);
        QVERIFY(!fast.ok());
        QVERIFY(!fast.error().isEmpty());
        QVERIFY(!test::decodeCatalogWithQtJson(json).ok());
    }

    // The first tracks read from the beginning of a document alone: those it holds whole.
    void previewReadsTheWholeTracksOfABeginning_data() {
        QTest::addColumn<QByteArray>("beginning");
        QTest::addColumn<int>("tracks"); // -1: no preview
        const QByteArray tricky = "{\"id\":2,\"title\":\"a } \\\" ] {\",\"artist\":\"A\"}";
        const QByteArray document = withTracks(validTrack + "," + tricky + "," + validTrack,
                                               R"(,"tagLibrary":{"moods":["Calm"]})");
        QTest::newRow("whole document") << document << 3;
        QTest::newRow("cut in the third track") << document.first(document.lastIndexOf("T")) << 2;
        QTest::newRow("cut in a string with brackets")
            << document.first(document.indexOf("] {")) << 1;
        QTest::newRow("blanks") << QByteArray(" { \"tracks\" : [ " + validTrack + " , {") << 1;
        QTest::newRow("no whole track") << document.first(20) << -1;
        QTest::newRow("tracks not first")
            << QByteArray("{\"tagLibrary\":{},\"tracks\":[" + validTrack) << -1;
    }
    void previewReadsTheWholeTracksOfABeginning() {
        QFETCH(QByteArray, beginning);
        QFETCH(int, tracks);
        const auto preview = CatalogPreview::fromBeginning(beginning);
        QCOMPARE(preview.ok(), tracks >= 0);
        if (tracks < 0)
            return;
        QCOMPARE(preview->tracks.size(), tracks);
        QVERIFY(!preview->tagLibrary);
        QCOMPARE(preview->tracks.last().id, tracks == 2 ? 2 : 1);
    }

    void decodesOnAWorkerThread() {
        QFutureWatcher<Decoded<SyncCatalog>> watcher;
        QSignalSpy finished(&watcher, &QFutureWatcherBase::finished);
        watcher.setFuture(SyncCatalog::fromJsonInBackground(test::generatedCatalogJson(50)));
        QVERIFY(finished.wait(10000));
        QCOMPARE(watcher.result().value().tracks.size(), 50);
    }
};

ARU_TEST_MAIN(CatalogTest)
#include "tst_catalog.moc"
