#include "TestHome.h"
#include "TestState.h"

#include <QDir>
#include <QFile>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QStandardPaths>

using namespace aru;

namespace {

const QList<DownloadEntry> sampleHistory{
    {Q_INT64_C(9007199254740993), "Pluie d'été", "Zoé", "2026-12-01T10:00:00Z"},
    {7, "Night", "Jane Roe", "2026-11-30T08:00:00Z"}};

} // namespace

class AppStateTest : public QObject {
    Q_OBJECT

private slots:
    void startsWithDefaultsAndCreatesTheDownloadFolder() {
        test::TestState state;
        QVERIFY(!state->session()->isLoggedIn());
        QVERIFY(state->catalog()->tracks().isEmpty() && !state->catalog()->tagLibrary());
        QVERIFY(state->favorites()->favorites().isEmpty());
        QCOMPARE(state->preferences()->theme(), AppTheme::Dark);
        QCOMPARE(state->preferences()->language(), AppLanguages::systemDefault());
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        const QUrl folder = state->preferences()->downloadFolder();
        QCOMPARE(folder.toLocalFile(), documents + "/ARU Records");
        QVERIFY(QDir(folder.toLocalFile()).exists());
        QVERIFY(documents.startsWith(QDir::homePath())); // never the real user's folder

        // A stored folder that cannot be created is kept, not replaced.
        const QString blocked = state.folder() + "/file";
        QFile file(blocked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        state.store().setString("aru.download.folder", blocked + "/WAV");
        state.restart();
        QCOMPARE(state->preferences()->downloadFolder().toLocalFile(), blocked + "/WAV");
        QVERIFY(!QDir(blocked + "/WAV").exists());
    }

    void everyPartStoresItsChangesForTheNextRun() {
        test::TestState state;
        state.store().setBytes("aru.downloads", DownloadEntry::listToJson(sampleHistory));
        state.store().setString("aru.theme", "light");
        state.restart();
        const QString folder = state.folder() + "/nested/WAV";
        state->favorites()->toggleFavorite(7);
        state->favorites()->toggleFavorite(Q_INT64_C(9007199254740993));
        state->downloads()->recordDownload(Track{});
        state->preferences()->setDownloadFolder(QUrl::fromLocalFile(folder));
        state->preferences()->setLanguage(AppLanguage::Ja);
        const QList<DownloadEntry> history = state->downloads()->downloads();

        state.restartSignedIn("jane+sync@example.com", "tok=en");
        QCOMPARE(state->session()->userEmail(), "jane+sync@example.com");
        QCOMPARE(state->favorites()->favorites(), (QList<TrackId>{Q_INT64_C(9007199254740993), 7}));
        QCOMPARE(history.size(), 3);
        QCOMPARE(state->downloads()->downloads(), history);
        QCOMPARE(state->preferences()->downloadFolder().toLocalFile(), folder);
        QVERIFY(QDir(folder).exists()); // the stored folder is created at start too
        QCOMPARE(state->preferences()->theme(), AppTheme::Light);
        QCOMPARE(state->preferences()->language(), AppLanguage::Ja);
    }

    // Each row names the stored key it spoils.
    void unreadableStoredValuesAreIgnored_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("aru.favorites not json") << QByteArray("\x00\xff garbage", 10);
        QTest::newRow("aru.favorites with fraction") << QByteArray("[1,2.5]");
        QTest::newRow("aru.favorites object") << QByteArray(R"({"0":1})");
        QTest::newRow("aru.downloads entry without date")
            << QByteArray(R"([{"id":1,"title":"T","artist":"A"}])");
        QTest::newRow("aru.downloads with a bad row")
            << QByteArray(R"([{"id":1,"title":"T","artist":"A","date":"d"},4])");
        QTest::newRow("aru.downloads huge") << QByteArray(20 * 1024 * 1024, '[');
        QTest::newRow("aru.theme capitalised") << QByteArray("Dark");
        QTest::newRow("aru.lang unknown") << QByteArray("de");
        QTest::newRow("aru.lang upper case") << QByteArray("FR");
    }
    void unreadableStoredValuesAreIgnored() {
        QFETCH(QByteArray, stored);
        const QString key = QString(QTest::currentDataTag()).section(' ', 0, 0);
        test::TestState state;
        state.store().setBytes("aru.favorites", "[3]");
        state.store().setBytes("aru.downloads", DownloadEntry::listToJson(sampleHistory));
        state.store().setBytes(key, stored);
        state.restart();
        QCOMPARE(state->favorites()->favorites(),
                 key == "aru.favorites" ? QList<TrackId>() : QList<TrackId>{3});
        QCOMPARE(state->downloads()->downloads(),
                 key == "aru.downloads" ? QList<DownloadEntry>() : sampleHistory);
        QCOMPARE(state->preferences()->theme(), AppTheme::Dark);
        QCOMPARE(state->preferences()->language(), AppLanguages::systemDefault());
    }

