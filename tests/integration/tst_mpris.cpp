#include "MprisMetadata.h"
#include "MprisService.h"
#include "TestHome.h"
#include "TestState.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QProcess>
#include <QSignalSpy>
#include <memory>

using namespace aru;

namespace {

const QString service = QString::fromLatin1(MprisService::serviceName);
const QString path = QString::fromLatin1(MprisService::objectPath);
const QString player = "org.mpris.MediaPlayer2.Player";

Track makeTrack(TrackId id, const QString& title) {
    Track track;
    track.id = id;
    track.title = title;
    track.artist = "Ann";
    track.album = "Tides";
    track.audioFile = QString("/api/audio/%1.wav").arg(id);
    return track;
}

} // namespace

// Records what the bus says of the player: each PropertiesChanged and each Seeked.
class BusListener : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changes;
    QList<qlonglong> seeks;

public slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList&) {
        if (interface == player)
            changes.append(changed);
    }
    void seeked(qlonglong position) { seeks.append(position); }
};

// The media-player face of the app on a private session bus, driven as a media panel would.
class MprisTest : public QObject {
    Q_OBJECT

    QProcess m_daemon;
    std::unique_ptr<test::TestState> m_state;
    std::unique_ptr<MprisService> m_mpris;
    std::unique_ptr<QDBusConnection> m_client;
    BusListener m_heard;
    int m_raised = 0;

    AudioPlayer& audio() { return *(*m_state)->playback()->audioPlayer(); }
    // The app answers on this same thread: every call lets the event loop run while it waits.
    QDBusMessage call(const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return m_client->call(message, QDBus::BlockWithGui);
    }
    QVariant property(const QString& name, const QString& interface = player) {
        const QDBusReply<QDBusVariant> reply =
            call("org.freedesktop.DBus.Properties", "Get", {interface, name});
        return reply.isValid() ? reply.value().variant() : QVariant();
    }
    QDBusMessage invoke(const QString& method, const QVariantList& arguments = {}) {
        return call(player, method, arguments);
    }
    QVariantMap metadata() {
        QVariantMap map;
        qvariant_cast<QDBusArgument>(property("Metadata")) >> map;
        return map;
    }

private slots:
    void initTestCase() {
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        if (!m_daemon.waitForStarted(5000))
            QSKIP("dbus-daemon is not installed (scripts/setup installs it)");
        QVERIFY(m_daemon.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_state = std::make_unique<test::TestState>();
        (*m_state)->catalog()->setTracks({makeTrack(7, "First"), makeTrack(-8, "Second")});
        const QDBusConnection appBus = QDBusConnection::connectToBus(address, "app");
        m_mpris = MprisService::start(**m_state, appBus,
                                      {.raise = [this] { ++m_raised; },
                                       .quit = {},
                                       .coverFile = [](const QUrl&) { return QString(); }});
        QVERIFY(m_mpris);
        m_client =
            std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, "panel"));
        QVERIFY(m_client->connect(service, path, "org.freedesktop.DBus.Properties",
                                  "PropertiesChanged", &m_heard,
                                  SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
        QVERIFY(
            m_client->connect(service, path, player, "Seeked", &m_heard, SLOT(seeked(qlonglong))));
        QTRY_COMPARE(property("CanGoNext").toBool(), true);
    }
    void cleanupTestCase() {
        m_mpris.reset();
        m_state.reset();
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    void theAppIntroducesItself() {
        const QString root = "org.mpris.MediaPlayer2";
        QCOMPARE(property("Identity", root).toString(), QString("ARU Sync"));
        QCOMPARE(property("DesktopEntry", root).toString(), QString("com.aru_records.ARUSync"));
        QVERIFY(property("CanRaise", root).toBool() && property("CanQuit", root).toBool());
        call(root, "Raise");
        QCOMPARE(m_raised, 1);
        QCOMPARE(property("PlaybackStatus").toString(), QString("Stopped"));
        QVERIFY(property("CanPlay").toBool());
        QVERIFY(!property("CanPause").toBool());
        QVERIFY(metadata().isEmpty());
    }

    void thePanelPlaysStepsAndSeeks() {
        invoke("Play"); // nothing loaded: the first of the list
        QCOMPARE(audio().currentTrack()->id, TrackId(7));
        QTRY_VERIFY(!m_heard.changes.isEmpty());
        QCOMPARE(m_heard.changes.last().value("PlaybackStatus").toString(), QString("Playing"));
        QCOMPARE(metadata().value("xesam:title").toString(), QString("First"));
        QCOMPARE(metadata().value("xesam:artist").toStringList(), QStringList{"Ann"});
        QCOMPARE(metadata().value("xesam:album").toString(), QString("Tides"));
        QVERIFY(!metadata().contains("mpris:length")); // not known yet

        invoke("Next");
        QCOMPARE(audio().currentTrack()->id, TrackId(-8));
        QCOMPARE(qvariant_cast<QDBusObjectPath>(metadata().value("mpris:trackid")).path(),
                 QString("/com/aru_records/ARUSync/track/n8"));
        test::FakeMediaBackend* backend = m_state->media().current;
        backend->knownDuration = 120;
        backend->tick(10);
        QTRY_COMPARE(metadata().value("mpris:length").toLongLong(), 120'000'000LL);
        QCOMPARE(property("Position").toLongLong(), 10'000'000LL);
        QVERIFY(property("CanSeek").toBool());

        m_state->media().log.clear();
        invoke("Seek", {qlonglong(5'000'000)});
        QTRY_COMPARE(m_heard.seeks, QList<qlonglong>{15'000'000});
        invoke("SetPosition",
               {QVariant::fromValue(MprisMetadata::trackPath(7)), qlonglong(30'000'000)});
        invoke("SetPosition",
               {QVariant::fromValue(MprisMetadata::trackPath(-8)), qlonglong(30'000'000)});
        invoke("SetPosition", // past the end: ignored
               {QVariant::fromValue(MprisMetadata::trackPath(-8)), qlonglong(500'000'000)});
        QTRY_COMPARE(m_heard.seeks.size(), 2);
        const QStringList seeks = m_state->media().eventsOf(m_state->media().made);
        QCOMPARE(seeks, (QStringList{"seek 15", "seek 30"}));

        invoke("PlayPause");
        QVERIFY(!audio().isPlaying());
        QTRY_COMPARE(m_heard.changes.last().value("PlaybackStatus").toString(), QString("Paused"));
        call("org.freedesktop.DBus.Properties", "Set",
             {player, "Volume", QVariant::fromValue(QDBusVariant(0.25))});
        QCOMPARE(audio().volume(), 0.25f);
        invoke("Stop");
        QVERIFY(!audio().currentTrack());
        QTRY_COMPARE(m_heard.changes.last().value("PlaybackStatus").toString(), QString("Stopped"));
    }

    void noBusIsNoError() {
        QDBusConnection nowhere =
            QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "nowhere");
        QVERIFY(!MprisService::start(**m_state, nowhere, {}));
    }
};

ARU_TEST_MAIN(MprisTest)
#include "tst_mpris.moc"
