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
    std::unique_ptr<WaveformService> m_service;
    QByteArray m_wav;

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
    QList<test::ScriptedHttpServer::Request> requestsTo(const QString& prefix) const {
        QList<test::ScriptedHttpServer::Request> matching;
        for (const auto& request : m_server->requests()) {
            if (request.path().startsWith(prefix))
                matching.append(request);
        }
        return matching;
    }

private slots:
    void initTestCase() {
        // A real WAV for the download endpoint: two seconds of a swelling sine.
        QTemporaryDir dir;
        const QString path = dir.filePath("source.wav");
        QVERIFY(test::writeWav(path, 88'200, [](qint64 f, int) {
            return float(std::sin(double(f) / 20.0) * double(f) / 88'200.0);
        }));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_wav = file.readAll();
    }

    void init() {
        m_server = std::make_unique<test::ScriptedHttpServer>();
        qputenv("ARU_SYNC_BASE_URL", m_server->baseUrl().toString().toUtf8());
        m_service.reset(); // one service at a time
        m_caches = std::make_unique<QTemporaryDir>();
        m_service = std::make_unique<WaveformService>(m_caches->path());
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
        for (TrackId id = 1; id <= 7; ++id)
            enqueue(id);
        // Asked again while queued or running: nothing new.
        enqueue(7);
        enqueue(1);
        QCOMPARE(m_service->processingIds().size(), WaveformService::maxConcurrent);
        QCOMPARE(m_service->backgroundQueue(), QList<TrackId>{7});
        QVERIFY(m_server->waitForRequests(6));
        QTest::qWait(100);
        QCOMPARE(m_server->requests().size(), 6);

        QVERIFY(waitUntilLoaded(7));
        for (TrackId id = 1; id <= 7; ++id)
            QVERIFY(m_service->isLoaded(id));
        QCOMPARE(requestsTo("/api/sync/peaks/").size(), 7);
        QVERIFY(m_service->processingIds().isEmpty());
        // The server's values are kept exactly as they came.
        const auto cached = m_service->cached(3);
        QVERIFY(cached);
        QCOMPARE(cached->size(), 120);
        QCOMPARE(cached->at(60), 0.5f);
    }

    void withoutServerPeaksTheWavIsDownloadedAndMeasured() {
        m_server->on("GET", "/api/sync/peaks/5", Response::json("{\"error\":\"none\"}", 404));
        m_server->on("GET", "/api/download/track-5.wav", Response::binary(m_wav));
        enqueue(5);
        QVERIFY(waitUntilLoaded(5));

        const auto downloads = requestsTo("/api/download/");
        QCOMPARE(downloads.size(), 1);
        // E-mail and token travel percent-encoded, so "+" and "&" arrive intact.
        const QUrlQuery query = downloads.first().query();
        QCOMPARE(query.queryItemValue("email", QUrl::FullyDecoded), "sync+jane@aru.test");
        QCOMPARE(query.queryItemValue("token", QUrl::FullyDecoded), "t&k=n");
        const QDir tracks(m_service->tracksDir());
        // A WAV already on disk is measured without downloading.
        QVERIFY(QFile::copy(tracks.filePath("track-5.wav"), tracks.filePath("track-8.wav")));
        enqueue(8);
        QVERIFY(waitUntilLoaded(8));
        QCOMPARE(requestsTo("/api/download/").size(), 1);
        QVERIFY(m_service->cached(8) == m_service->cached(5));
        const auto peaks = m_service->cached(5);
        QVERIFY(peaks);
        QCOMPARE(peaks->size(), 380);
        for (const float v : *peaks)
            QVERIFY(v >= 0.0f && v <= 1.0f);
        QCOMPARE(*std::max_element(peaks->cbegin(), peaks->cend()), 1.0f);
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
        QVERIFY(!QFile::exists(QDir(m_service->tracksDir()).filePath("track-6.wav")));
        QVERIFY(!m_service->cached(6));

        const qsizetype asked = m_server->requests().size();
        enqueue(6);
        QTest::qWait(100);
        QCOMPARE(m_server->requests().size(), asked);
    }

    void generatedPeaksAreCachedButDoNotMarkTheTrackLoaded() {
        const QString local = m_caches->filePath("local.wav");
        QFile file(local);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(m_wav);
        file.close();
        const auto peaks = QCoro::waitFor(m_service->generatePeaks(local, 11));
        QVERIFY(peaks && peaks->size() == 380);
        QVERIFY(m_service->cached(11) == peaks);
        QVERIFY(!m_service->isLoaded(11));
        // Asked again, the cache answers even when the file is gone.
        QFile::remove(local);
        QVERIFY(QCoro::waitFor(m_service->generatePeaks(local, 11)) == peaks);
    }

    void localNamesStayInsideTheTracksFolder_data() {
        QTest::addColumn<QString>("audioFile");
        QTest::addColumn<QString>("name");
        const auto row = [](const char* name, const QString& audioFile, const char* local) {
            QTest::newRow(name) << audioFile << QString(local);
        };
        row("path", "/api/audio/abc.wav", "abc.wav");
        row("trailing slashes", "/api/audio/abc.wav//", "abc.wav");
        row("slashes only", "///", "track.wav");
        row("parent", "/api/audio/..", "track.wav");
        row("current", "/api/audio/.", "track.wav");
        row("too long", QString(300, 'a'), "track.wav");
    }
    void localNamesStayInsideTheTracksFolder() {
        QFETCH(QString, audioFile);
        QFETCH(QString, name);
        QCOMPARE(WaveformService::localTrackFileName(audioFile), name);
    }
};

ARU_TEST_MAIN(WaveformServiceTest)
#include "tst_waveform_service.moc"
