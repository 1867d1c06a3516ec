#include "Log.h"
#include "NetworkSession.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"
#include "WavFixture.h"
#include "WaveformService.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;

class WaveformServiceTest : public QObject {
    Q_OBJECT

    NetworkSession m_network;
    std::unique_ptr<test::ScriptedHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_caches;
    std::unique_ptr<TrackFileCache> m_trackFiles;
    std::unique_ptr<WaveformService> m_service;
    QByteArray m_wav;
    QByteArray m_otherWav;

    static QByteArray peaksAnswer(int count) {
        QJsonArray values;
        for (int i = 0; i < count; ++i)
            values.append(double(i) / count);
        return QJsonDocument(QJsonObject{{"peaks", values}}).toJson();
    }
    static QString audioFile(TrackId id) { return QString("/api/audio/track-%1.wav").arg(id); }
    void enqueue(TrackId id) {
        m_service->enqueueBackgroundLoad(id, audioFile(id), "sync+jane@aru.test", "t&k=n");
    }
    bool waitUntilLoaded(TrackId id) {
        return QTest::qWaitFor([&] { return m_service->loadedTrackIDs().contains(id); }, 10'000);
    }

private slots:
    void initTestCase() {
        // Real WAVs for the download endpoint: two seconds of a swelling, and of a fading, sine.
        QTemporaryDir dir;
        for (const bool swelling : {true, false}) {
            const QString path = dir.filePath("source.wav");
            QVERIFY(test::writeWav(path, 88'200, [swelling](qint64 f, int) {
                const double loudness = double(swelling ? f : 88'200 - f) / 88'200.0;
                return float(std::sin(double(f) / 20.0) * loudness);
            }));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            (swelling ? m_wav : m_otherWav) = file.readAll();
        }
    }

    void init() {
        m_server = test::ScriptedHttpServer::asCatalogueServer();
        m_service.reset(); // one service at a time
        m_caches = std::make_unique<QTemporaryDir>();
        m_trackFiles = std::make_unique<TrackFileCache>(m_caches->filePath("Tracks"));
        m_service = std::make_unique<WaveformService>(m_caches->path(), *m_trackFiles);
    }

    // A cached track is loaded at once, without the network; a cache file that is not a list of
    // numbers counts as none.
    void cacheFiles() {
        QVERIFY(!m_service->cached(1));
        const auto write = [&](TrackId id, const QByteArray& content) {
            QFile file(m_service->cacheFilePath(id));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        };
        write(1, "[0, 0.5, 1]");
        write(2, "[]");
        write(3, "{\"peaks\": [1]}");
        write(4, "[0.5, \"loud\"]");
        QVERIFY(m_service->cached(1) == Peaks({0.0f, 0.5f, 1.0f}));
        QVERIFY(m_service->cached(2) == Peaks());
        QVERIFY(!m_service->cached(3));
        QVERIFY(!m_service->cached(4));
        // Peaks once decoded come from memory: a row shown again reads no file.
        write(1, "[]");
        QVERIFY(m_service->cached(1) == Peaks({0.0f, 0.5f, 1.0f}));

        QSignalSpy loaded(m_service.get(), &WaveformService::loadedTrackIDsChanged);
        enqueue(1);
        QCOMPARE(loaded.count(), 1);
        QVERIFY(m_service->isLoaded(1));
        QVERIFY(m_service->processingIds().isEmpty() && m_service->backgroundQueue().isEmpty());
        QTest::qWait(50);
        QCOMPARE(m_server->requests().size(), 0);
    }

    void sevenRequestsRunSixJobsAndQueueTheSeventhOnce() {
        Response slow = Response::json(peaksAnswer(120));
        slow.delayMs = 300;
        m_server->setDefault(slow);
        for (TrackId id = 1; id <= 8; ++id)
            enqueue(id);
        // Asked again while queued or running: nothing new.
        enqueue(7);
        enqueue(1);
        QCOMPARE(m_service->processingIds().size(), WaveformService::maxConcurrent);
        QCOMPARE(m_service->backgroundQueue(), (QList<TrackId>{7, 8}));
        // Rows that went away: a job nobody waits for is dropped before it starts (7 still has a
        // row of its two), a running one completes.
        m_service->withdrawBackgroundLoad(8);
        m_service->withdrawBackgroundLoad(7);
        m_service->withdrawBackgroundLoad(1);
        QCOMPARE(m_service->backgroundQueue(), QList<TrackId>{7});
        QVERIFY(m_server->waitForRequests(6));
        QTest::qWait(100);
        QCOMPARE(m_server->requests().size(), 6);

        QVERIFY(waitUntilLoaded(7));
        for (TrackId id = 1; id <= 7; ++id)
            QVERIFY(m_service->isLoaded(id));
        QTest::qWait(100);
        QCOMPARE(m_server->requestsTo("/api/sync/peaks/").size(), 7);
        QVERIFY(!m_service->isLoaded(8));
        QVERIFY(m_service->processingIds().isEmpty());
        // The server's values are kept exactly as they came.
        const Peaks cached = m_service->cached(3).value_or(Peaks());
        QCOMPARE(cached.size(), 120);
        QCOMPARE(cached.at(60), 0.5f);
    }

    // Two tracks whose files share a name are two WAVs, each measured for its own track.
    void withoutServerPeaksTheWavIsDownloadedAndMeasured() {
        m_server->on("GET", "/api/sync/peaks/5", Response::json("{\"error\":\"none\"}", 404));
        m_server->on("GET", "/api/download/a/take.wav", Response::binary(m_wav));
        m_server->on("GET", "/api/download/b/take.wav", Response::binary(m_otherWav));
        m_service->enqueueBackgroundLoad(5, "/api/audio/a/take.wav", "sync+jane@aru.test", "t&k=n");
        m_service->enqueueBackgroundLoad(6, "/api/audio/b/take.wav", "sync+jane@aru.test", "t&k=n");
        QVERIFY(waitUntilLoaded(5) && waitUntilLoaded(6));

        const auto downloads = m_server->requestsTo("/api/download/");
        QCOMPARE(downloads.size(), 2);
        // E-mail and token travel percent-encoded, so "+" and "&" arrive intact.
        const QUrlQuery query = downloads.first().query();
        QCOMPARE(query.queryItemValue("email", QUrl::FullyDecoded), "sync+jane@aru.test");
        QCOMPARE(query.queryItemValue("token", QUrl::FullyDecoded), "t&k=n");
        QVERIFY(m_service->cached(5) && m_service->cached(6));
        QVERIFY(m_service->cached(5) != m_service->cached(6));
        // A WAV already in the track file cache is measured without downloading.
        QVERIFY(QFile::copy(m_trackFiles->path(5), m_trackFiles->path(8)));
        enqueue(8);
        QVERIFY(waitUntilLoaded(8));
        QCOMPARE(m_server->requestsTo("/api/download/").size(), 2);
        // The bars' count and scale: tst_peak_extraction.
        QVERIFY(m_service->cached(8) == m_service->cached(5));
    }

    void aFailedDownloadIsLoggedKeptNowhereAndNotRetried() {
        m_server->on("GET", "/api/download/track-6.wav", Response::text("Internal error", 500));
        Log::Capture log;
        enqueue(6);
        QVERIFY(waitUntilLoaded(6));
        QCOMPARE(log.lines().size(), 1);
        QVERIFY2(log.lines().first().startsWith("[Waveform] DL failed for 6: "),
                 qPrintable(log.lines().first()));
        // An error page is never kept in place of the WAV: a file there would be re-used for good.
        QVERIFY(!QFile::exists(m_trackFiles->path(6)));
        QVERIFY(!m_service->cached(6));

        const qsizetype asked = m_server->requests().size();
        enqueue(6);
        QTest::qWait(100);
        QCOMPARE(m_server->requests().size(), asked);
    }

    void generatedPeaksAreCachedButDoNotMarkTheTrackLoaded() {
        const QString local = m_caches->filePath("local.wav");
        QVERIFY(
            test::writeWav(local, 88'200, [](qint64 f, int) { return float(std::sin(f / 20.0)); }));
        const auto peaks = QCoro::waitFor(m_service->generatePeaks(local, 11));
        QVERIFY(peaks && peaks->size() == 380);
        QVERIFY(m_service->cached(11) == peaks);
        QVERIFY(!m_service->isLoaded(11));
        // Asked again, the cache answers even when the file is gone.
        QFile::remove(local);
        QVERIFY(QCoro::waitFor(m_service->generatePeaks(local, 11)) == peaks);
    }
};

ARU_TEST_MAIN(WaveformServiceTest)
#include "tst_waveform_service.moc"
