#include "ServerAddress.h"
#include "TestHome.h"
#include "Track.h"

#include <QJsonDocument>

using namespace aru;

// Tracks name only the fields they set; the others keep their empty defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

Track decoded(const char* json) {
    auto track = Track::fromJson(QJsonDocument::fromJson(json).object());
    if (!track)
        qFatal("fixture does not decode: %s", json);
    return track.value();
}

Track named(const QString& title, const QString& artist, std::optional<QString> isrc = {}) {
    return {.title = title, .artist = artist, .isrc = std::move(isrc)};
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
        QVERIFY(!track.ok() && !track.error().isEmpty());
    }

    void lenientFieldsFallBack() {
        const Track t = decoded(R"({"id":9007199254740993,"title":"T","artist":"A",
            "genre":5,"mood":["Calm",3],"tempo":null,"year":"2019","themes":[],
            "instruments":"Piano","coverArt":"","description_fr":"Pluie","isrc":["x"],
            "unknown":{"nested":true}})");
        QCOMPARE(t.id, Q_INT64_C(9007199254740993)); // above 2^53, kept exactly
        QCOMPARE(t.audioFile, QString());
        QVERIFY(!t.genre && !t.mood && !t.tempo && !t.year && !t.instruments && !t.isrc &&
                !t.artists && !t.description && !t.bpm);
        QCOMPARE(t.themes, std::optional<QStringList>(QStringList()));
        QCOMPARE(t.coverArt, std::optional<QString>(QString()));
        QCOMPARE(t.description_fr, std::optional<QString>("Pluie"));
    }

    void bpmAcceptsIntegersAndStrictDecimalText_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<std::optional<qint64>>("expected");
        using O = std::optional<qint64>;
        QTest::newRow("number") << QByteArray("128") << O(128);
        QTest::newRow("integral double") << QByteArray("128.0") << O(128);
        QTest::newRow("fraction") << QByteArray("128.5") << O();
        QTest::newRow("text") << QByteArray(R"("128")") << O(128);
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
        QCOMPARE(encoded.value("bpm").toInteger(), 90);
        QCOMPARE(decoded(QJsonDocument(encoded).toJson().constData()), original);

        const QJsonObject sparse = decoded(R"({"id":1,"title":"T","artist":"A"})").toJson();
        QCOMPARE(sparse.keys(), (QStringList{"artist", "audioFile", "id", "title"}));
    }

    void equalityAndHashCoverEveryField() {
        const Track base = decoded(R"({"id":1,"title":"T","artist":"A","themes":["x"]})");
        Track emptyList = base;
        emptyList.mood = QStringList();
        Track otherTheme = base;
        otherTheme.themes = QStringList{"y"};
        Track otherDescription = base;
        otherDescription.description_ja = "j";
        for (const Track& other : {emptyList, otherTheme, otherDescription}) {
            QVERIFY(!(other == base));
            QVERIFY(qHash(other) != qHash(base));
        }
        QCOMPARE(qHash(Track(base)), qHash(base));
    }

    // The stream, cover and download addresses made from a track's fields.
    void addresses_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<std::optional<QString>>("field");
        QTest::addColumn<QString>("expected"); // empty: no valid address
        const auto row = [](const char* name, const char* kind, std::optional<QString> field,
                            const QString& expected) {
            QTest::newRow(name) << QString(kind) << field << expected;
        };
        const QString base = "https://sync.example.test";
        row("stream, path", "stream", "/api/audio/12.wav", base + "/api/audio-stream/12.wav");
        row("stream, absolute kept as is", "stream", "https://cdn.test/api/audio/12.wav",
            "https://cdn.test/api/audio/12.wav");
        row("stream, empty is the base", "stream", "", base);
        row("stream, space in path", "stream", "/api/audio/a b.wav",
            base + "/api/audio-stream/a%20b.wav");
        row("stream, broken absolute", "stream", "http://exa mple.test/x", "");
        row("cover, absent", "cover", std::nullopt, "");
        row("cover, empty", "cover", "", "");
        row("cover, a path is never completed with the base", "cover", "/covers/1.jpg", "");
        row("cover, absolute", "cover", "https://img.test/1.jpg", "https://img.test/1.jpg");
        const QString q = "email=jane%2Bsync%40example.com&token=a%2Bb%26c%3Dd%25e%23f";
        row("download, path", "download", "/api/audio/1234.wav",
            base + "/api/download/1234.wav?" + q);
        row("download, another origin gets no credentials", "download",
            "https://cdn.test/api/audio/1.wav", "https://cdn.test/api/download/1.wav");
        row("download, a path never changes the host", "download", ".evil.test/x.wav",
            base + "/.evil.test/x.wav?" + q);
        row("download, existing query first", "download", "/api/audio/1.wav?v=2",
            base + "/api/download/1.wav?v=2&" + q);
        row("download, other path", "download", "/files/1.wav", base + "/files/1.wav?" + q);
    }
    void addresses() {
        QFETCH(QString, kind);
        QFETCH(std::optional<QString>, field);
        QFETCH(QString, expected);
        const Track track{
            .audioFile = field.value_or(""), .coverArt = field, .downloadFile = field};
        const QUrl url = kind == "stream" ? track.streamingURL()
                         : kind == "cover"
                             ? track.coverArtURL()
                             : track.downloadURL("jane+sync@example.com", "a+b&c=d%e#f");
        QCOMPARE(url.isValid() ? url.toString(QUrl::FullyEncoded) : QString(), expected);
    }

    // The development override: https, or plain http to this machine only; anything else is
    // refused, and then nothing is sent anywhere.
    void baseAddressOverride_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("stream"); // empty: refused
        const auto row = [](const char* address, const char* stream) {
            QTest::newRow(address) << QString(address) << QString(stream);
        };
        row("http://127.0.0.1:8080/", "http://127.0.0.1:8080/api/audio-stream/1.wav");
        row("http://[::1]:9", "http://[::1]:9/api/audio-stream/1.wav");
        row("https://staging.example.test", "https://staging.example.test/api/audio-stream/1.wav");
        row("http://staging.example.test", "");
        row("http://127.0.0.1.evil.test", "");
        row("https://staging.example.test/prefix", "");
    }
    void baseAddressOverride() {
        QFETCH(QString, address);
        QFETCH(QString, stream);
        qputenv("ARU_SYNC_BASE_URL", address.toUtf8());
        const Track track{.audioFile = "/api/audio/1.wav"};
        QCOMPARE(track.streamingURL().toString(), stream);
        QCOMPARE(ServerAddress::overrideProblem().isEmpty(), !stream.isEmpty());
        QVERIFY(ServerAddress::overrideProblem().isEmpty() ||
                ServerAddress::overrideProblem().startsWith("ARU_SYNC_BASE_URL: " + address));
        qunsetenv("ARU_SYNC_BASE_URL");
        QVERIFY(track.streamingURL().toString().startsWith("https://"));
    }

    void fileNames_data() {
        QTest::addColumn<Track>("track");
        QTest::addColumn<QString>("onDisk");
        QTest::addColumn<QString>("dragged");
        const auto row = [](const char* name, const Track& track, const char* onDisk,
                            const char* dragged) {
            QTest::newRow(name) << track << QString(onDisk) << QString(dragged);
        };
        row("slash", named("Night Drive / Reprise", "Jane Roe"),
            "Night Drive - Reprise - Jane Roe.wav", "Night Drive  Reprise - Jane Roe");
        row("with isrc", named("T", "A", "FR-Z03-21"), "T - A - FR-Z03-21.wav",
            "T - A - FR-Z03-21");
        row("accents colon apostrophe", named("Éphémère : l'été", "Zoé"),
            "Éphémère - l'été - Zoé.wav", "Éphémère  lété - Zoé");
        row("blank title, colon artist", named("  ", ":"), "-.wav", "track");
        row("all empty", named(" \t", QString(), "\n"), "track.wav", "track");
        row("space runs and trimming", named("  a    b  ", "\tc\n"), "a b - c.wav", "a    b - c");
        row("punctuation kept on disk", named("Why? \"Now\" *", "東京 (Live)"),
            "Why? \"Now\" * - 東京 (Live).wav", "Why Now - 東京 (Live)");
        row("dots cannot escape", named("..", QString()), "...wav", "..");
        row("combining marks and digits", named("Cafe\u0301 №5 ½", "x_y-z."),
            "Cafe\u0301 №5 ½ - x_y-z..wav", "Cafe\u0301 5 ½ - x_y-z.");
        // A NUL would cut the name short where the system reads it.
        row("control characters", named(QString("Two\nlines") + QChar(0) + "nul\x7f", "A"),
            "Twolinesnul - A.wav", "Twolinesnul - A");
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
