#include "AppState.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

using namespace aru;

namespace {

const QList<DownloadEntry> sampleHistory{{Q_INT64_C(9007199254740993),
                                          QStringLiteral("Pluie d'été"), QStringLiteral("Zoé"),
                                          QStringLiteral("2026-12-01T10:00:00Z")},
                                         {7, QStringLiteral("Night"), QStringLiteral("Jane Roe"),
                                          QStringLiteral("2026-11-30T08:00:00Z")}};

} // namespace

class AppStateTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;

    QString settingsFile() const { return m_dir->filePath(QStringLiteral("settings.ini")); }
    SettingsStore& reopenedStore() {
        m_store = std::make_unique<SettingsStore>(settingsFile());
        return *m_store;
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<SettingsStore>(settingsFile());
    }

    void startsWithDefaultsAndCreatesTheDownloadFolder() {
        AppState state(*m_store);
        QVERIFY(!state.isLoggedIn());
        QVERIFY(!state.isCompact());
        QVERIFY(state.tracks().isEmpty() && state.favorites().isEmpty() && !state.tagLibrary());
        QCOMPARE(state.theme(), AppTheme::Dark);
        QCOMPARE(state.language(), AppLanguages::systemDefault());
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(state.downloadFolder().toLocalFile(), documents + QStringLiteral("/ARU Records"));
        QVERIFY(QDir(state.downloadFolder().toLocalFile()).exists());
        QVERIFY(documents.startsWith(QDir::homePath())); // never the real user's folder
        QCOMPARE(state.pageH(), 64.0);
        QCOMPARE(state.pageTrailing(), 64.0);
    }

    void persistedStateSurvivesARestart() {
        const QString folder = m_dir->filePath(QStringLiteral("nested/WAV"));
        {
            AppState state(*m_store);
            state.setUserEmail(QStringLiteral("jane+sync@example.com"));
            state.setUserToken(QStringLiteral("tok=en"));
            state.setLoggedIn(true);
            state.setFavorites({12, 7, Q_INT64_C(9007199254740993)});
            state.setDownloads(sampleHistory);
            state.setDownloadFolder(QUrl::fromLocalFile(folder));
            state.setLanguage(AppLanguage::Ja);
            state.persist();
        }
        m_store->setString(QStringLiteral("aru.theme"), QStringLiteral("light"));
        AppState restored(reopenedStore());
        QVERIFY(restored.isLoggedIn());
        QCOMPARE(restored.userEmail(), QStringLiteral("jane+sync@example.com"));
        QCOMPARE(restored.userToken(), QStringLiteral("tok=en"));
        QCOMPARE(restored.favorites(), (QList<TrackId>{12, 7, Q_INT64_C(9007199254740993)}));
        QCOMPARE(restored.downloads(), sampleHistory);
        QCOMPARE(restored.downloadFolder().toLocalFile(), folder);
        QVERIFY(QDir(folder).exists()); // the stored folder is created at start too
        QCOMPARE(restored.theme(), AppTheme::Light);
        QCOMPARE(restored.language(), AppLanguage::Ja);
        QCOMPARE(m_store->string(QStringLiteral("aru.favorites")),
                 std::optional<QString>(QStringLiteral("[12,7,9007199254740993]")));
    }

    void unreadableStoredValuesAreIgnored_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("favorites not json")
            << "aru.favorites" << QByteArray("\x00\xff garbage", 10);
        QTest::newRow("favorites with fraction") << "aru.favorites" << QByteArray("[1,2.5]");
        QTest::newRow("favorites object") << "aru.favorites" << QByteArray(R"({"0":1})");
        QTest::newRow("history entry without date")
            << "aru.downloads" << QByteArray(R"([{"id":1,"title":"T","artist":"A"}])");
        QTest::newRow("history with a bad row")
            << "aru.downloads" << QByteArray(R"([{"id":1,"title":"T","artist":"A","date":"d"},4])");
        QTest::newRow("history huge") << "aru.downloads" << QByteArray(20 * 1024 * 1024, '[');
        QTest::newRow("theme capitalised") << "aru.theme" << QByteArray("Dark");
        QTest::newRow("language unknown") << "aru.lang" << QByteArray("de");
        QTest::newRow("language upper case") << "aru.lang" << QByteArray("FR");
    }
    void unreadableStoredValuesAreIgnored() {
        QFETCH(QString, key);
        QFETCH(QByteArray, stored);
        {
            AppState state(*m_store);
            state.setFavorites({3});
            state.setDownloads(sampleHistory);
            state.persist();
        }
        m_store->setBytes(key, stored);
        AppState state(reopenedStore());
        if (key == QLatin1String("aru.favorites"))
            QVERIFY(state.favorites().isEmpty());
        else
            QCOMPARE(state.favorites(), QList<TrackId>{3});
        if (key == QLatin1String("aru.downloads"))
            QVERIFY(state.downloads().isEmpty());
        else
            QCOMPARE(state.downloads(), sampleHistory);
        QCOMPARE(state.theme(), AppTheme::Dark);
        QCOMPARE(state.language(), AppLanguages::systemDefault());
    }

    void storedTokenStartsSignedInWithoutTheServer() {
        m_store->setString(QStringLiteral("aru.user.token"), QStringLiteral("t"));
        AppState state(*m_store);
        QVERIFY(state.isLoggedIn());
        QCOMPARE(state.userEmail(), QString());
    }

    void logoutEndsOnlyTheSession() {
        AppState state(*m_store);
        state.setUserEmail(QStringLiteral("a@b.c"));
        state.setUserToken(QStringLiteral("t"));
        state.setLoggedIn(true);
        state.setFavorites({5});
        state.setDownloads(sampleHistory);
        state.setSearchText(QStringLiteral("rain"));
        state.setSelectedMood(QStringLiteral("Calm"));
        state.setCompletedDownloads({5});
        QSignalSpy loggedIn(&state, &AppState::isLoggedInChanged);

        state.logout();

        QCOMPARE(loggedIn.count(), 1);
        QVERIFY(!state.isLoggedIn());
        QVERIFY(state.userEmail().isEmpty() && state.userToken().isEmpty());
        QCOMPARE(state.favorites(), QList<TrackId>{5});
        QCOMPARE(state.downloads(), sampleHistory);
        QCOMPARE(state.searchText(), QStringLiteral("rain"));
        QCOMPARE(state.selectedMood(), std::optional<QString>(QStringLiteral("Calm")));
        QCOMPARE(state.completedDownloads(), QSet<TrackId>{5});

        AppState restarted(reopenedStore());
        QVERIFY(!restarted.isLoggedIn());
        QCOMPARE(restarted.favorites(), QList<TrackId>{5});
        QCOMPARE(restarted.downloads(), sampleHistory);
    }

    void layoutNotifiesOnlyWhenCompactnessChanges() {
        AppState state(*m_store);
        QSignalSpy compact(&state, &AppState::isCompactChanged);
        state.updateLayout(1000);
        state.updateLayout(960);
        QCOMPARE(compact.count(), 0);
        state.updateLayout(959);
        QCOMPARE(compact.count(), 1);
        QVERIFY(state.isCompact());
        QCOMPARE(state.pageH(), 24.0);
        QCOMPARE(state.pageTrailing(), 64.0);
        state.updateLayout(800);
        state.updateLayout(900);
        QCOMPARE(compact.count(), 1);
        state.updateLayout(1280);
        QCOMPARE(compact.count(), 2);
    }

    void fieldsNotifyOnlyOnRealChanges() {
        AppState state(*m_store);
        QSignalSpy search(&state, &AppState::searchTextChanged);
        QSignalSpy mood(&state, &AppState::selectedMoodChanged);
        state.setSearchText(QStringLiteral("x"));
        state.setSearchText(QStringLiteral("x"));
        state.setSelectedMood(QString()); // an empty filter is a filter, unlike none
        state.setSelectedMood(QString());
        state.setSelectedMood(std::nullopt);
        QCOMPARE(search.count(), 1);
        QCOMPARE(mood.count(), 2);
    }

    void languageIsStoredAtOnceAndDrivesTexts() {
        AppState state(*m_store);
        state.setLanguage(AppLanguage::En);
        QSignalSpy changed(&state, &AppState::languageChanged);
        state.setLanguage(AppLanguage::Fr);
        state.setLanguage(AppLanguage::Fr);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(SettingsStore(settingsFile()).string(QStringLiteral("aru.lang")),
                 std::optional<QString>(QStringLiteral("fr")));
        QCOMPARE(state.t(QStringLiteral("player.play")), QStringLiteral("Lecture"));
        state.setLanguage(AppLanguage::Es);
        QCOMPARE(state.t(QStringLiteral("player.play")), QStringLiteral("Reproducir"));
    }

    void qmlBindingsFollowTheLanguage() {
        AppState state(*m_store);
        state.setLanguage(AppLanguage::En);
        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        state.exposeTo(engine);
        QQmlComponent component(&engine);
        component.setData("import QtQml\nimport Aru\nQtObject {\n"
                          "  property string play: AppState.t(\"player.play\")\n"
                          "  property bool compact: AppState.isCompact\n"
                          "  property var mood: AppState.selectedMood\n}",
                          QUrl(QStringLiteral("qrc:/test.qml")));
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        QCOMPARE(object->property("play").toString(), QStringLiteral("Play"));
        QVERIFY(!object->property("mood").isValid());

        state.setLanguage(AppLanguage::Ja);
        QCOMPARE(object->property("play").toString(), QStringLiteral("再生"));
        state.setSelectedMood(QStringLiteral("Dark"));
        QCOMPARE(object->property("mood").toString(), QStringLiteral("Dark"));
        state.updateLayout(500);
        QVERIFY(object->property("compact").toBool());
        QCOMPARE(QQmlEngine::objectOwnership(&state), QQmlEngine::CppOwnership);
    }

    void anUncreatableDownloadFolderIsIgnored() {
        const QString blocked = m_dir->filePath(QStringLiteral("file"));
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        m_store->setString(QStringLiteral("aru.download.folder"), blocked + QStringLiteral("/WAV"));
        AppState state(*m_store);
        QCOMPARE(state.downloadFolder().toLocalFile(), blocked + QStringLiteral("/WAV"));
        QVERIFY(!QDir(blocked + QStringLiteral("/WAV")).exists());
    }
};

ARU_TEST_MAIN(AppStateTest)
#include "tst_app_state.moc"
