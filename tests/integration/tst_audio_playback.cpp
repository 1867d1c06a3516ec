// Plays for real: the substitute catalogue server streams a track through Qt Multimedia's
// ffmpeg backend into a PulseAudio null sink.
#include "APIClient.h"
#include "AppState.h"
#include "AudioDeviceHelper.h"
#include "AudioPlayer.h"
#include "CatalogServerProcess.h"
#include "NetworkSession.h"
#include "PulseAudioDeviceQuery.h"
#include "QtMediaBackend.h"
#include "SettingsStore.h"
#include "TestHome.h"
#include "ToolOutput.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QCoroTask>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMediaDevices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

using namespace aru;

namespace {

bool qtKnowsOutput(const QByteArray& id) {
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    return std::any_of(outputs.begin(), outputs.end(),
                       [&](const QAudioDevice& device) { return device.id() == id; });
}

} // namespace

class AudioPlaybackTest : public QObject {
    Q_OBJECT

    NetworkSession m_network;
    std::unique_ptr<test::CatalogServerProcess> m_server;
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<AppState> m_state;
    // Two null sinks of this test, so the machine's own devices and default stay as they were.
    QStringList m_modules;
    QByteArray m_previousDefault;
    QByteArray m_sinkA;
    QByteArray m_sinkB;
    AudioDevice m_deviceA;
    AudioDevice m_deviceB;

    QByteArray loadNullSink(const QByteArray& name) {
        const QByteArray module =
            test::pactl({"load-module", "module-null-sink", "sink_name=" + QString::fromUtf8(name),
                         "sink_properties=device.description=" + QString::fromUtf8(name)})
                .trimmed();
        if (!module.isEmpty())
            m_modules.append(QString::fromUtf8(module));
        return module;
    }

    AudioPlayer& player() { return *m_state->playback()->audioPlayer(); }

    bool addServerFault(const QString& json) {
        QNetworkAccessManager network;
        QNetworkRequest request(m_server->baseUrl().resolved(QUrl("/__faults")));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        std::unique_ptr<QNetworkReply> reply(network.post(request, json.toUtf8()));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        return (reply->isFinished() || finished.wait(5000)) &&
               reply->error() == QNetworkReply::NoError;
    }

