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
        const QString path = dir.filePath("folder/s.ini");
        if (existedReadableByOthers) {
            QVERIFY(QDir().mkpath(dir.filePath("folder")));
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
        QVERIFY(store.setString("aru.user.token", "secret"));
        // Another reader sees the value while the writer is still alive.
        QCOMPARE(SettingsStore(path).string("aru.user.token"), std::optional<QString>("secret"));
        QVERIFY(ownerOnly());
        QCOMPARE(store.string("aru.theme"),
                 existedReadableByOthers ? std::optional<QString>("dark") : std::nullopt);
        // Values that change together are written together; a value that does not change costs
        // no write.
        QVERIFY(store.setValues({{"aru.user.email", "a@b.c"}, {"aru.user.token", "t2"}}));
        QCOMPARE(SettingsStore(path).string("aru.user.email"), "a@b.c");
        const QDateTime written = QFileInfo(path).lastModified();
        QTest::qWait(20);
        QVERIFY(store.setString("aru.user.token", "t2"));
        QCOMPARE(QFileInfo(path).lastModified(), written);
        QVERIFY(ownerOnly());
    }

    void typedValuesReadBackExactly() {
        QTemporaryDir dir;
        const QString path = dir.filePath("s.ini");
        const QByteArray binary("[1,2]\x00\xff\n=", 10);
        {
            SettingsStore store(path);
            store.setInteger("aru.audio.device.id", 4294967295LL);
            store.setBoolean("aru.flag", false);
            store.setBytes("aru.bytes", binary);
            store.setString("aru.text", "a, b; \"c\" = é");
        }
        SettingsStore store(path);
        QCOMPARE(store.integer("aru.audio.device.id"), std::optional<qint64>(4294967295LL));
        QCOMPARE(store.boolean("aru.flag"), std::optional<bool>(false));
        QCOMPARE(store.bytes("aru.bytes"), std::optional<QByteArray>(binary));
        QCOMPARE(store.string("aru.text"), std::optional<QString>("a, b; \"c\" = é"));
        QVERIFY(!store.string("aru.missing"));
        QVERIFY(store.remove("aru.audio.device.id"));
        QVERIFY(!store.integer("aru.audio.device.id"));
    }

    void valuesOfTheWrongKindReadAsMissing() {
        QTemporaryDir dir;
        const QString path = dir.filePath("s.ini");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[aru]\naudio.device.id=twelve\nflag=maybe\nbig=99999999999999999999\n");
        file.close();
        SettingsStore store(path);
        QVERIFY(!store.integer("aru/audio.device.id"));
        QVERIFY(!store.boolean("aru/flag"));
        QVERIFY(!store.integer("aru/big"));
    }
};

ARU_TEST_MAIN(SettingsStoreTest)
#include "tst_settings_store.moc"
