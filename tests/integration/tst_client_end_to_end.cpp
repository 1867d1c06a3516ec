#include "APIClient.h"
#include "AppState.h"
#include "CatalogServerProcess.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace aru;

// The client against the substitute catalogue server over real sockets: what a user does in
// the first minute of a session.
class ClientEndToEndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::CatalogServerProcess> m_server;

private slots:
    void initTestCase() {
        m_server = std::make_unique<test::CatalogServerProcess>(QStringList{"--tracks", "24"});
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        qputenv("ARU_SYNC_BASE_URL", m_server->baseUrl().toString().toUtf8());
    }

    void signInLoadFavoriteAndDownload() {
        const auto login = QCoro::waitFor(APIClient::login("sync+jane@aru.test", "aru-demo"));
        QVERIFY2(login.ok(), qPrintable(login.error().description()));
        QVERIFY(login->token && login->user);
        const QString token = *login->token;

        const auto catalog = QCoro::waitFor(APIClient::fetchCatalog());
        QVERIFY2(catalog.ok(), qPrintable(catalog.error().description()));
        QCOMPARE(catalog->tracks.size(), 24);
        QVERIFY(catalog->tagLibrary);

        QTemporaryDir dir;
        SettingsStore store(dir.filePath("settings.ini"));
        AppState state(store);
        state.setUserEmail(login->user->email);
        state.setUserToken(token);
        state.setLoggedIn(true);
        state.setTracks(catalog->tracks);
        const TrackId first = catalog->tracks.at(0).id;
        const TrackId second = catalog->tracks.at(1).id;
        state.setFavorites({first, second});                // kept from an earlier session
        QCoro::waitFor(state.refreshFavoritesFromServer()); // the account has none: uploaded
        QCOMPARE(state.favorites(), (QList<TrackId>{first, second}));
        state.toggleFavorite(first);
        QTRY_COMPARE(QCoro::waitFor(APIClient::fetchFavorites(token)),
                     std::optional<QList<TrackId>>(QList<TrackId>{second}));

        // A track whose download address carries a query of its own, and its e-mail needs encoding.
        const Track track = catalog->tracks.at(3);
        QVERIFY(track.downloadFile && track.downloadFile->contains("?v=2"));
        const QString destination = dir.filePath(track.suggestedFilename());
        QList<std::optional<double>> progress;
        const auto saved =
            QCoro::waitFor(APIClient::downloadWAV(track, state.userEmail(), token, destination,
                                                  [&](std::optional<double> f) { progress << f; }));
        QVERIFY2(saved.ok(), qPrintable(saved.error().description()));
        QFile wav(destination);
        QVERIFY(wav.open(QIODevice::ReadOnly));
        QCOMPARE(wav.read(4), QByteArray("RIFF"));
        QVERIFY(progress.size() >= 2);
        QCOMPARE(progress.constLast(), std::optional<double>(1.0));

        const auto refused =
            QCoro::waitFor(APIClient::downloadWAV(track, state.userEmail(), "wrong", destination));
        QCOMPARE(refused.error().description(), QStringLiteral("HTTP 403: Erreur serveur"));
        QVERIFY(QFileInfo::exists(destination)); // a refusal never touches the saved file
    }
};

ARU_TEST_MAIN(ClientEndToEndTest)
#include "tst_client_end_to_end.moc"
