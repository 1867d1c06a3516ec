#include "APIClient.h"
#include "AppServices.h"
#include "AppState.h"
#include "CatalogServerProcess.h"
#include "QtMediaBackend.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <QCoroTask>
#include <QDir>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <functional>
#include <memory>

using namespace aru;
using aru::test::CatalogServerProcess;

namespace {

constexpr int catalogueSize = 25;
const QString demoEmail = "demo@aru.test";
const QString demoPassword = "aru-demo";

// Types ASCII text key by key (Qt Test offers whole strings only for widgets).
void typeText(QWindow* window, const QString& text) {
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}

} // namespace

// The real application against the substitute catalogue server.
class AppEndToEndTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_caches;
    AppServices m_services{m_caches.path()};
    std::unique_ptr<CatalogServerProcess> m_server;

private slots:
    void init() {
        m_server = std::make_unique<CatalogServerProcess>(
            QStringList{"--tracks", QString::number(catalogueSize)});
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        qputenv("ARU_SYNC_BASE_URL", m_server->baseUrl().toString().toUtf8());
    }
    void cleanup() { m_server.reset(); }

    // The app binary, started over settings that hold a session: it loads the catalogue, says so
    // on its standard output, and replaces its favourites by the account's list on the server,
    // which it can only read with the session's bearer token.
    void restoredSessionLoadsCatalogueAndFavourites() {
        const auto login = QCoro::waitFor(APIClient::login(demoEmail, demoPassword));
        QVERIFY(login && login->token);
        const QString token = *login->token;
        const auto catalogue = QCoro::waitFor(APIClient::fetchCatalog());
        QVERIFY(catalogue && catalogue->tracks.size() == catalogueSize);
        const TrackId favourite = catalogue->tracks[3].id;
        QVERIFY(QCoro::waitFor(APIClient::addFavorite(token, favourite)));

        QTemporaryDir home;
        const QString settingsFile = home.filePath(".config/ARU Records/ARU Sync.ini");
        QDir().mkpath(QFileInfo(settingsFile).path());
        {
            SettingsStore settings(settingsFile);
            settings.setString("aru.user.email", demoEmail);
            settings.setString("aru.user.token", token);
            settings.setBytes("aru.favorites", "[]");
        }

        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
        env.insert("XDG_CACHE_HOME", home.filePath(".cache"));
        env.insert("XDG_DATA_HOME", home.filePath(".local/share"));
        env.insert("TMPDIR", home.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("ARU_SYNC_BASE_URL", m_server->baseUrl().toString());
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::SeparateChannels);
        app.start(ARU_SYNC_APP_PATH, QStringList());
        QVERIFY(app.waitForStarted(10000));

        QByteArray out;
        const auto expectedLine =
            QByteArray("[Catalog] Loaded ") + QByteArray::number(catalogueSize) + " tracks\n";
        QTRY_VERIFY_WITH_TIMEOUT((out += app.readAllStandardOutput()).contains(expectedLine),
                                 30000);
        const auto storedFavourites = [&] {
            return SettingsStore(settingsFile).bytes("aru.favorites").value_or(QByteArray());
        };
        QTRY_COMPARE_WITH_TIMEOUT(storedFavourites(), "[" + QByteArray::number(favourite) + "]",
                                  15000);
        // First run: the window was placed and the flag recorded.
        QTRY_COMPARE_WITH_TIMEOUT(SettingsStore(settingsFile).boolean("aru.window.halfScreen.v1"),
                                  std::optional<bool>(true), 5000);

        QCOMPARE(app.state(), QProcess::Running); // still up, showing the signed-in screen
        app.terminate();
        QVERIFY(app.waitForFinished(10000));
        out += app.readAllStandardOutput();
        // The diagnostics are exactly the specified lines: nothing else on standard output.
        QCOMPARE(out, expectedLine);
        QVERIFY(!app.readAllStandardError().contains(token.toUtf8()));
    }

    // A development address that would carry the session over plain http to another machine
    // stops the app at once, saying why.
    void aPlainHttpAddressOffThisMachineIsRefused() {
        QProcess app;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ARU_SYNC_BASE_URL", "http://sync.example.test");
        app.setProcessEnvironment(env);
        app.start(ARU_SYNC_APP_PATH, QStringList());
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitCode(), 2);
        QVERIFY(app.readAllStandardError().contains(
            "ARU_SYNC_BASE_URL: http://sync.example.test uses plain http"));
        QCOMPARE(app.readAllStandardOutput(), QByteArray());
    }

    // Signing in through the real window: typed e-mail and password, Return, then the signed-in
    // screen with the catalogue; "Déconnexion" brings the sign-in screen back in the same window.
    void signInThroughTheLoginScreen() {
        QTemporaryDir dir;
        SettingsStore settings(dir.filePath("settings.ini"));
        AppState state(settings, QtMediaBackend::factory());
        QQmlApplicationEngine engine;
        engine.addImportPath("qrc:/qt/qml");
        engine.load(QUrl("qrc:/qt/qml/Aru/AppWindow.qml"));
        QCOMPARE(engine.rootObjects().size(), 1);
        auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().first());
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->title(), "ARU Sync");
        QVERIFY(window->minimumWidth() == 720 && window->minimumHeight() >= 700);

        // Screens hang off the root view's Loader by their visual parent: walk the item tree.
        std::function<QQuickItem*(QQuickItem*, const QString&)> findIn =
            [&](QQuickItem* item, const QString& name) -> QQuickItem* {
            if (item->objectName() == name)
                return item;
            for (QQuickItem* child : item->childItems())
                if (QQuickItem* found = findIn(child, name))
                    return found;
            return nullptr;
        };
        auto find = [&](const char* name) {
            return findIn(window->contentItem(), QString::fromLatin1(name));
        };
        auto clickOn = [&](QQuickItem* target) {
            const QPointF centre =
                target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
            QTest::mouseClick(window, Qt::LeftButton, {}, centre.toPoint());
        };
        QVERIFY(find("loginView"));
        clickOn(find("emailField"));
        QTRY_VERIFY(find("emailField")->hasActiveFocus());
        typeText(window, demoEmail);
        clickOn(find("passwordField"));
        QTRY_VERIFY(find("passwordField")->hasActiveFocus());
        typeText(window, demoPassword);
        QTest::keyClick(window, Qt::Key_Return);

        QTRY_VERIFY_WITH_TIMEOUT(state.session()->isLoggedIn(), 10000);
        QCOMPARE(state.session()->userEmail(), demoEmail);
        QVERIFY(!state.session()->userToken().isEmpty());
        QTRY_VERIFY(find("catalogView"));
        QTRY_VERIFY(!find("loginView"));
        QTRY_COMPARE_WITH_TIMEOUT(state.catalog()->trackCount(), catalogueSize, 15000);

        QObject* logout = window->findChild<QObject*>("logoutAction");
        QVERIFY(logout);
        QMetaObject::invokeMethod(logout, "trigger");
        QVERIFY(!state.session()->isLoggedIn());
        QTRY_VERIFY(find("loginView"));
        QTRY_VERIFY(!find("catalogView"));
        QVERIFY(window->isVisible());

        // Ctrl+Q quits, as in every desktop app (the engine would end this test's event loop).
        QObject::disconnect(&engine, &QQmlEngine::quit, qApp, nullptr);
        QSignalSpy quit(&engine, &QQmlEngine::quit);
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(quit.size(), 1);
    }
};

ARU_TEST_MAIN(AppEndToEndTest)
#include "tst_app_end_to_end.moc"
