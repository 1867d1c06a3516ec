#include "SettingsStore.h"
#include "TestHome.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/stat.h>

using namespace aru;

class SettingsStoreTest : public QObject {
    Q_OBJECT

private slots:
    // The file is its owner's alone from the moment it exists (a new one), or from the moment
    // the store opens it (one left readable by others); every write keeps it so.
    void everyWriteReachesTheFileAtOnceAndOnlyItsOwnerCanReadIt_data() {
        QTest::addColumn<bool>("existedReadableByOthers");
        QTest::newRow("new file") << false;
        QTest::newRow("existing file readable by others") << true;
    }
    void everyWriteReachesTheFileAtOnceAndOnlyItsOwnerCanReadIt() {
        QFETCH(bool, existedReadableByOthers);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("folder/s.ini"));
        if (existedReadableByOthers) {
            QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("folder"))));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) &&
                    file.write("[General]\naru.theme=dark\n") > 0);
            file.close();
            QVERIFY(file.setPermissions(file.permissions() | QFile::ReadGroup | QFile::ReadOther));
        }
        const auto ownerOnly = [&] {
            struct stat status {};
            return ::stat(QFile::encodeName(path).constData(), &status) == 0 &&
                   (status.st_mode & 0777) == 0600;
        };
        SettingsStore store(path);
        QVERIFY(ownerOnly());
        QVERIFY(store.setString(QStringLiteral("aru.user.token"), QStringLiteral("secret")));
        // Another reader sees the value while the writer is still alive.
        QCOMPARE(SettingsStore(path).string(QStringLiteral("aru.user.token")),
                 std::optional<QString>(QStringLiteral("secret")));
        QVERIFY(ownerOnly());
        QCOMPARE(store.string(QStringLiteral("aru.theme")),
                 existedReadableByOthers ? std::optional<QString>("dark") : std::nullopt);
        // Values that change together are written together; a value that does not change costs
        // no write.
        QVERIFY(store.setValues({{QStringLiteral("aru.user.email"), QStringLiteral("a@b.c")},
                                 {QStringLiteral("aru.user.token"), QStringLiteral("t2")}}));
        QCOMPARE(SettingsStore(path).string(QStringLiteral("aru.user.email")), "a@b.c");
        const QDateTime written = QFileInfo(path).lastModified();
        QTest::qWait(20);
        QVERIFY(store.setString(QStringLiteral("aru.user.token"), QStringLiteral("t2")));
        QCOMPARE(QFileInfo(path).lastModified(), written);
        QVERIFY(ownerOnly());
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
