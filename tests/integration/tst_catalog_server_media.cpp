// Audio as the player and the downloader fetch it: the preview stream with byte ranges, the WAV
// download checked against e-mail and token, and the synthesised audio itself.

#include "CatalogServerProcess.h"
#include "HttpProbe.h"
#include "RawHttp.h"
#include "TestHome.h"

#include <QJsonArray>
#include <QtEndian>
#include <QtTest/QtTest>
#include <cmath>

using namespace aru::test;

namespace {

// Track 1001 opens the catalogue and is a short sting, so these tests move little data.
const QString kStream = QStringLiteral("/api/audio-stream/1001.wav");

int seconds(const QString& duration) {
    const QStringList parts = duration.split(QLatin1Char(':'));
    return parts.value(0).toInt() * 60 + parts.value(1).toInt();
}

quint32 le32(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 le16(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

} // namespace

class CatalogServerMediaTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(m_server.isRunning(), qPrintable(m_server.errorString()));
        m_probe = std::make_unique<HttpProbe>(m_server.baseUrl());
        m_tracks = m_probe->get(QStringLiteral("/api/sync/catalog"))
                       .json()
                       .value(QStringLiteral("tracks"))
                       .toArray();
        QVERIFY(!m_tracks.isEmpty());
        m_token = m_probe->signIn(QStringLiteral("demo@aru.test"));
        QVERIFY(!m_token.isEmpty());
        const ProbeReply whole = m_probe->get(kStream);
        QCOMPARE(whole.status, 200);
        m_wav = whole.body;
    }

    void previewIsAWavOfTheCatalogueDuration() {
        QCOMPARE(m_wav.left(4), QByteArray("RIFF"));
        QCOMPARE(m_wav.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(le16(m_wav, 20), 1);      // PCM
        QCOMPARE(le16(m_wav, 22), 2);      // stereo
        QCOMPARE(le32(m_wav, 24), 44100u); // sample rate
        QCOMPARE(le16(m_wav, 34), 16);     // bits per sample
        QCOMPARE(m_wav.mid(36, 4), QByteArray("data"));
        QCOMPARE(qsizetype(le32(m_wav, 40)), m_wav.size() - 44);
        const int duration =
            seconds(m_tracks.first().toObject().value(QStringLiteral("duration")).toString());
        QCOMPARE(qsizetype(duration) * 44100 * 4, m_wav.size() - 44);
        // The catalogue's own path serves the same preview, for absolute audio URLs.
        QCOMPARE(m_probe->get(QStringLiteral("/api/audio/1001.wav")).body, m_wav);
    }

    void rangeRequests_data() {
        QTest::addColumn<QByteArray>("range");
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("last"); // from the end when negative
        QTest::newRow("start") << QByteArray("bytes=0-99") << 206 << qint64(0) << qint64(99);
        QTest::newRow("open end") << QByteArray("bytes=1000-") << 206 << qint64(1000) << qint64(-1);
        QTest::newRow("suffix") << QByteArray("bytes=-10") << 206 << qint64(-10) << qint64(-1);
        QTest::newRow("past the end is clamped")
            << QByteArray("bytes=40-999999999") << 206 << qint64(40) << qint64(-1);
        QTest::newRow("beyond the end")
            << QByteArray("bytes=999999999-") << 416 << qint64(0) << qint64(0);
        QTest::newRow("several ranges: whole body")
            << QByteArray("bytes=0-1,5-9") << 200 << qint64(0) << qint64(-1);
    }

    void rangeRequests() {
        QFETCH(QByteArray, range);
        QFETCH(int, status);
        QFETCH(qint64, first);
        QFETCH(qint64, last);
        const qint64 size = m_wav.size();
        const ProbeReply reply = m_probe->get(kStream, {{QByteArrayLiteral("Range"), range}});
        QCOMPARE(reply.status, status);
        if (status == 416) {
            QCOMPARE(reply.header("Content-Range"), "bytes */" + QByteArray::number(size));
            return;
        }
        QCOMPARE(reply.header("Accept-Ranges"), QByteArray("bytes"));
        if (first < 0)
            first += size;
        if (last < 0)
            last += size;
        QCOMPARE(reply.header("Content-Length").toLongLong(), last - first + 1);
        QCOMPARE(reply.body, m_wav.mid(first, last - first + 1));
        if (status == 206)
            QCOMPARE(reply.header("Content-Range"),
                     QStringLiteral("bytes %1-%2/%3").arg(first).arg(last).arg(size).toLatin1());
    }

    void downloadChecksEmailAndToken_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("status");
        QTest::newRow("matching") << QStringLiteral("?email=demo%40aru.test&token=%1") << 200;
        QTest::newRow("existing query first")
            << QStringLiteral("?v=2&email=demo%40aru.test&token=%1") << 200;
        QTest::newRow("address in another case")
            << QStringLiteral("?email=DEMO%40aru.test&token=%1") << 200;
        QTest::newRow("another address")
            << QStringLiteral("?email=sync%2Bjane%40aru.test&token=%1") << 403;
        QTest::newRow("unknown token")
            << QStringLiteral("?email=demo%40aru.test&token=ff%1") << 403;
        QTest::newRow("no token") << QStringLiteral("?email=demo%40aru.test") << 403;
        QTest::newRow("nothing") << QString() << 403;
    }