    void logoutEndsOnlyTheSession() {
        test::TestState state;
        state.restartSignedIn("a@b.c", "t");
        QVERIFY(state->session()->isLoggedIn()); // a stored token is trusted without the server
        state->downloads()->recordDownload(Track{});
        state->search()->setSearchText("rain");
        state->search()->setSelectedMood("Calm");
        QSignalSpy loggedIn(state->session(), &Session::isLoggedInChanged);

        state->session()->logout();

        QCOMPARE(loggedIn.count(), 1);
        QVERIFY(!state->session()->isLoggedIn());
        QVERIFY(state->session()->userEmail().isEmpty() && state->session()->userToken().isEmpty());
        QCOMPARE(state->downloads()->downloads().size(), 1);
        QCOMPARE(state->search()->searchText(), "rain");
        QCOMPARE(state->search()->selectedMood(), std::optional<QString>("Calm"));
        state.restart();
        QVERIFY(!state->session()->isLoggedIn());
        QCOMPARE(state->downloads()->downloads().size(), 1);
    }

    void observersHearOnlyRealChanges() {
        test::TestState state;
        QSignalSpy compact(state->layout(), &PageLayout::isCompactChanged);
        for (const qreal width : {1000, 960, 959, 800, 900, 1280})
            state->layout()->updateLayout(width);
        QCOMPARE(compact.count(), 2);
        state->layout()->updateLayout(959);
        QCOMPARE(state->layout()->pageH(), 24.0);
        QCOMPARE(state->layout()->pageTrailing(), 64.0);

        QSignalSpy search(state->search(), &CatalogSearch::searchTextChanged);
        QSignalSpy mood(state->search(), &CatalogSearch::selectedMoodChanged);
        state->search()->setSearchText("x");
        state->search()->setSearchText("x");
        state->search()->setSelectedMood(QString()); // an empty filter is a filter, unlike none
        state->search()->setSelectedMood(QString());
        state->search()->setSelectedMood(std::nullopt);
        QCOMPARE(search.count(), 1);
        QCOMPARE(mood.count(), 2);

        state->preferences()->setLanguage(AppLanguage::En);
        QSignalSpy language(state->preferences(), &Preferences::languageChanged);
        state->preferences()->setLanguage(AppLanguage::Fr);
        state->preferences()->setLanguage(AppLanguage::Fr);
        QCOMPARE(language.count(), 1);
        QCOMPARE(SettingsStore(state.store().fileName()).string("aru.lang"),
                 std::optional<QString>("fr"));
    }

    void viewsBindToThePartsAndCannotWriteWhatTheStateOwns() {
        test::TestState state;
        state->preferences()->setLanguage(AppLanguage::En);
        QQmlEngine engine;
        engine.addImportPath("qrc:/qt/qml");
        QQmlComponent component(&engine);
        component.setData("import QtQml\nimport Aru\nQtObject {\n"
                          "  property string play: AppState.preferences.t(\"player.play\")\n"
                          "  property bool compact: AppState.layout.isCompact\n"
                          "  property var mood: AppState.search.selectedMood\n"
                          "  function signIn() { AppState.session.isLoggedIn = true }\n"
                          "  function load() { AppState.catalog.isLoadingCatalog = true }\n}",
                          QUrl("qrc:/test.qml"));
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        QCOMPARE(object->property("play").toString(), "Play");
        QVERIFY(!object->property("mood").isValid());

        state->preferences()->setLanguage(AppLanguage::Ja);
        QCOMPARE(object->property("play").toString(), "再生");
        state->search()->setSelectedMood("Dark");
        QCOMPARE(object->property("mood").toString(), "Dark");
        state->layout()->updateLayout(500);
        QVERIFY(object->property("compact").toBool());

        for (const char* write : {"signIn", "load"}) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("read-only property"));
            QMetaObject::invokeMethod(object.get(), write);
        }
        QVERIFY(!state->session()->isLoggedIn() && !state->catalog()->isLoadingCatalog());
        QCOMPARE(QQmlEngine::objectOwnership(state.get()), QQmlEngine::CppOwnership);
        QCOMPARE(QQmlEngine::objectOwnership(state->search()), QQmlEngine::CppOwnership);
    }
};

ARU_TEST_MAIN(AppStateTest)
#include "tst_app_state.moc"
