#include "SettingsStore.h"
#include "TestHome.h"

#include <QFile>
#include <QTemporaryDir>

using namespace aru;

class SettingsStoreTest : public QObject {
    Q_OBJECT

private slots:
    void everyWriteReachesTheFileAtOnceAndOnlyItsOwnerCanReadIt() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ini"));
        SettingsStore store(path);
        QVERIFY(store.setString(QStringLiteral("aru.user.token"), QStringLiteral("secret")));
        // Another reader sees the value while the writer is still alive.
        QCOMPARE(SettingsStore(path).string(QStringLiteral("aru.user.token")),
                 std::optional<QString>(QStringLiteral("secret")));
        const auto othersMayRead =
            QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
        QVERIFY(QFile::permissions(path).testFlags(QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(!(QFile::permissions(path) & othersMayRead));
        QVERIFY(store.setBoolean(QStringLiteral("aru.window.halfScreen.v1"), true));
        QVERIFY(!(QFile::permissions(path) & othersMayRead));
    }

    void typedValuesReadBackExactly() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ini"));
        const QByteArray binary("[1,2]\x00\xff\n=", 10);
        {
            SettingsStore store(path);
            store.setInteger(QStringLiteral("aru.audio.device.id"), 4294967295LL);
            store.setBoolean(QStringLiteral("aru.flag"), false);
            store.setBytes(QStringLiteral("aru.bytes"), binary);
            store.setString(QStringLiteral("aru.text"), QStringLiteral("a, b; \"c\" = é"));
        }
        SettingsStore store(path);
        QCOMPARE(store.integer(QStringLiteral("aru.audio.device.id")),
                 std::optional<qint64>(4294967295LL));
        QCOMPARE(store.boolean(QStringLiteral("aru.flag")), std::optional<bool>(false));
        QCOMPARE(store.bytes(QStringLiteral("aru.bytes")), std::optional<QByteArray>(binary));
        QCOMPARE(store.string(QStringLiteral("aru.text")),
                 std::optional<QString>(QStringLiteral("a, b; \"c\" = é")));
        QVERIFY(!store.string(QStringLiteral("aru.missing")));
        QVERIFY(store.remove(QStringLiteral("aru.audio.device.id")));
        QVERIFY(!store.integer(QStringLiteral("aru.audio.device.id")));
    }

    void valuesOfTheWrongKindReadAsMissing() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[aru]\naudio.device.id=twelve\nflag=maybe\nbig=99999999999999999999\n");
        file.close();
        SettingsStore store(path);
        QVERIFY(!store.integer(QStringLiteral("aru/audio.device.id")));
        QVERIFY(!store.boolean(QStringLiteral("aru/flag")));
        QVERIFY(!store.integer(QStringLiteral("aru/big")));
    }
};

ARU_TEST_MAIN(SettingsStoreTest)
#include "tst_settings_store.moc"