    void downloadChecksEmailAndToken() {
        QFETCH(QString, query);
        QFETCH(int, status);
        const ProbeReply reply =
            m_probe->get(QStringLiteral("/api/download/1001.wav") + query.arg(m_token));
        QCOMPARE(reply.status, status);
        if (status == 200) {
            QCOMPARE(reply.body, m_wav);
            QCOMPARE(reply.header("Content-Length").toLongLong(), m_wav.size());
        }
    }

    void plusInAnAddressMustArriveEncoded() {
        const QString token = m_probe->signIn(QStringLiteral("sync+jane@aru.test"));
        const QString path = QStringLiteral("/api/download/1001.wav?email=%1&token=") + token;
        QCOMPARE(m_probe->get(path.arg(QStringLiteral("sync%2Bjane%40aru.test"))).status, 200);
        // Sent raw, "+" decodes as a space; the server forgives it, as the waveform download
        // appends the address unencoded.
        QCOMPARE(m_probe->get(path.arg(QStringLiteral("sync+jane@aru.test"))).status, 200);
        QCOMPARE(m_probe->get(path.arg(QStringLiteral("syncjane%40aru.test"))).status, 403);
    }

    void unknownTracksAreNotFound() {
        QCOMPARE(m_probe->get(QStringLiteral("/api/audio-stream/42.wav")).status, 404);
        QCOMPARE(
            m_probe
                ->get(QStringLiteral("/api/download/42.wav?email=demo%40aru.test&token=") + m_token)
                .status,
            404);
    }

    void simultaneousFirstRequestsGetTheSameFile() {
        // Track 1004 has not been generated yet: both requests race to produce it.
        QNetworkReply* first = m_probe->startGet(QStringLiteral("/api/audio-stream/1004.wav"));
        QNetworkReply* second = m_probe->startGet(QStringLiteral("/api/audio/1004.wav"));
        const ProbeReply a = HttpProbe::await(first);
        const ProbeReply b = HttpProbe::await(second);
        QCOMPARE(a.status, 200);
        QCOMPARE(b.status, 200);
        QVERIFY(a.body.size() > 44);
        QVERIFY(a.body == b.body);
    }

    void musicHasQuietAndLoudPassages() {
        // A track of a minute or more: sections should differ clearly in loudness.
        QString path;
        for (const QJsonValue& value : m_tracks) {
            const QJsonObject track = value.toObject();
            const int duration = seconds(track.value(QStringLiteral("duration")).toString());
            if (duration >= 60 && duration <= 100) {
                path = QStringLiteral("/api/audio-stream/%1.wav")
                           .arg(track.value(QStringLiteral("id")).toInteger());
                break;
            }
        }
        QVERIFY(!path.isEmpty());
        const QByteArray wav = m_probe->get(path).body;
        const auto* samples = reinterpret_cast<const qint16*>(wav.constData() + 44);
        const qsizetype frames = (wav.size() - 44) / 4;
        double quietest = 1e9, loudest = 0;
        // One-second windows, leaving out the fade at each end.
        for (qsizetype start = 44100 * 2; start + 44100 < frames - 44100 * 3; start += 44100) {
            double sum = 0;
            for (qsizetype i = start * 2; i < (start + 44100) * 2; ++i)
                sum += double(qFromLittleEndian(samples[i])) * qFromLittleEndian(samples[i]);
            const double rms = std::sqrt(sum / (44100 * 2));
            quietest = std::min(quietest, rms);
            loudest = std::max(loudest, rms);
        }
        QVERIFY2(quietest > 50, "silence inside the track");
        QVERIFY2(loudest > 3 * quietest,
                 qPrintable(QStringLiteral("%1 vs %2").arg(loudest).arg(quietest)));
        QVERIFY(loudest < 30000);
    }

private:
    CatalogServerProcess m_server;
    std::unique_ptr<HttpProbe> m_probe;
    QJsonArray m_tracks;
    QString m_token;
    QByteArray m_wav;
};

ARU_TEST_MAIN(CatalogServerMediaTest)
#include "tst_catalog_server_media.moc"
