#include "AudioDeviceHelper.h"
#include "AudioDeviceQuery.h"
#include "AudioPlayer.h"
#include "FakeMediaBackend.h"
#include "PulseAudioDeviceQuery.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <QTemporaryDir>
#include <memory>

using namespace aru;
using Device = AudioDeviceQuery::Device;
using Devices = QList<Device>;

namespace {

// An audio system with a fixed answer that remembers which defaults it was asked to make.
class FakeDeviceQuery final : public AudioDeviceQuery {
public:
    explicit FakeDeviceQuery(std::optional<Devices> devices)
        : m_devices(std::move(devices)) {}
    std::optional<Devices> devices() override { return m_devices; }
    bool setDefaultOutput(const QString& uid) override { return defaults.append(uid), true; }
    QStringList defaults;

private:
    std::optional<Devices> m_devices;
};

Device out(quint32 id, const char* utf8Name) {
    return {id, true, QString("uid-%1").arg(id),
            utf8Name ? std::optional(QString::fromUtf8(utf8Name)) : std::nullopt};
}

} // namespace

class AudioDevicesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;

private slots:
    void init() {
        m_store = std::make_unique<SettingsStore>(m_dir.filePath("s.ini"));
        m_store->remove(AudioDeviceHelper::settingKey());
        m_store->remove(AudioDeviceHelper::uidSettingKey());
    }

    void listsOutputsSortedByName_data() {
        QTest::addColumn<Devices>("reported");
        QTest::addColumn<QList<quint32>>("listed");
        QTest::newRow("speaker, input-only microphone, headset")
            << Devices{out(1, "Speakers"), {2, false, "uid-2", "Microphone"}, out(3, "Headset")}
            << QList<quint32>{3, 1};
        QTest::newRow("no uid: left out")
            << Devices{out(1, "B"), {2, true, std::nullopt, "A"}} << QList<quint32>{1};
        QTest::newRow("capitals first")
            << Devices{out(1, "alpha"), out(2, "Zulu")} << QList<quint32>{2, 1};
        QTest::newRow("stable") << Devices{out(9, "Same"), out(3, "Same"), out(5, "Same")}
                                << QList<quint32>{9, 3, 5};
        // E + combining acute composes to U+00C9, after F; composed and decomposed are equal.
        QTest::newRow("composed") << Devices{out(1, "E\xCC\x81"), out(2, "F"), out(3, "\xC3\x89")}
                                  << QList<quint32>{2, 1, 3};
        // U+1F3A7 is a surrogate pair (0xD83C…), which UTF-16 order puts before U+FF21.
        QTest::newRow("scalar order")
            << Devices{out(1, "\xF0\x9F\x8E\xA7"), out(2, "\xEF\xBC\xA1")} << QList<quint32>{2, 1};
        QTest::newRow("no name: still listed, with a name")
            << Devices{out(7, nullptr)} << QList<quint32>{7};
    }
    void listsOutputsSortedByName() {
        QFETCH(Devices, reported);
        QFETCH(QList<quint32>, listed);
        FakeDeviceQuery query(reported);
        QList<quint32> ids;
        for (const AudioDevice& device : AudioDeviceHelper::listOutputDevices(query)) {
            ids.append(device.id);
            QCOMPARE(device.uid, QString("uid-%1").arg(device.id));
            QVERIFY(!device.name.isEmpty());
        }
        QCOMPARE(ids, listed);
    }

    void noAudioServerListsNothing() {
        FakeDeviceQuery failing(std::nullopt);
        QVERIFY(AudioDeviceHelper::listOutputDevices(failing).isEmpty());
        // The real query neither fails loudly nor starts a server of its own.
        qputenv("PULSE_SERVER", "unix:" + m_dir.filePath("none").toUtf8());
        PulseAudioDeviceQuery pulse;
        const bool noDevices = !pulse.devices() && AudioDeviceHelper::listOutputDevices().isEmpty();
        const bool madeDefault = pulse.setDefaultOutput("aru_test_sink_a");
        qunsetenv("PULSE_SERVER");
        QVERIFY(noDevices);
        QVERIFY(!madeDefault);
    }

    void applyingAChoice_data() {
        QTest::addColumn<std::optional<AudioDevice>>("chosen");
        QTest::addColumn<std::optional<qint64>>("storedId");
        QTest::addColumn<QStringList>("defaults");
        QTest::addColumn<QStringList>("moves");
        QTest::newRow("a device") << std::optional(AudioDevice{3, "sink-3", "Headset"})
                                  << std::optional<qint64>(3) << QStringList{"sink-3"}
                                  << QStringList{"device sink-3"};
        // PulseAudio gives its first sink index 0: a device like any other.
        QTest::newRow("the device with id 0")
            << std::optional(AudioDevice{0, "sink-0", "Null Output"}) << std::optional<qint64>(0)
            << QStringList{"sink-0"} << QStringList{"device sink-0"};
        // The system default is left as it is; the player follows it.
        QTest::newRow("the system output")
            << std::optional<AudioDevice>() << std::optional<qint64>() << QStringList{}
            << QStringList{"device "};
    }
    void applyingAChoice() {
        QFETCH(std::optional<AudioDevice>, chosen);
        QFETCH(std::optional<qint64>, storedId);
        QFETCH(QStringList, defaults);
        QFETCH(QStringList, moves);
        test::FakeMedia media;
        AudioPlayer player(media.factory());
        Track track;
        track.audioFile = "/api/audio/1.wav";
        player.play(track);
        m_store->setInteger(AudioDeviceHelper::settingKey(), 1);
        m_store->setString(AudioDeviceHelper::uidSettingKey(), "sink-1");
        FakeDeviceQuery query(Devices{});

        AudioDeviceHelper::applyOutputDevice(chosen, *m_store, query, &player);
        QCOMPARE(m_store->integer("aru.audio.device.id"), storedId);
        QCOMPARE(m_store->string("aru.audio.device.uid"),
                 chosen ? std::optional(chosen->uid) : std::nullopt);
        QCOMPARE(query.defaults, defaults);
        QCOMPARE(media.eventsOf(1).filter("device"), moves);
    }

    void theStoredChoiceIsFoundByUid_data() {
        QTest::addColumn<std::optional<qint64>>("storedId");
        QTest::addColumn<std::optional<QString>>("storedUid");
        QTest::addColumn<std::optional<quint32>>("found");
        QTest::newRow("nothing stored")
            << std::optional<qint64>() << std::optional<QString>() << std::optional<quint32>();
        QTest::newRow("id 0") << std::optional<qint64>(0) << std::optional<QString>("sink-a")
                              << std::optional<quint32>(0);
        // After a restart of the audio server the ids went to other devices.
        QTest::newRow("ids handed out afresh")
            << std::optional<qint64>(0) << std::optional<QString>("sink-b")
            << std::optional<quint32>(1);
        QTest::newRow("unplugged")
            << std::optional<qint64>(1) << std::optional<QString>("sink-gone")
            << std::optional<quint32>();
        // An id alone cannot tell which device it meant.
        QTest::newRow("id without uid")
            << std::optional<qint64>(1) << std::optional<QString>() << std::optional<quint32>();
    }
    void theStoredChoiceIsFoundByUid() {
        QFETCH(std::optional<qint64>, storedId);
        QFETCH(std::optional<QString>, storedUid);
        QFETCH(std::optional<quint32>, found);
        if (storedId)
            m_store->setInteger(AudioDeviceHelper::settingKey(), *storedId);
        if (storedUid)
            m_store->setString(AudioDeviceHelper::uidSettingKey(), *storedUid);
        const QList<AudioDevice> devices{{0, "sink-a", "A"}, {1, "sink-b", "B"}};
        const auto device = AudioDeviceHelper::storedOutputDevice(devices, *m_store);
        QCOMPARE(device ? std::optional(device->id) : std::nullopt, found);
    }
};

ARU_TEST_MAIN(AudioDevicesTest)
#include "tst_audio_devices.moc"