    // What a failed wait prints: the player's view and the sound server's.
    QByteArray playbackReport() {
        return QString("time %1 of %2, %3; streams: %4")
            .arg(player().currentTime())
            .arg(player().duration())
            .arg(player().isPlaying() ? "playing" : "paused")
            .arg(QString::fromUtf8(test::pactl({"list", "short", "sink-inputs"}).trimmed()))
            .toUtf8();
    }

private slots:
    void initTestCase() {
        PulseAudioDeviceQuery query;
        if (!query.devices())
            QSKIP("No PulseAudio server can be reached (scripts/test starts one with two null "
                  "sinks; or run `pulseaudio --start`): real playback not tested");
        QVERIFY2(!test::pactl({"info"}).isNull(), "pactl (pulseaudio-utils) is needed");

        const QByteArray suffix = QByteArray::number(QCoreApplication::applicationPid());
        m_sinkA = "aru_playback_a_" + suffix;
        m_sinkB = "aru_playback_b_" + suffix;
        QVERIFY(!loadNullSink(m_sinkA).isEmpty());
        QVERIFY(!loadNullSink(m_sinkB).isEmpty());
        m_previousDefault = test::pactl({"get-default-sink"}).trimmed();
        QVERIFY(!test::pactl({"set-default-sink", QString::fromUtf8(m_sinkA)}).isNull());

        for (const AudioDevice& device : AudioDeviceHelper::listOutputDevices()) {
            if (device.uid.toUtf8() == m_sinkA)
                m_deviceA = device;
            if (device.uid.toUtf8() == m_sinkB)
                m_deviceB = device;
        }
        QVERIFY(m_deviceA.id != m_deviceB.id);
        QCOMPARE(m_deviceB.name, QString::fromUtf8(m_sinkB));
        // Qt learns of new sinks asynchronously.
        QTRY_VERIFY_WITH_TIMEOUT(qtKnowsOutput(m_sinkA) && qtKnowsOutput(m_sinkB), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(QMediaDevices::defaultAudioOutput().id(), m_sinkA, 10000);

        m_server = std::make_unique<test::CatalogServerProcess>(QStringList{"--tracks", "3"});
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        qputenv("ARU_SYNC_BASE_URL", m_server->baseUrl().toString().toUtf8());

        m_store = std::make_unique<SettingsStore>(m_dir.filePath("s.ini"));
        m_state = std::make_unique<AppState>(*m_store, QtMediaBackend::factory());
        auto catalog = QCoro::waitFor(APIClient::fetchCatalog());
        QVERIFY2(catalog.ok(), qPrintable(catalog.error().description()));
        m_state->catalog()->setTracks(catalog.value().tracks);
        QCOMPARE(m_state->catalog()->tracks().size(), 3);
    }

    void cleanupTestCase() {
        m_state.reset();
        if (!m_previousDefault.isEmpty())
            test::pactl({"set-default-sink", QString::fromUtf8(m_previousDefault)});
        for (const QString& module : std::as_const(m_modules))
            test::pactl({"unload-module", module});
    }

    void streamsTicksSeeksMovesAndContinues() {
        const Track first = m_state->catalog()->tracks().at(0);
        const Track third = m_state->catalog()->tracks().at(2);
        // A filter that keeps only the third track proves the next one comes from the filtered
        // list: the first track's end must lead to the third, not to the catalogue's second.
        m_state->search()->setSearchText(third.title.toLower());
        QCOMPARE(m_state->search()->filteredTracks(), QList<Track>{third});

        // Every position report, with the time it came.
        QObject listening;
        QElapsedTimer clock;
        QList<std::pair<qint64, double>> reports;
        connect(&player(), &AudioPlayer::currentTimeChanged, &listening, [&] {
            reports.append({clock.elapsed(), player().currentTime()});
        });

        clock.start();
        player().play(first, 0, true);
        QVERIFY(player().isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(player().duration() > 0, 15000);
        // The server's first track lasts 17 s ("0:17" in the catalogue).
        QVERIFY2(qAbs(player().duration() - 17.0) < 0.2,
                 qPrintable(QString::number(player().duration())));
        QTRY_VERIFY2_WITH_TIMEOUT(player().currentTime() >= 2.0, playbackReport().constData(),
                                  15000);

        // Reports come every half second while the time advances. A late tick is followed by a
        // punctual one, so only the mean gap says it: about 500 ms, with room for a busy machine.
        QVERIFY(reports.size() >= 4);
        for (qsizetype i = 1; i < reports.size(); ++i)
            QVERIFY2(reports[i].second > reports[i - 1].second, "the position must advance");
        const double meanGap =
            double(reports.last().first - reports.first().first) / double(reports.size() - 1);
        QVERIFY2(meanGap > 420 && meanGap < 900, qPrintable(QString::number(meanGap)));

        // The stream plays on the default sink.
        QTRY_COMPARE_WITH_TIMEOUT(test::ourPlaybackSinks(), QList<qint64>{qint64(m_deviceA.id)},
                                  10000);

        player().seek(10.0);
        QTRY_VERIFY_WITH_TIMEOUT(player().currentTime() >= 10.0 && player().currentTime() < 12.5,
                                 10000);

        // Choosing the second sink moves this player's one stream there.
        AudioDeviceHelper::applyOutputDevice(m_deviceB, *m_store, &player());
        QCOMPARE(AudioDeviceHelper::storedOutputDevice({m_deviceA, m_deviceB}, *m_store),
                 m_deviceB);
        QCOMPARE(test::pactl({"get-default-sink"}).trimmed(), m_sinkB);
        QTRY_COMPARE_WITH_TIMEOUT(test::ourPlaybackSinks(), QList<qint64>{qint64(m_deviceB.id)},
                                  10000);
        const double beforeMove = player().currentTime();
        QTRY_VERIFY2_WITH_TIMEOUT(player().currentTime() > beforeMove + 1.0,
                                  playbackReport().constData(), 10000);

        // The end of the item starts the next track of the filtered list, on the chosen sink.
        QList<double> timesAtEnd; // one stop, reported at 0
        connect(&player(), &AudioPlayer::isPlayingChanged, &listening, [&] {
            if (!player().isPlaying())
                timesAtEnd.append(player().currentTime());
        });
        player().seek(player().duration() - 1.0);
        QTRY_VERIFY_WITH_TIMEOUT(player().currentTrack() && player().currentTrack()->id == third.id,
                                 15000);
        QCOMPARE(timesAtEnd, QList<double>{0.0});
        QVERIFY(player().isPlaying());
        QTRY_VERIFY2_WITH_TIMEOUT(player().duration() > 0 && player().currentTime() > 0.5,
                                  playbackReport().constData(), 15000);
        QVERIFY(qAbs(player().duration() - 17.0) > 1.0);
        QTRY_COMPARE_WITH_TIMEOUT(test::ourPlaybackSinks(), QList<qint64>{qint64(m_deviceB.id)},
                                  10000);

        player().stop();
        QTRY_VERIFY_WITH_TIMEOUT(test::ourPlaybackSinks().isEmpty(), 10000);
    }

    // The platform player has stopped at the end of its item; the same player must start again.
    void aOneTrackListStartsItsTrackAgain() {
        const Track only = m_state->catalog()->tracks().at(0);
        m_state->search()->setSearchText(only.title.toLower());
        QCOMPARE(m_state->search()->filteredTracks(), QList<Track>{only});

        player().play(only, 0, true);
        QTRY_VERIFY2_WITH_TIMEOUT(player().duration() > 0 && player().currentTime() > 0,
                                  playbackReport().constData(), 15000);
        QObject listening;
        int ended = 0;
        connect(&player(), &AudioPlayer::isPlayingChanged, &listening, [&] {
            if (!player().isPlaying())
                ++ended;
        });
        player().seek(player().duration() - 1.0);
        QTRY_COMPARE_WITH_TIMEOUT(ended, 1, 15000);
        QVERIFY(player().isPlaying());
        QCOMPARE(player().currentTrack()->id, only.id);
        // From the beginning, and advancing.
        QTRY_VERIFY_WITH_TIMEOUT(player().currentTime() > 0.4 && player().currentTime() < 5.0,
                                 10000);
        const double restarted = player().currentTime();
        QTRY_VERIFY_WITH_TIMEOUT(player().currentTime() > restarted + 0.4, 10000);
        player().stop();
    }

    // The server falls silent in the middle of a stream, its connection open. The player stops
    // where the data ends; choosing another track must not wait for the dead connection (Qt's
    // player waits for its reading thread, which would freeze the window until the link dies).
    void aStreamThatDiesMidwayDoesNotHoldUpTheNextTrack() {
        const Track dying = m_state->catalog()->tracks().at(1);
        const Track next = m_state->catalog()->tracks().at(0);
        // About 2.3 s of the 44.1 kHz stereo stream, then nothing.
        QVERIFY(addServerFault(
            QStringLiteral(R"({"path":"/api/audio-stream/%1.wav","stallAfter":400000})")
                .arg(dying.id)));
        player().play(dying, 0, true);
        QTRY_VERIFY2_WITH_TIMEOUT(player().currentTime() > 1.5, playbackReport().constData(),
                                  15000);
        QTest::qWait(1500); // the data is used up and the reading thread waits for more

        QElapsedTimer clock;
        clock.start();
        player().play(next, 0, true);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY2_WITH_TIMEOUT(player().currentTime() > 0.5, playbackReport().constData(),
                                  15000);
        player().stop();
    }
};

ARU_MEDIA_TEST_MAIN(AudioPlaybackTest)

#include "tst_audio_playback.moc"
