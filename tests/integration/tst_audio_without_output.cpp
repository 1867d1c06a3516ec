#include "AudioPlayer.h"
#include "QtMediaBackend.h"
#include "TestHome.h"

#include <QtTest>

using namespace aru;

// A machine without a sound server: the preview must not play, and must not take the app down.
class AudioWithoutOutputTest : public QObject {
    Q_OBJECT

private slots:
    void playingWithoutAnyOutputDoesNothing() {
        AudioPlayer player(QtMediaBackend::factory());
        Track track;
        track.id = 1;
        track.title = "Silent";
        track.audioFile = "http://127.0.0.1:1/audio/1.wav";
        QTest::ignoreMessage(QtWarningMsg, "No audio output: the preview cannot play");
        player.play(track);
        QVERIFY(!player.currentTrack());
        QVERIFY(!player.isPlaying());
        QTest::qWait(500); // a player that was made would crash its render thread by now
    }
};

int main(int argc, char** argv) {
    aru::test::TestHome home("AudioWithoutOutputTest");
    // No sound server to reach, whatever the machine has.
    qputenv("PULSE_SERVER", "unix:/nonexistent/pulse/native");
    qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    QGuiApplication app(argc, argv);
    AudioWithoutOutputTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_audio_without_output.moc"
