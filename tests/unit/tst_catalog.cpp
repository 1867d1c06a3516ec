#include "CatalogFixture.h"
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
    void agreesWithQtParserOnAGeneratedCatalogue() {
        const QByteArray json = test::generatedCatalogJson(300, 7);
        const auto fast = SyncCatalog::fromJson(json);
        const auto reference = test::decodeCatalogWithQtJson(json);
        QVERIFY2(fast.ok(), qPrintable(fast.error()));
        QVERIFY(reference.ok());
        QCOMPARE(fast->tracks.size(), 300);
        QVERIFY(fast->tracks == reference->tracks);
        QVERIFY(fast->tagLibrary == reference->tagLibrary);
        QVERIFY(fast->tagLibrary && fast->tagLibrary->moods && !fast->tagLibrary->moods->isEmpty());
        // Encoding and decoding again gives the same catalogue.
        QVERIFY(SyncCatalog::fromJson(fast->toJson()).value() == fast.value());
    }

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

    void agreesWithQtParserOnUnusualTracks_data() {
        QTest::addColumn<QByteArray>("track");
        QTest::newRow("integral double id")
            << QByteArray(R"({"id":12.0,"title":"T","artist":"A"})");
        QTest::newRow("exponent year")
            << QByteArray(R"({"id":1,"title":"T","artist":"A","year":2e3})");
        QTest::newRow("largest id")
            << QByteArray(R"({"id":9223372036854775807,"title":"T","artist":"A"})");
        QTest::newRow("smallest id")
            << QByteArray(R"({"id":-9223372036854775808,"title":"T","artist":"A"})");
        QTest::newRow("escapes") << QByteArray(
            "{\"id\":1,\"title\":\"\\u00c9t\\u00e9 \\ud83c\\udfb5 "
            "\\\"x\\\"\\n\",\"artist\":\"A\\/B\"}");
        QTest::newRow("keys out of order") << QByteArray(
            R"({"artists":["x"],"bpm":"+90","id":3,"mood":[],"artist":"A","title":"T"})");
        QTest::newRow("nulls everywhere") << QByteArray(
            R"({"id":1,"title":"T","artist":"A","audioFile":null,"mood":null,"bpm":null,"year":null})");
        QTest::newRow("wrong types") << QByteArray(
            R"({"id":1,"title":"T","artist":"A","audioFile":4,"mood":"Calm","bpm":true,"themes":[null]})");
        QTest::newRow("integral double bpm")
            << QByteArray(R"({"id":1,"title":"T","artist":"A","bpm":90.0})");
    }
    void agreesWithQtParserOnUnusualTracks() {
        QFETCH(QByteArray, track);
        const QByteArray json = withTracks(track);
        const auto fast = SyncCatalog::fromJson(json);
        const auto reference = test::decodeCatalogWithQtJson(json);
        QVERIFY2(fast.ok(), qPrintable(fast.error()));
        QVERIFY(reference.ok());
        QVERIFY(fast->tracks == reference->tracks);
    }

    void repeatedKeysCountByTheirLastOccurrence_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("tracks twice")
            << QByteArray(R"({"tracks":[],"tracks":[{"id":2,"title":"T","artist":"A"}]})");
        QTest::newRow("library twice") << withTracks(
            validTrack, R"(,"tagLibrary":{"moods":["A"]},"tagLibrary":{"genres":["B"]})");
        QTest::newRow("list twice") << withTracks(
            validTrack,
            R"(,"tagLibrary":{"moods":["A"],"moods":null,"tempos":["S"],"tempos":["F"]})");
    }
    void repeatedKeysCountByTheirLastOccurrence() {
        QFETCH(QByteArray, json);
        const auto fast = SyncCatalog::fromJson(json);
        const auto reference = test::decodeCatalogWithQtJson(json);
        QVERIFY2(fast.ok(), qPrintable(fast.error()));
        QVERIFY(reference.ok());
        QVERIFY(fast.value() == reference.value());
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

    void acceptsAbsentOrPartialTagLibrary_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("hasLibrary");
        QTest::newRow("missing") << withTracks(validTrack) << false;
        QTest::newRow("null") << withTracks(validTrack, R"(,"tagLibrary":null)") << false;
        QTest::newRow("null lists")
            << withTracks(validTrack, R"(,"tagLibrary":{"moods":null,"tempos":["Slow"]})") << true;
        QTest::newRow("no tracks at all") << withTracks({}, R"(,"tagLibrary":{})") << true;
    }
    void acceptsAbsentOrPartialTagLibrary() {
        QFETCH(QByteArray, json);
        QFETCH(bool, hasLibrary);
        const auto catalog = SyncCatalog::fromJson(json);
        QVERIFY2(catalog.ok(), qPrintable(catalog.error()));
        QCOMPARE(catalog->tagLibrary.has_value(), hasLibrary);
        QVERIFY(catalog->tagLibrary == test::decodeCatalogWithQtJson(json)->tagLibrary);
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
