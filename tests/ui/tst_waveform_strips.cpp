#include "AppServices.h"
#include "InlineWaveformController.h"
#include "NetworkQuiet.h"
#include "SampleTrack.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"
#include "TestState.h"
#include "WavFixture.h"
#include "WaveformScrubberController.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;

// The two waveform strips' controllers without a window: what the pointer does on them and where
// their peaks come from, over a fake player and a scripted server.
class WaveformStripsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::ScriptedHttpServer> m_server;
    std::unique_ptr<AppServices> m_services;
    std::unique_ptr<test::TestState> m_state;
    QByteArray m_wav;

    Track track(TrackId id = 42) const { return test::sampleTrack(m_server->baseUrl(), id); }
    AudioPlayer* player() { return (*m_state)->playback()->audioPlayer(); }
    // The track playing, 185 seconds long, at `seconds`.
    void playAt(const Track& playing, double seconds) {
        player()->play(playing);
        m_state->media().current->knownDuration = 185;
        m_state->media().current->tick(seconds);
    }
    template <typename Controller> std::unique_ptr<Controller> strip(const Track& shown) {
        auto controller = std::make_unique<Controller>();
        controller->setAppState(m_state->get());
        controller->setTrack(shown);
        return controller;
    }
    QStringList seeks() const { return m_state->media().log.filter(" seek "); }
    void writeCachedPeaks(TrackId id, const QByteArray& json) {
        QFile file(m_services->waveforms().cacheFilePath(id));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(json) == json.size());
    }

private slots:
    void initTestCase() {
        QTemporaryDir dir;
        QVERIFY(test::writeWav(dir.filePath("a.wav"), 44'100, test::sine(220, 0.5)));
        QFile file(dir.filePath("a.wav"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_wav = file.readAll();
    }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = test::ScriptedHttpServer::asCatalogueServer();
        m_services = std::make_unique<AppServices>(m_dir->filePath("caches"));
        m_state = std::make_unique<test::TestState>();
        m_state->restartSignedIn();
    }
    void cleanup() { test::tearDownQuietly(m_services->network(), m_state, m_services); }

    // On a track that is not playing the pointer only picks the row's start point, and the
    // strip shows the catalogue's length.
    void inlineStripOfAnotherTrackPicksAStartPoint() {
        m_server->setDefault(Response::text("none", 404));
        auto inline_ = strip<InlineWaveformController>(track(42));
        QSignalSpy picked(inline_.get(), &InlineWaveformController::pendingSeekPicked);
        playAt(track(7), 30);
        inline_->dragTo(10, 200);
        inline_->release(50, 200);
        QCOMPARE(picked.count(), 2);
        QCOMPARE(picked.last().first().toDouble(), 0.25);
        QCOMPARE(inline_->progress(), 0.25);
        QCOMPARE(inline_->positionText(), "0:00");
        QCOMPARE(inline_->durationText(), "3:05");
        QVERIFY(seeks().isEmpty());
        Track untimed = track(43);
        untimed.duration.reset();
        inline_->setTrack(untimed);
        QCOMPARE(inline_->durationText(), "—");
    }

    // On the playing track the bars and the position follow the pointer; the audio moves on
    // release, to the end when released past it.
    void inlineStripOfThePlayingTrackSeeksOnRelease() {
        m_server->setDefault(Response::text("none", 404));
        auto inline_ = strip<InlineWaveformController>(track(42));
        QSignalSpy picked(inline_.get(), &InlineWaveformController::pendingSeekPicked);
        playAt(track(42), 37);
        QCOMPARE(inline_->progress(), 0.2);
        QCOMPARE(inline_->durationText(), "3:05");
        inline_->dragTo(100, 200);
        QCOMPARE(inline_->positionText(), "1:32");
        QCOMPARE(inline_->progress(), 0.5);
        QVERIFY(seeks().isEmpty());
        inline_->release(260, 200);
        QCOMPARE(seeks(), QStringList{"1 seek 185"});
        QCOMPARE(inline_->positionText(), "0:37"); // until the player reports the new position
        QCOMPARE(picked.count(), 0);
    }

    void inlineStripPeaksComeFromTheCacheOrTheQueue() {
        writeCachedPeaks(42, "[0.5, 1]");
        auto cached = strip<InlineWaveformController>(track(42));
        QCOMPARE(cached->peaks(), Peaks({0.5f, 1.0f}));

        m_server->on("GET", "/api/sync/peaks/43", Response::json(R"({"peaks":[0.25,1,0]})"));
        auto queued = strip<InlineWaveformController>(track(43));
        QVERIFY(!queued->hasPeaks());
        QCOMPARE(m_services->waveforms().processingIds(), QSet<TrackId>{43});
        QTRY_COMPARE(queued->peaks(), Peaks({0.25f, 1.0f, 0.0f}));
        QCOMPARE(m_server->requests().size(), 1);
    }

    // The scrubber always seeks; its peaks come from the cache or from measuring a local copy,
    // never from the server's peaks.
    void scrubberMeasuresALocalCopy() {
        m_server->on("GET", "/api/download/42.wav", Response::binary(m_wav));
        auto scrubber = strip<WaveformScrubberController>(track(42));
        QTRY_COMPARE(scrubber->peaks().size(), 380);
        QCOMPARE(m_server->requests().size(), 1);
        QCOMPARE(m_server->requests().first().path(), "/api/download/42.wav");
        QVERIFY(m_services->waveforms().cached(42) == scrubber->peaks());

        playAt(track(42), 0);
        scrubber->dragTo(-5, 100);
        QCOMPARE(scrubber->positionText(), "0:00");
        scrubber->release(50, 100);
        QCOMPARE(seeks(), QStringList{"1 seek 92.5"});
    }

    void scrubberWithoutAFileKeepsItsLineAndDropsStaleResults() {
        m_server->on("GET", "/api/download/42.wav", Response::text("Forbidden", 403));
        auto scrubber = strip<WaveformScrubberController>(track(42));
        QVERIFY(m_server->waitForRequests(1));
        QTest::qWait(100);
        QVERIFY(!scrubber->hasPeaks());

        // A copy arriving for a track the scrubber no longer shows is not shown.
        Response slow = Response::binary(m_wav);
        slow.delayMs = 300;
        m_server->on("GET", "/api/download/43.wav", slow);
        writeCachedPeaks(44, "[1, 0.5]");
        scrubber->setTrack(track(43));
        QVERIFY(m_server->waitForRequests(2));
        scrubber->setTrack(track(44));
        QCOMPARE(scrubber->peaks(), Peaks({1.0f, 0.5f}));
        QTRY_VERIFY(QFile::exists(m_services->drags().cachedPath(track(43))));
        QTest::qWait(200);
        QCOMPARE(scrubber->peaks(), Peaks({1.0f, 0.5f}));
        for (const auto& request : m_server->requests())
            QVERIFY(!request.path().startsWith("/api/sync/peaks/"));
    }
};

ARU_TEST_MAIN(WaveformStripsTest)
#include "tst_waveform_strips.moc"
