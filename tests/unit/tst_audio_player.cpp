#include "AudioPlayer.h"
#include "FakeMediaBackend.h"
#include "PlaybackStartWatch.h"
#include "TestHome.h"

#include <QSignalSpy>
#include <limits>

using namespace aru;
using aru::test::FakeMedia;

// Tracks name only the fields they set; the others keep their empty defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

Track track(TrackId id) {
    return {.id = id, .audioFile = QString("/api/audio/%1.wav").arg(id)};
}

constexpr double inf = std::numeric_limits<double>::infinity();

} // namespace

class AudioPlayerTest : public QObject {
    Q_OBJECT

    FakeMedia m_media;
    std::unique_ptr<AudioPlayer> m_player;

    // Track `id` loaded, its length known, the clock at `at`; the log starts afresh.
    test::FakeMediaBackend& loaded(TrackId id, double length, double at, bool playing = true) {
        m_player->play(track(id), 0, playing);
        m_media.current->knownDuration = length;
        m_media.current->tick(at);
        m_media.log.clear();
        return *m_media.current;
    }

private slots:
    void init() {
        m_player.reset(); // first: its platform player logs its end into m_media
        m_media = FakeMedia();
        m_player = std::make_unique<AudioPlayer>(m_media.factory());
    }

    void formatTime_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("truncated") << 59.9 << "0:59";
        QTest::newRow("padded") << 61.0 << "1:01";
        QTest::newRow("no hours") << 3725.0 << "62:05";
        QTest::newRow("infinite") << inf << "0:00";
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << "0:00";
        QTest::newRow("negative") << -61.0 << "0:00";
        QTest::newRow("beyond any integer") << 1e300 << "150000000000000:00";
    }
    void formatTime() {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(AudioPlayer::formatTime(seconds), text);
    }

    void aNewTrackJumpsToItsFractionOnTheFirstTickThatKnowsTheLength() {
        m_player->play(track(7), 0.25, true);
        auto* backend = m_media.current;
        QCOMPARE(backend->source, track(7).streamingURL());
        QVERIFY(m_player->isPlaying() && backend->playing);
        backend->tick(0.4); // length still unknown: the fraction waits
        QCOMPARE(m_player->currentTime(), 0.4);
        backend->knownDuration = 120;
        backend->tick(0.9);
        QCOMPARE(m_player->currentTime(), 30.0); // at once, before the seek lands
        QCOMPARE(m_player->duration(), 120.0);
        backend->tick(31);
        QCOMPARE(m_media.eventsOf(1).filter("seek"), QStringList{"seek 30"});
    }

    void theLoadedTrackIsReused_data() {
        QTest::addColumn<bool>("wasPlaying");
        QTest::addColumn<double>("length");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<bool>("autoPlay");
        QTest::addColumn<QStringList>("events");

        QTest::newRow("0.5 of 200 s")
            << true << 200.0 << 0.5 << true << QStringList{"seek 100", "play"};
        QTest::newRow("paused, 0, no auto-play: nothing")
            << false << 200.0 << 0.0 << false << QStringList{};
        QTest::newRow("playing, 0, no auto-play: plays on")
            << true << 200.0 << 0.0 << false << QStringList{};
        QTest::newRow("length unknown: fraction dropped")
            << true << 0.0 << 0.5 << true << QStringList{"play"};
    }
    void theLoadedTrackIsReused() {
        QFETCH(bool, wasPlaying);
        QFETCH(double, length);
        QFETCH(double, fraction);
        QFETCH(bool, autoPlay);
        QFETCH(QStringList, events);
        auto& backend = loaded(7, length, 3, wasPlaying);
        QSignalSpy time(m_player.get(), &AudioPlayer::currentTimeChanged);

        m_player->play(track(7), fraction, autoPlay);
        QCOMPARE(m_media.made, 1);
        QCOMPARE(m_media.eventsOf(1), events);
        QCOMPARE(m_player->isPlaying(), wasPlaying || autoPlay);
        QCOMPARE(time.size(), 0);   // follows with the next report
        backend.knownDuration = 80; // a dropped fraction stays dropped
        backend.tick(4);
        QCOMPARE(m_player->currentTime(), 4.0);
    }

    // A track without a stream address changes nothing; another one tears the old player down.
    void aNewTrackTearsTheOldPlayerDown() {
        loaded(7, 200, 50);
        Track broken = track(9);
        broken.audioFile = "http:no-host";
        m_player->play(broken);
        QVERIFY(m_media.log.isEmpty());
        QCOMPARE(m_player->currentTrack()->id, TrackId(7));
        QVERIFY(m_player->isPlaying());

        QList<double> seen; // fields must be consistent when observers hear of the new track
        connect(m_player.get(), &AudioPlayer::currentTrackChanged, this,
                [&] { seen << m_player->currentTime() << m_player->duration(); });
        m_player->play(track(8), 0, true);
        QCOMPARE(m_media.eventsOf(1),
                 (QStringList{"observer removed", "end handler removed", "pause", "destroyed"}));
        QCOMPARE(m_media.eventsOf(2).mid(1),
                 (QStringList{"volume 0.8", "observer 500", "end handler", "play"}));
        QCOMPARE(m_player->currentTrack()->id, TrackId(8));
        QCOMPARE(seen, (QList<double>{0, 0}));
        m_media.current->tick(0.5); // length not known yet
        QCOMPARE(m_player->duration(), 0.0);
    }

    void toggleVolumeAndStop() {
        QSignalSpy volume(m_player.get(), &AudioPlayer::volumeChanged);
        m_player->togglePlayPause(); // nothing loaded: nothing
        m_player->setVolume(0.3f);
        m_player->setVolume(0.3f);
        QCOMPARE(m_media.made, 0);
        QVERIFY(!m_player->isPlaying());
        QCOMPARE(volume.size(), 1);

        m_player->play(track(7), 0.5, true);
        QCOMPARE(m_media.current->volume, 0.3f); // kept for the next track
        m_player->togglePlayPause();
        QVERIFY(!m_player->isPlaying() && !m_media.current->playing);
        m_player->setVolume(1.5f);
        QCOMPARE(m_media.current->volume, 1.0f);

        // Stopping unloads all but the volume.
        m_media.log.clear();
        m_player->stop();
        QCOMPARE(m_media.eventsOf(1),
                 (QStringList{"observer removed", "end handler removed", "pause", "destroyed"}));
        QVERIFY(!m_player->currentTrack() && !m_player->isPlaying());
        m_player->play(track(8));
        QCOMPARE(m_media.current->volume, 1.0f);
        // The stopped track's pending fraction does not reach the next one.
        m_media.current->knownDuration = 100;
        m_media.current->tick(1);
        QCOMPARE(m_player->currentTime(), 1.0);
    }

    void theEndRewindsPausesThenCallsBack() {
        auto& backend = loaded(7, 200, 199.5);
        int calls = 0;
        m_player->setOnTrackEnded([&] {
            ++calls;
            QCOMPARE(m_player->currentTime(), 0.0);
            QVERIFY(!m_player->isPlaying());
        });
        backend.finish();
        QCOMPARE(calls, 1);
        QCOMPARE(m_media.eventsOf(1), QStringList{"seek 0"});
        QCOMPARE(m_player->currentTrack()->id, TrackId(7));
        m_player->togglePlayPause(); // the platform has stopped: play again
        QVERIFY(m_player->isPlaying() && backend.playing);

        // The usual callback plays another track, destroying the player that is calling it.
        m_player->setOnTrackEnded([&] { m_player->play(track(8)); });
        backend.finish();
        QCOMPARE(m_media.eventsOf(1).last(), "destroyed");
        QCOMPARE(m_player->currentTrack()->id, TrackId(8));
    }

    // The platform player's stream that never starts is told apart from one that plays, pauses,
    // waits for data or has merely stalled later on.
    void theStartWatchFlagsOnlyAStreamThatNeverStarts() {
        using namespace std::chrono_literals;
        const PlaybackStartWatch::Clock::time_point t0{};
        PlaybackStartWatch watch(3s);

        // Paused or loading time does not count, however long.
        QVERIFY(!watch.observe(t0, false, 0));
        QVERIFY(!watch.observe(t0 + 60s, false, 0));
        QVERIFY(!watch.observe(t0 + 61s, true, 0));
        QVERIFY(!watch.observe(t0 + 63s, true, 0) && !watch.observe(t0 + 63500ms, false, 0));
        QVERIFY(!watch.observe(t0 + 64s, true, 0));
        // Standing at the start for the whole limit: once, then afresh.
        QVERIFY(watch.observe(t0 + 67s, true, 0));
        QVERIFY(!watch.observe(t0 + 68s, true, 0));
        QVERIFY(watch.observe(t0 + 71s, true, 0));

        // A seek before the sound started moves the start it waits to leave.
        watch.expectStartAt(40);
        QVERIFY(!watch.observe(t0 + 72s, true, 40));
        QVERIFY(watch.observe(t0 + 75s, true, 40));
        QVERIFY(!watch.started());

        // Once the clock has moved, a standstill is never flagged, nor after a seek.
        QVERIFY(!watch.observe(t0 + 76s, true, 40.5));
        QVERIFY(watch.started());
        watch.expectStartAt(10);
        QVERIFY(!watch.observe(t0 + 77s, true, 10));
        QVERIFY(!watch.observe(t0 + 200s, true, 10));
    }
};

ARU_TEST_MAIN(AudioPlayerTest)
#include "tst_audio_player.moc"
