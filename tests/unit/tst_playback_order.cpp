#include "TestHome.h"
#include "TestState.h"

#include <memory>

using namespace aru;

namespace {

// Genres in catalogue order: 1 Jazz, 2 Rock, 3 Jazz, 4 Jazz, 5 Solo.
QList<Track> catalogue() {
    const QStringList genres{"Jazz", "Rock", "Jazz", "Jazz", "Solo"};
    QList<Track> tracks;
    for (int i = 0; i < genres.size(); ++i) {
        Track track;
        track.id = i + 1;
        track.title = QString("Track %1").arg(i + 1);
        track.genre = genres[i];
        track.audioFile = QString("/api/audio/%1.wav").arg(i + 1);
        tracks.append(track);
    }
    return tracks;
}

} // namespace

class PlaybackOrderTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TestState> m_state;
    test::FakeMedia* m_media = nullptr;

    AudioPlayer& player() { return *(*m_state)->playback()->audioPlayer(); }
    Playback& playback() { return *(*m_state)->playback(); }
    CatalogSearch& search() { return *(*m_state)->search(); }
    TrackId currentId() { return player().currentTrack() ? player().currentTrack()->id : 0; }
    void play(TrackId id) { player().play((*m_state)->catalog()->tracks().at(int(id) - 1)); }

private slots:
    void init() {
        m_state.reset();
        m_state = std::make_unique<test::TestState>();
        m_media = &m_state->media();
        (*m_state)->catalog()->setTracks(catalogue());
    }

    void stepsThroughTheFilteredList_data() {
        QTest::addColumn<TrackId>("current"); // 0: nothing loaded
        QTest::addColumn<bool>("forward");
        QTest::addColumn<TrackId>("expected");
        // The Jazz filter shows 1, 3, 4.
        QTest::newRow("next") << TrackId(3) << true << TrackId(4);
        QTest::newRow("next after the last") << TrackId(4) << true << TrackId(1);
        QTest::newRow("previous") << TrackId(4) << false << TrackId(3);
        QTest::newRow("previous before the first") << TrackId(1) << false << TrackId(4);
        QTest::newRow("next of a hidden track") << TrackId(2) << true << TrackId(1);
        QTest::newRow("previous of a hidden track") << TrackId(5) << false << TrackId(1);
        QTest::newRow("nothing loaded") << TrackId(0) << false << TrackId(1);
    }
    void stepsThroughTheFilteredList() {
        QFETCH(TrackId, current);
        QFETCH(bool, forward);
        QFETCH(TrackId, expected);
        if (current)
            play(current);
        search().setSelectedGenre("Jazz");
        forward ? playback().playNext() : playback().playPrevious();
        QCOMPARE(currentId(), expected);
        QVERIFY(player().isPlaying());
        // From the start: no fraction pending.
        m_media->current->knownDuration = 100;
        m_media->current->tick(0.5);
        QCOMPARE(player().currentTime(), 0.5);
    }

    void aFilterMatchingNothingLeavesThePlayerAlone() {
        play(3);
        m_media->log.clear();
        search().setSelectedGenre("Polka");
        playback().playNext();
        playback().playPrevious();
        QCOMPARE(currentId(), TrackId(3));
        QVERIFY(m_media->log.isEmpty());
    }

    void theEndOfATrackPlaysTheNextOneOfTheListAsItIsNow() {
        search().setSelectedGenre("Jazz");
        play(3);
        m_media->current->finish();
        QCOMPARE(currentId(), TrackId(4));
        m_media->current->finish();
        QCOMPARE(currentId(), TrackId(1));
        search().setSelectedGenre("Rock");
        m_media->current->finish();
        QCOMPARE(currentId(), TrackId(2));
        QVERIFY(player().isPlaying());
    }

    void aOneTrackListStartsItsTrackAgain() {
        search().setSelectedGenre("Solo");
        play(5);
        m_media->log.clear();
        m_media->current->finish();
        QCOMPARE(m_media->made, 1);
        QCOMPARE(m_media->eventsOf(1).last(), "play");
        QVERIFY(player().isPlaying());
        // "Next" in the middle of the only track starts it from the beginning too.
        m_media->log.clear();
        playback().playNext();
        QCOMPARE(m_media->eventsOf(1), (QStringList{"seek 0", "play"}));
    }
};

ARU_TEST_MAIN(PlaybackOrderTest)
#include "tst_playback_order.moc"
