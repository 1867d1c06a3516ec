#include "TestHome.h"
#include "Track.h"

#include <QJsonDocument>
#include <QUrlQuery>

using namespace aru;

namespace {

QJsonObject object(const char* json) {
    return QJsonDocument::fromJson(QByteArray(json)).object();
}

Track decoded(const char* json) {
    auto track = Track::fromJson(object(json));
    if (!track)
        qFatal("fixture does not decode: %s", json);
    return track.value();
}

Track named(const QString& title, const QString& artist, std::optional<QString> isrc = {}) {
    Track track;
    track.title = title;
    track.artist = artist;
    track.isrc = std::move(isrc);
    return track;
}

} // namespace

class TrackTest : public QObject {
    Q_OBJECT

private slots:
    void init() { qputenv("ARU_SYNC_BASE_URL", "https://sync.example.test"); }

    void requiredFieldsRejectTheTrack_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("no id") << QByteArray(R"({"title":"T","artist":"A"})");
        QTest::newRow("id as text") << QByteArray(R"({"id":"7","title":"T","artist":"A"})");
        QTest::newRow("fractional id") << QByteArray(R"({"id":7.5,"title":"T","artist":"A"})");
        QTest::newRow("id above 64 bits")
            << QByteArray(R"({"id":18446744073709551616,"title":"T","artist":"A"})");
        QTest::newRow("null title") << QByteArray(R"({"id":7,"title":null,"artist":"A"})");
        QTest::newRow("numeric artist") << QByteArray(R"({"id":7,"title":"T","artist":3})");
        QTest::newRow("no artist") << QByteArray(R"({"id":7,"title":"T"})");
    }
    void requiredFieldsRejectTheTrack() {
        QFETCH(QByteArray, json);
        const auto track = Track::fromJson(QJsonDocument::fromJson(json).object());
        QVERIFY(!track.ok());
        QVERIFY(!track.error().isEmpty());
    }

    void lenientFieldsFallBack() {
        const Track t = decoded(R"({"id":9007199254740993,"title":"T","artist":"A",
            "genre":5,"mood":["Calm",3],"tempo":null,"year":"2019","themes":[],
            "instruments":"Piano","coverArt":"","description_fr":"Pluie","isrc":["x"],
            "unknown":{"nested":true}})");
        QCOMPARE(t.id, Q_INT64_C(9007199254740993)); // above 2^53, kept exactly
        QCOMPARE(t.audioFile, QString());
        QVERIFY(!t.genre && !t.mood && !t.tempo && !t.year && !t.instruments && !t.isrc);
        QCOMPARE(t.themes, std::optional<QStringList>(QStringList()));
        QCOMPARE(t.coverArt, std::optional<QString>(QString()));
        QCOMPARE(t.description_fr, std::optional<QString>(QStringLiteral("Pluie")));
        QVERIFY(!t.artists && !t.description && !t.bpm);
    }

    void bpmAcceptsIntegersAndStrictDecimalText_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<std::optional<qint64>>("expected");
        using O = std::optional<qint64>;
        QTest::newRow("number") << QByteArray("128") << O(128);
        QTest::newRow("integral double") << QByteArray("128.0") << O(128);
        QTest::newRow("fraction") << QByteArray("128.5") << O();
        QTest::newRow("text") << QByteArray(R"("128")") << O(128);
        QTest::newRow("negative text") << QByteArray(R"("-5")") << O(-5);
        QTest::newRow("plus text") << QByteArray(R"("+7")") << O(7);
        QTest::newRow("empty text") << QByteArray(R"("")") << O();
        QTest::newRow("lone sign") << QByteArray(R"("+")") << O();
        QTest::newRow("unit") << QByteArray(R"("120 bpm")") << O();
        QTest::newRow("leading space") << QByteArray(R"(" 120")") << O();
        QTest::newRow("decimal text") << QByteArray(R"("120.0")") << O();
        QTest::newRow("double sign") << QByteArray(R"("--1")") << O();
        QTest::newRow("max") << QByteArray(R"("9223372036854775807")") << O(INT64_MAX);
        QTest::newRow("min") << QByteArray(R"("-9223372036854775808")") << O(INT64_MIN);
        QTest::newRow("overflow") << QByteArray(R"("9223372036854775808")") << O();
        QTest::newRow("array") << QByteArray("[128]") << O();
    }
    void bpmAcceptsIntegersAndStrictDecimalText() {
        QFETCH(QByteArray, value);
        QFETCH(std::optional<qint64>, expected);
        const QByteArray json = R"({"id":1,"title":"T","artist":"A","bpm":)" + value + "}";
        QCOMPARE(decoded(json.constData()).bpm, expected);
    }

    void encodingRoundTripsAndLeavesAbsentFieldsOut() {
        const Track original = decoded(R"({"id":-3,"title":"Nuit","artist":"Ève","genre":"Ambient",
            "mood":["Calm","Dark"],"tempo":"Slow","duration":"3:05","audioFile":"/api/audio/3.wav",
            "coverArt":"https:\/\/c.test\/3.jpg","downloadFile":"/api/audio/3.wav","album":"A",
            "year":2021,"isrc":"FR-X","key":"C minor","bpm":"90","vocal":"Instrumental",
            "instruments":["Piano"],"themes":[],"description":"d","description_fr":"f",
            "description_ja":"j","artists":["Ève","Bob"]})");
        const QJsonObject encoded = original.toJson();
        QCOMPARE(encoded.size(), 22);
        QCOMPARE(encoded.value(QLatin1String("bpm")).toInteger(), 90);
        QCOMPARE(decoded(QJsonDocument(encoded).toJson().constData()), original);

        const QJsonObject sparse = decoded(R"({"id":1,"title":"T","artist":"A"})").toJson();
        QCOMPARE(sparse.keys(), (QStringList{QStringLiteral("artist"), QStringLiteral("audioFile"),
                                             QStringLiteral("id"), QStringLiteral("title")}));
    }

    void equalityAndHashCoverEveryField() {
        const Track base = decoded(R"({"id":1,"title":"T","artist":"A","themes":["x"]})");
        Track emptyList = base;
        emptyList.mood = QStringList();
        Track otherTheme = base;
        otherTheme.themes = QStringList{QStringLiteral("y")};
        Track otherDescription = base;
        otherDescription.description_ja = QStringLiteral("j");
        for (const Track& other : {emptyList, otherTheme, otherDescription}) {
            QVERIFY(!(other == base));
            QVERIFY(qHash(other) != qHash(base));
        }
        QCOMPARE(qHash(Track(base)), qHash(base));
    }

    void streamingUrl_data() {
        QTest::addColumn<QString>("audioFile");
        QTest::addColumn<QString>("expected");
        QTest::newRow("path") << "/api/audio/12.wav"
                              << "https://sync.example.test/api/audio-stream/12.wav";
        QTest::newRow("absolute kept as is") << "https://cdn.test/api/audio/12.wav"
                                             << "https://cdn.test/api/audio/12.wav";
        QTest::newRow("empty is the base") << ""
                                           << "https://sync.example.test";
        QTest::newRow("space in path") << "/api/audio/a b.wav"
                                       << "https://sync.example.test/api/audio-stream/a%20b.wav";
        QTest::newRow("broken absolute") << "http://exa mple.test/x"
                                         << "";
    }
    void streamingUrl() {
        QFETCH(QString, audioFile);
        QFETCH(QString, expected);
        Track track = named(QStringLiteral("T"), QStringLiteral("A"));
        track.audioFile = audioFile;
        QCOMPARE(track.streamingURL().toString(QUrl::FullyEncoded), expected);
    }

    void baseAddressComesFromTheEnvironmentWithoutTrailingSlash() {
        qputenv("ARU_SYNC_BASE_URL", "http://127.0.0.1:8080/");
        Track track = named(QStringLiteral("T"), QStringLiteral("A"));
        track.audioFile = QStringLiteral("/api/audio/1.wav");
        QCOMPARE(track.streamingURL(),
                 QUrl(QStringLiteral("http://127.0.0.1:8080/api/audio-stream/1.wav")));
        qunsetenv("ARU_SYNC_BASE_URL");
        QVERIFY(track.streamingURL().toString().startsWith(QLatin1String("https://")));
    }

    void coverUrl() {
        Track track = named(QStringLiteral("T"), QStringLiteral("A"));
        QVERIFY(!track.coverArtURL().isValid());
        track.coverArt = QString();
        QVERIFY(!track.coverArtURL().isValid());
        track.coverArt = QStringLiteral("/covers/1.jpg"); // never completed with the base
        QVERIFY(!track.coverArtURL().isValid());
        track.coverArt = QStringLiteral("https://img.test/1.jpg");
        QCOMPARE(track.coverArtURL(), QUrl(QStringLiteral("https://img.test/1.jpg")));
    }

    void downloadUrl_data() {
        QTest::addColumn<QString>("downloadFile");
        QTest::addColumn<QString>("expected");
        const QString q =
            QStringLiteral("email=jane%2Bsync%40example.com&token=a%2Bb%26c%3Dd%25e%23f");
        QTest::newRow("path") << "/api/audio/1234.wav"
                              << "https://sync.example.test/api/download/1234.wav?" + q;
        QTest::newRow("absolute rewritten") << "https://cdn.test/api/audio/1.wav"
                                            << "https://cdn.test/api/download/1.wav?" + q;
        QTest::newRow("existing query first")
            << "/api/audio/1.wav?v=2"
            << "https://sync.example.test/api/download/1.wav?v=2&" + q;
        QTest::newRow("other path") << "/files/1.wav"
                                    << "https://sync.example.test/files/1.wav?" + q;
    }
    void downloadUrl() {
        QFETCH(QString, downloadFile);
        QFETCH(QString, expected);
        Track track = named(QStringLiteral("T"), QStringLiteral("A"));
        track.downloadFile = downloadFile;
        const QUrl url = track.downloadURL(QStringLiteral("jane+sync@example.com"),
                                           QStringLiteral("a+b&c=d%e#f"));
        QCOMPARE(url.toString(QUrl::FullyEncoded), expected);
        // What a server reads back is exactly what was given.
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue(QStringLiteral("email"), QUrl::FullyDecoded),
                 QStringLiteral("jane+sync@example.com"));
        QCOMPARE(query.queryItemValue(QStringLiteral("token"), QUrl::FullyDecoded),
                 QStringLiteral("a+b&c=d%e#f"));
    }

    void fileNames_data() {
        QTest::addColumn<Track>("track");
        QTest::addColumn<QString>("onDisk");
        QTest::addColumn<QString>("dragged");
        QTest::newRow("slash") << named(QStringLiteral("Night Drive / Reprise"),
                                        QStringLiteral("Jane Roe"))
                               << "Night Drive - Reprise - Jane Roe.wav"
                               << "Night Drive  Reprise - Jane Roe";
        QTest::newRow("with isrc")
            << named(QStringLiteral("T"), QStringLiteral("A"), QStringLiteral("FR-Z03-21"))
            << "T - A - FR-Z03-21.wav"
            << "T - A - FR-Z03-21";
        QTest::newRow("accents colon apostrophe")
            << named(QStringLiteral("Éphémère : l'été"), QStringLiteral("Zoé"))
            << "Éphémère - l'été - Zoé.wav"
            << "Éphémère  lété - Zoé";
        QTest::newRow("blank title, colon artist")
            << named(QStringLiteral("  "), QStringLiteral(":")) << "-.wav"
            << "track";
        QTest::newRow("all empty")
            << named(QStringLiteral(" \t"), QString(), QStringLiteral("\n")) << "track.wav"
            << "track";
        QTest::newRow("space runs and trimming")
            << named(QStringLiteral("  a    b  "), QStringLiteral("\tc\n")) << "a b - c.wav"
            << "a    b - c";
        QTest::newRow("punctuation kept on disk")
            << named(QStringLiteral("Why? \"Now\" *"), QStringLiteral("東京 (Live)"))
            << "Why? \"Now\" * - 東京 (Live).wav"
            << "Why Now - 東京 (Live)";
        QTest::newRow("dots cannot escape") << named(QStringLiteral(".."), QString()) << "...wav"
                                            << "..";
        QTest::newRow("combining marks and digits")
            << named(QStringLiteral("Cafe\u0301 №5 ½"), QStringLiteral("x_y-z."))
            << "Cafe\u0301 №5 ½ - x_y-z..wav"
            << "Cafe\u0301 5 ½ - x_y-z.";
    }
    void fileNames() {
        QFETCH(Track, track);
        QFETCH(QString, onDisk);
        QFETCH(QString, dragged);
        QCOMPARE(track.suggestedFilename(), onDisk);
        QCOMPARE(Track::niceFilename(track), dragged);
    }
};

ARU_TEST_MAIN(TrackTest)
#include "tst_track.moc"
