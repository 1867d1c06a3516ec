// The catalogue server's answers as the client reads them: sign-in, password reset, catalogue,
// favourites, search interpretation, image search, peaks and covers.

#include "CatalogServerProcess.h"
#include "HttpProbe.h"
#include "TestHome.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QtTest/QtTest>

using namespace aru::test;

namespace {

constexpr qint64 kLargeId = Q_INT64_C(9007199254740993);
const QString kAuth = QStringLiteral("/api/sync/auth");
const QString kFavorites = QStringLiteral("/api/sync/favorites");

QJsonObject signInBody(const QString& email, const QString& password) {
    return {{QStringLiteral("email"), email}, {QStringLiteral("password"), password}};
}

QSet<QString> stringSet(const QJsonValue& value) {
    QSet<QString> set;
    for (const QJsonValue& item : value.toArray())
        set.insert(item.toString());
    return set;
}

QList<qint64> ids(const ProbeReply& reply) {
    QList<qint64> list;
    for (const QJsonValue& id : reply.json().value(QStringLiteral("trackIds")).toArray())
        list.append(id.toInteger());
    return list;
}

QString dataUrl(const QColor& colour, const char* format) {
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return QStringLiteral("data:image/%1;base64,").arg(QString::fromLatin1(format).toLower()) +
           QString::fromLatin1(bytes.toBase64());
}

} // namespace

class CatalogServerApiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(m_server.isRunning(), qPrintable(m_server.errorString()));
        m_probe = std::make_unique<HttpProbe>(m_server.baseUrl());
        const ProbeReply catalogue = m_probe->get(QStringLiteral("/api/sync/catalog"));
        QCOMPARE(catalogue.status, 200);
        m_catalogue = catalogue.json();
    }

    void signIn_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("errorContains");
        const auto json = [](const QJsonObject& o) { return QJsonDocument(o).toJson(); };
        QTest::newRow("approved") << json(signInBody(QStringLiteral(" Demo@ARU.test "),
                                                     QStringLiteral("aru-demo")))
                                  << 200 << QString();
        QTest::newRow("not approved")
            << json(signInBody(QStringLiteral("pending@aru.test"), QStringLiteral("aru-demo")))
            << 403 << QStringLiteral("attente");
        QTest::newRow("wrong password")
            << json(signInBody(QStringLiteral("demo@aru.test"), QStringLiteral("nope"))) << 401
            << QStringLiteral("incorrect");
        QTest::newRow("unknown account")
            << json(signInBody(QStringLiteral("who@aru.test"), QStringLiteral("aru-demo"))) << 401
            << QStringLiteral("incorrect");
        QTest::newRow("missing password")
            << json({{QStringLiteral("email"), QStringLiteral("demo@aru.test")}}) << 400
            << QStringLiteral("requis");
        QTest::newRow("not json") << QByteArray("email=demo") << 400 << QStringLiteral("JSON");
    }

    void signIn() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, errorContains);
        const ProbeReply reply = m_probe->post(kAuth, body);
        QCOMPARE(reply.status, status);
        const QJsonObject answer = reply.json();
        if (status == 200) {
            QVERIFY(answer.value(QStringLiteral("success")).toBool());
            QCOMPARE(answer.value(QStringLiteral("token")).toString().size(), 64);
            const QJsonObject user = answer.value(QStringLiteral("user")).toObject();
            QCOMPARE(user.value(QStringLiteral("email")).toString(),
                     QStringLiteral("demo@aru.test"));
            QVERIFY(user.value(QStringLiteral("id")).isString());
        } else {
            const QString error = answer.value(QStringLiteral("error")).toString();
            QVERIFY2(error.contains(errorContains), qPrintable(error));
            // The client turns any error containing "incorrect" into "wrong credentials".
            QCOMPARE(error.contains(QStringLiteral("incorrect")), status == 401);
        }
    }

    void eachSignInGetsItsOwnToken() {
        const QString first = m_probe->signIn(QStringLiteral("demo@aru.test"));
        const QString second = m_probe->signIn(QStringLiteral("demo@aru.test"));
        QVERIFY(!first.isEmpty());
        QVERIFY(first != second);
        QCOMPARE(m_probe->get(kFavorites, HttpProbe::bearer(first)).status, 200);
    }

    void passwordReset_data() {
        QTest::addColumn<QJsonValue>("email");
        QTest::addColumn<int>("status");
        QTest::newRow("known") << QJsonValue(QStringLiteral("pending@aru.test")) << 200;
        QTest::newRow("unknown") << QJsonValue(QStringLiteral("nobody@aru.test")) << 404;
        QTest::newRow("not a string") << QJsonValue(12) << 400;
    }

    void passwordReset() {
        QFETCH(QJsonValue, email);
        QFETCH(int, status);
        const ProbeReply reply =
            m_probe->postJson(kAuth, {{QStringLiteral("email"), email},
                                      {QStringLiteral("action"), QStringLiteral("reset")}});
        QCOMPARE(reply.status, status);
        if (status != 200)
            QVERIFY(!reply.json().value(QStringLiteral("error")).toString().isEmpty());
    }

    void catalogueHasTheTrackFieldsAndVariantsTheClientReads() {
        const QJsonArray tracks = m_catalogue.value(QStringLiteral("tracks")).toArray();
        QCOMPARE(tracks.size(), 60);
        const QJsonObject library = m_catalogue.value(QStringLiteral("tagLibrary")).toObject();
        const QSet<QString> moods = stringSet(library.value(QStringLiteral("moods")));
        QSet<QString> usedMoods, usedThemes;
        QSet<qint64> seenIds;
        int textBpm = 0, numberBpm = 0, withoutCover = 0, withQuery = 0, absolute = 0;
        for (const QJsonValue& value : tracks) {
            const QJsonObject track = value.toObject();
            const qint64 id = track.value(QStringLiteral("id")).toInteger(-1);
            QVERIFY(id > 0);
            QVERIFY(!seenIds.contains(id));
            seenIds.insert(id);
            QVERIFY(!track.value(QStringLiteral("title")).toString().isEmpty());
            QVERIFY(!track.value(QStringLiteral("artist")).toString().isEmpty());
            const QString audio = track.value(QStringLiteral("audioFile")).toString();
            QVERIFY(audio.contains(QStringLiteral("/api/audio/%1.wav").arg(id)));
            absolute += audio.startsWith(QStringLiteral("http"));
            withQuery += track.value(QStringLiteral("downloadFile"))
                             .toString()
                             .endsWith(QStringLiteral("?v=2"));
            const QJsonArray trackMoods = track.value(QStringLiteral("mood")).toArray();
            QVERIFY(trackMoods.size() >= 2 && trackMoods.size() <= 6);
            usedMoods += stringSet(trackMoods);
            usedThemes += stringSet(track.value(QStringLiteral("themes")));
            const QJsonValue bpm = track.value(QStringLiteral("bpm"));
            textBpm += bpm.isString();
            numberBpm += bpm.isDouble();
            const QString vocal = track.value(QStringLiteral("vocal")).toString();
            QVERIFY(vocal == QLatin1String("Vocal") || vocal == QLatin1String("Instrumental"));
            QVERIFY(!track.value(QStringLiteral("description_ja")).toString().isEmpty());
            if (!track.contains(QStringLiteral("coverArt")))
                ++withoutCover;
            else
                QVERIFY(
                    track.value(QStringLiteral("coverArt"))
                        .toString()
                        .startsWith(m_server.baseUrl().toString() + QStringLiteral("/covers/")));
        }
        QCOMPARE(usedMoods, moods);
        QCOMPARE(usedThemes, stringSet(library.value(QStringLiteral("themes"))));
        QVERIFY(moods.contains(QStringLiteral("Calm")) && moods.contains(QStringLiteral("Dark")));
        QVERIFY(textBpm > 0 && numberBpm > 0);
        QVERIFY(withoutCover > 0 && withQuery > 0 && absolute > 0);
        // An id past 2^53 survives only if the server writes it exactly.
        QVERIFY(seenIds.contains(kLargeId));
    }

    void catalogueDependsOnSeedAndSizeOnly() {
        CatalogServerProcess first({QStringLiteral("--seed"), QStringLiteral("7")});
        CatalogServerProcess second({QStringLiteral("--seed"), QStringLiteral("7")});
        CatalogServerProcess other({QStringLiteral("--seed"), QStringLiteral("8"),
                                    QStringLiteral("--tracks"), QStringLiteral("250")});
        QVERIFY(first.isRunning() && second.isRunning() && other.isRunning());
        const auto titles = [](const CatalogServerProcess& server) {
            const QJsonArray tracks = HttpProbe(server.baseUrl())
                                          .get(QStringLiteral("/api/sync/catalog"))
                                          .json()
                                          .value(QStringLiteral("tracks"))
                                          .toArray();
            QStringList list;
            for (const QJsonValue& track : tracks)
                list << track.toObject().value(QStringLiteral("title")).toString();
            return list;
        };
        QCOMPARE(titles(first), titles(second));
        const QStringList otherTitles = titles(other);
        QCOMPARE(otherTitles.size(), 250);
        QVERIFY(otherTitles.mid(0, 60) != titles(first));
    }

    void favouritesNeedAValidToken_data() {
        QTest::addColumn<QByteArray>("authorization");
        QTest::newRow("none") << QByteArray();
        QTest::newRow("unknown token") << QByteArray("Bearer 0123456789abcdef");
        QTest::newRow("other scheme") << QByteArray("Basic ZGVtbzphcnU=");
    }

    void favouritesNeedAValidToken() {
        QFETCH(QByteArray, authorization);
        HttpProbe::Headers headers;
        if (!authorization.isEmpty())
            headers.append({QByteArrayLiteral("Authorization"), authorization});
        QCOMPARE(m_probe->get(kFavorites, headers).status, 401);
        QCOMPARE(m_probe->postJson(kFavorites, {{QStringLiteral("trackId"), 1002}}, headers).status,
                 401);
        QCOMPARE(m_probe->remove(kFavorites + QStringLiteral("?trackId=1002"), headers).status,
                 401);
    }

    void favouritesAreKeptPerAccount() {
        const auto demo = HttpProbe::bearer(m_probe->signIn(QStringLiteral("demo@aru.test")));
        const auto jane = HttpProbe::bearer(m_probe->signIn(QStringLiteral("sync+jane@aru.test")));
        QCOMPARE(m_probe->postJson(kFavorites, {{QStringLiteral("trackId"), 1010}}, demo).status,
                 200);
        QCOMPARE(m_probe->postJson(kFavorites, {{QStringLiteral("trackId"), 1003}}, demo).status,
                 200);
        QCOMPARE(m_probe->postJson(kFavorites, {{QStringLiteral("trackId"), 1010}}, demo).status,
                 200);
        QCOMPARE(ids(m_probe->get(kFavorites, demo)), (QList<qint64>{1010, 1003}));
        QCOMPARE(ids(m_probe->get(kFavorites, jane)), QList<qint64>());

        QCOMPARE(m_probe->remove(kFavorites + QStringLiteral("?trackId=1010"), demo).status, 200);
        QCOMPARE(ids(m_probe->get(kFavorites, demo)), QList<qint64>{1003});

        QCOMPARE(m_probe->postJson(kFavorites, {{QStringLiteral("trackId"), 12.5}}, demo).status,
                 400);
        QCOMPARE(
            m_probe->postJson(kFavorites, {{QStringLiteral("trackId"), QStringLiteral("7")}}, demo)
                .status,
            400);
        QCOMPARE(m_probe->remove(kFavorites + QStringLiteral("?trackId=x"), demo).status, 400);
    }

    void favouritesAndTokensSurviveARestart() {
        auto first = std::make_unique<CatalogServerProcess>();
        QVERIFY(first->isRunning());
        QString token;
        {
            HttpProbe probe(first->baseUrl());
            token = probe.signIn(QStringLiteral("demo@aru.test"));
            const QJsonObject body{{QStringLiteral("trackId"), kLargeId}};
            QCOMPARE(probe.postJson(kFavorites, body, HttpProbe::bearer(token)).status, 200);
        }
        QVERIFY(first->stop());
        // A second server over the same folder; the first one's folder must outlive it.
        CatalogServerProcess second({}, first->dataDir());
        QVERIFY(second.isRunning());
        HttpProbe probe(second.baseUrl());
        QCOMPARE(ids(probe.get(kFavorites, HttpProbe::bearer(token))), QList<qint64>{kLargeId});
        QFile saved(first->dataDir() + QStringLiteral("/favorites.json"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("demo@aru.test"));
    }

    void interpretationUsesOnlyTheOfferedTags_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("japanese") << QStringLiteral("雨の夜")
                                  << QStringList{QStringLiteral("Melancholic"),
                                                 QStringLiteral("Dark")};
        QTest::newRow("spanish") << QStringLiteral("una noche de lluvia")
                                 << QStringList{QStringLiteral("Dark"),
                                                QStringLiteral("Melancholic")};
        QTest::newRow("tag word") << QStringLiteral("something calm")
                                  << QStringList{QStringLiteral("Calm")};
        QTest::newRow("unknown words") << QStringLiteral("zzz qqq") << QStringList();
    }

    void interpretationUsesOnlyTheOfferedTags() {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        const QStringList offered{QStringLiteral("Calm"), QStringLiteral("Dark"),
                                  QStringLiteral("Melancholic"), QStringLiteral("Piano")};
        const QJsonObject body{
            {QStringLiteral("query"), query},
            {QStringLiteral("availableTags"), QJsonArray::fromStringList(offered)}};
        const ProbeReply reply = m_probe->postJson(QStringLiteral("/api/search/interpret"), body);
        QCOMPARE(reply.status, 200);
        const QSet<QString> tags = stringSet(reply.json().value(QStringLiteral("tags")));
        QVERIFY(!tags.isEmpty());
        QVERIFY(QSet<QString>(offered.begin(), offered.end()).contains(tags));
        for (const QString& tag : expected)
            QVERIFY2(tags.contains(tag), qPrintable(tag));
        QCOMPARE(m_probe->postJson(QStringLiteral("/api/search/interpret"), body).body, reply.body);
    }

    void searchRefusesMalformedRequests() {
        const QString interpret = QStringLiteral("/api/search/interpret");
        QCOMPARE(m_probe->post(interpret, "{\"query\":").status, 400);
        QCOMPARE(
            m_probe->postJson(interpret, {{QStringLiteral("query"), QStringLiteral("x")}}).status,
            400);
        QCOMPARE(m_probe->post(interpret, QByteArray(2 * 1024 * 1024, ' ')).status, 413);
        const QJsonObject notAnImage{
            {QStringLiteral("image"), QStringLiteral("data:image/png;base64,AAAA")},
            {QStringLiteral("availableTags"), QJsonArray()}};
        QCOMPARE(m_probe->postJson(QStringLiteral("/api/search/image"), notAnImage).status, 400);
        QCOMPARE(
            m_probe->post(QStringLiteral("/api/search/image"), QByteArray(21 * 1024 * 1024, ' '))
                .status,
            413);
    }

    void imageSearchReadsBrightnessAndColour_data() {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("unexpected");
        QTest::newRow("night") << QColor(8, 10, 30) << QStringLiteral("Dark")
                               << QStringLiteral("Hopeful");
        QTest::newRow("sunny") << QColor(250, 190, 90) << QStringLiteral("Hopeful")
                               << QStringLiteral("Dark");
        QTest::newRow("forest") << QColor(50, 150, 60) << QStringLiteral("Nature")
                                << QStringLiteral("Dark");
    }

    void imageSearchReadsBrightnessAndColour() {
        QFETCH(QColor, colour);
        QFETCH(QString, expected);
        QFETCH(QString, unexpected);
        const QStringList offered{QStringLiteral("Dark"), QStringLiteral("Hopeful"),
                                  QStringLiteral("Calm"), QStringLiteral("Nature"),
                                  QStringLiteral("Mysterious")};
        for (const char* format : {"PNG", "JPEG"}) {
            const QJsonObject body{
                {QStringLiteral("image"), dataUrl(colour, format)},
                {QStringLiteral("availableTags"), QJsonArray::fromStringList(offered)}};
            const ProbeReply reply = m_probe->postJson(QStringLiteral("/api/search/image"), body);
            QCOMPARE(reply.status, 200);
            const QSet<QString> tags = stringSet(reply.json().value(QStringLiteral("tags")));
            QVERIFY(QSet<QString>(offered.begin(), offered.end()).contains(tags));
            QVERIFY2(tags.contains(expected) && !tags.contains(unexpected), reply.body.constData());
            QVERIFY(!reply.json().value(QStringLiteral("description")).toString().isEmpty());
        }
    }

    void peaksForEvenIdsOnly_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("status");
        QTest::newRow("even") << QStringLiteral("1002") << 200;
        QTest::newRow("odd") << QStringLiteral("1001") << 404;
        QTest::newRow("unknown") << QStringLiteral("4") << 404;
        QTest::newRow("not a number") << QStringLiteral("abc") << 404;
    }

    void peaksForEvenIdsOnly() {
        QFETCH(QString, id);
        QFETCH(int, status);
        const ProbeReply reply = m_probe->get(QStringLiteral("/api/sync/peaks/") + id);
        QCOMPARE(reply.status, status);
        if (status != 200)
            return;
        const QJsonArray peaks = reply.json().value(QStringLiteral("peaks")).toArray();
        QCOMPARE(peaks.size(), 380);
        double highest = 0, lowest = 1;
        for (const QJsonValue& peak : peaks) {
            highest = std::max(highest, peak.toDouble(-1));
            lowest = std::min(lowest, peak.toDouble(-1));
        }
        QCOMPARE(highest, 1.0);
        QVERIFY(lowest >= 0);
    }

    void coversAreImagesAtTheCatalogueAddresses() {
        int checked = 0;
        for (const QJsonValue& value : m_catalogue.value(QStringLiteral("tracks")).toArray()) {
            const QString url = value.toObject().value(QStringLiteral("coverArt")).toString();
            if (url.isEmpty() || checked++ >= 8)
                continue;
            const ProbeReply reply = m_probe->get(url.mid(m_server.baseUrl().toString().size()));
            QCOMPARE(reply.status, 200);
            QVERIFY(reply.header("Content-Type").startsWith("image/"));
            QCOMPARE(QImage::fromData(reply.body).size(), QSize(400, 400));
        }
        QCOMPARE(m_probe->get(QStringLiteral("/covers/1005.png")).status, 404); // has no cover
        QCOMPARE(m_probe->get(QStringLiteral("/covers/1001.jpg")).status, 404); // it is a PNG
    }

    void unknownPathsAndMethods() {
        QCOMPARE(m_probe->get(QStringLiteral("/api/nothing")).status, 404);
        QCOMPARE(m_probe->remove(QStringLiteral("/api/sync/catalog")).status, 405);
    }

private:
    CatalogServerProcess m_server;
    std::unique_ptr<HttpProbe> m_probe;
    QJsonObject m_catalogue;
};

ARU_TEST_MAIN(CatalogServerApiTest)
#include "tst_catalog_server_api.moc"
