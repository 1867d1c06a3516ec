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
    bool setDefaultOutput(quint32 id) override { return defaults.append(id), true; }
    QList<quint32> defaults;

private:
    std::optional<Devices> m_devices;
};

Device out(quint32 id, const char* utf8Name) {
    return {id, true, QStringLiteral("uid-%1").arg(id),
            utf8Name ? std::optional(QString::fromUtf8(utf8Name)) : std::nullopt};
}

} // namespace

class AudioDevicesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_store;

private slots:
    void init() {
        m_store = std::make_unique<SettingsStore>(m_dir.filePath(QStringLiteral("s.ini")));
        m_store->remove(AudioDeviceHelper::settingKey());
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
            QCOMPARE(device.uid, QStringLiteral("uid-%1").arg(device.id));
            QVERIFY(!device.name.isEmpty());
        }
        QCOMPARE(ids, listed);
    }

    void noAudioServerListsNothing() {
        FakeDeviceQuery failing(std::nullopt);
        QVERIFY(AudioDeviceHelper::listOutputDevices(failing).isEmpty());
        // The real query neither fails loudly nor starts a server of its own.
        qputenv("PULSE_SERVER", "unix:" + m_dir.filePath(QStringLiteral("none")).toUtf8());
        PulseAudioDeviceQuery pulse;
        const bool noDevices = !pulse.devices() && AudioDeviceHelper::listOutputDevices().isEmpty();
        const bool madeDefault = pulse.setDefaultOutput(0);
        qunsetenv("PULSE_SERVER");
        QVERIFY(noDevices);
        QVERIFY(!madeDefault);
    }

    void applyingAChoice_data() {
        QTest::addColumn<quint32>("chosen");
        QTest::addColumn<std::optional<qint64>>("stored");
        QTest::addColumn<QList<quint32>>("defaults");
        QTest::addColumn<QStringList>("moves");
        QTest::newRow("a device") << 3u << std::optional<qint64>(3) << QList<quint32>{3}
                                  << QStringList{"device uid-3"};
        // The system default is left as it is; the player follows it.
        QTest::newRow("the system output")
            << 0u << std::optional<qint64>() << QList<quint32>{} << QStringList{"device "};
        QTest::newRow("a device that is gone")
            << 9u << std::optional<qint64>(9) << QList<quint32>{9} << QStringList{};
    }
    void applyingAChoice() {
        QFETCH(quint32, chosen);
        QFETCH(std::optional<qint64>, stored);
        QFETCH(QList<quint32>, defaults);
        QFETCH(QStringList, moves);
        test::FakeMedia media;
        AudioPlayer player(media.factory());
        Track track;
        track.audioFile = QStringLiteral("/api/audio/1.wav");
        player.play(track);
        m_store->setInteger(AudioDeviceHelper::settingKey(), 1);
        FakeDeviceQuery query(Devices{out(1, "Speakers"), out(3, "Headset")});

        AudioDeviceHelper::applyOutputDevice(chosen, *m_store, query, &player);
        QCOMPARE(m_store->integer(QStringLiteral("aru.audio.device.id")), stored);
        QCOMPARE(query.defaults, defaults);
        QCOMPARE(media.eventsOf(1).filter(QStringLiteral("device")), moves);
    }

    void theStoredChoiceIsA32BitId_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<quint32>("id");
        QTest::newRow("largest") << "4294967295" << 4294967295u;
        QTest::newRow("too large") << "4294967296" << 0u;
        QTest::newRow("negative") << "-1" << 0u;
    }
    void theStoredChoiceIsA32BitId() {
        QFETCH(QString, raw);
        QFETCH(quint32, id);
        QCOMPARE(AudioDeviceHelper::storedOutputDeviceId(*m_store), 0u);
        m_store->setString(AudioDeviceHelper::settingKey(), raw);
        QCOMPARE(AudioDeviceHelper::storedOutputDeviceId(*m_store), id);
    }
};

ARU_TEST_MAIN(AudioDevicesTest)
#include "tst_audio_devices.moc"
