#include "APIClient.h"
#include "CatalogServerProcess.h"
#include "Credentials.h"
#include "Downloads.h"
#include "Log.h"
#include "NetworkSession.h"
#include "Preferences.h"
#include "ScriptedHttpServer.h"
#include "SettingsStore.h"
#include "TestHome.h"

#include <QCoroTask>
#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <thread>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;

class TrackDownloadsTest : public QObject {
    Q_OBJECT

    NetworkSession m_network;
    std::unique_ptr<test::CatalogServerProcess> m_catalogServer;
    QList<Track> m_tracks;
    Credentials m_credentials;
    std::unique_ptr<test::ScriptedHttpServer> m_scripted;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<Downloads> m_downloads;

    // A fresh object over the same settings, as at the next start.
    void restart() {
        m_downloads.reset();
        m_downloads = std::make_unique<Downloads>(*m_store, m_credentials, *m_preferences);
    }

    QString folder() const { return m_dir->filePath("Downloads/ARU Records"); }
    // A track whose WAV the scripted server answers. Its title would forge a log line, and its
    // NUL would cut a file name short.
    Track scriptedTrack(TrackId id = 7) const {
        Track track;
        track.id = id;
        track.title = QString("Scripted\n[Catalog] Loaded 999 tracks") + QChar(0);
        track.artist = "Tester";
        track.downloadFile = m_scripted->url(QString("/api/audio/%1.wav").arg(id)).toString();
        return track;
    }
    static QStringList leftoverTemporaryFiles() {
        return QDir::temp().entryList({"aru-*.download"}, QDir::Files);
    }

private slots:
    void initTestCase() {
        m_catalogServer =
            std::make_unique<test::CatalogServerProcess>(QStringList{"--tracks", "4"});
        QVERIFY2(m_catalogServer->isRunning(), qPrintable(m_catalogServer->errorString()));
        qputenv("ARU_SYNC_BASE_URL", m_catalogServer->baseUrl().toString().toUtf8());
        const auto login = QCoro::waitFor(APIClient::login("sync+jane@aru.test", "aru-demo"));
        QVERIFY(login && login->token);
        m_credentials = {"sync+jane@aru.test", *login->token};
        const auto catalog = QCoro::waitFor(APIClient::fetchCatalog());
        QVERIFY(catalog && catalog->tracks.size() == 4);
        m_tracks = catalog->tracks;
    }

    void init() {
        m_scripted = std::make_unique<test::ScriptedHttpServer>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<SettingsStore>(m_dir->filePath("settings.ini"));
        m_preferences = std::make_unique<Preferences>(*m_store);
        m_preferences->setDownloadFolder(QUrl::fromLocalFile(folder()));
        restart();
        m_downloads->setErrorLifetime(std::chrono::milliseconds(300));
    }

    void aDownloadLandsInTheFolderWithProgressAndHistory() {
        // Its address carries a query of its own, and the e-mail needs encoding.
        const Track track = m_tracks.at(3);
        QVERIFY(track.downloadFile && track.downloadFile->contains("?v=2"));
        QList<double> published;
        QObject scope;
        connect(m_downloads.get(), &Downloads::downloadProgressChanged, &scope, [&] {
            if (m_downloads->downloadProgress().contains(track.id))
                published << m_downloads->downloadProgress().value(track.id);
        });
        QSignalSpy activeChanges(m_downloads.get(), &Downloads::activeDownloadsChanged);

        const auto saved = QCoro::waitFor(m_downloads->downloadTrack(track));
        const QString path = QDir(folder()).filePath(track.suggestedFilename());
        QCOMPARE(saved, std::optional<QUrl>(QUrl::fromLocalFile(path)));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(4), QByteArray("RIFF"));
        // How fractions are rounded and thinned: progressIsPublishedInWholeHundredths.
        QVERIFY(!published.isEmpty());
        QCOMPARE(activeChanges.size(), 2);
        QVERIFY(m_downloads->activeDownloads().isEmpty() &&
                m_downloads->downloadProgress().isEmpty());
        QCOMPARE(m_downloads->completedDownloads(), QSet<TrackId>{track.id});
        QCOMPARE(m_downloads->downloads().size(), 1);
        const DownloadEntry entry = m_downloads->downloads().first();
        QCOMPARE(entry.id, track.id);
        QCOMPARE(entry.title, track.title);
        QVERIFY(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$)")
                    .match(entry.date)
                    .hasMatch());

        // The folder removed meanwhile is made again; the file and the entry are replaced.
        QVERIFY(QDir(m_dir->filePath("Downloads")).removeRecursively());
        m_downloads->recordDownload(m_tracks.at(0));
        QVERIFY(QCoro::waitFor(m_downloads->downloadTrack(track)));
        QVERIFY(QFile::exists(path));
        QCOMPARE(m_downloads->downloads().size(), 2);
        QCOMPARE(m_downloads->downloads().first().id, track.id);
        QVERIFY(leftoverTemporaryFiles().isEmpty());
    }

    // A second press while one runs starts nothing; the owner may go while a download runs.
    void aSecondPressStartsNothingAndTheOwnerMayGo() {
        Response slow = Response::generated(200'000);
        slow.delayMs = 300;
        m_scripted->on("GET", "/api/download/7.wav", slow);
        auto first = m_downloads->downloadTrack(scriptedTrack());
        auto second = m_downloads->downloadTrack(scriptedTrack());
        QVERIFY(second.isReady());
        QCOMPARE(QCoro::waitFor(std::move(second)), std::nullopt);
        QVERIFY(m_scripted->waitForRequests(1));
        m_downloads.reset();
        QVERIFY(QCoro::waitFor(std::move(first)));
        QCOMPARE(m_scripted->requests().size(), 1);
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"Scripted[Catalog] Loaded 999 tracks - Tester.wav"});
    }

    // Temporary files of a run killed mid-transfer go at the next start, and only those: ours by
    // name, older than a day.
    void leftoversOfAKilledRunAreSweptAtStart_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("ageHours");
        QTest::addColumn<bool>("swept");
        const QString uuid = "0F8FAD5B-D9CB-469F-A165-70867728950E";
        QTest::newRow("ours, two days old") << ".aru-" + uuid + ".download" << 48 << true;
        QTest::newRow("ours, an hour old") << ".aru-" + uuid + ".download" << 1 << false;
        QTest::newRow("an earlier version's") << "aru-" + uuid + ".download" << 48 << true;
        QTest::newRow("not our naming") << ".aru-notes.download" << 48 << false;
        QTest::newRow("a WAV") << "aru-" + uuid + ".wav" << 48 << false;
    }
    void leftoversOfAKilledRunAreSweptAtStart() {
        QFETCH(QString, name);
        QFETCH(int, ageHours);
        QFETCH(bool, swept);
        QVERIFY(QDir().mkpath(folder()));
        QFile file(QDir(folder()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-ageHours * 3600),
                                 QFileDevice::FileModificationTime));
        file.close();
        restart();
        QCOMPARE(file.exists(), !swept);
    }

    void aFailureShowsItsMessageAndLeavesNothing_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message"); // empty: the transport's own words
        QTest::newRow("server error") << QString("404") << "HTTP 404: Erreur serveur";
        QTest::newRow("no download file") << QString("no file") << "URL invalide";
        QTest::newRow("connection dropped") << QString("cut") << "";
        QTest::newRow("folder is a file") << QString("folder") << "Could not save the file: ";
    }
    void aFailureShowsItsMessageAndLeavesNothing() {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        Track track = scriptedTrack();
        Response answer = Response::generated(100'000);
        if (failure == "404")
            answer = Response::text("<html>gone</html>", 404);
        if (failure == "cut")
            answer.cutAfter = 40'000;
        m_scripted->on("GET", "/api/download/7.wav", answer);
        if (failure == "no file")
            track.downloadFile.reset();
        if (failure == "folder") {
            QFile blocker(m_dir->filePath("blocker"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            m_preferences->setDownloadFolder(QUrl::fromLocalFile(blocker.fileName() + "/inside"));
        }
        const QString destination =
            QDir(m_preferences->downloadFolder().toLocalFile()).filePath(track.suggestedFilename());
        if (failure != "folder") { // an earlier download of the track survives the failure
            QVERIFY(QDir().mkpath(folder()));
            QFile earlier(destination);
            QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
        }
        m_downloads->recordDownload(m_tracks.at(0));
        const auto history = m_downloads->downloads();

        Log::Capture log;
        QCOMPARE(QCoro::waitFor(m_downloads->downloadTrack(track)), std::nullopt);
        const QString shown = m_downloads->downloadErrors().value(track.id);
        QVERIFY2(!shown.isEmpty() && shown.startsWith(message), qPrintable(shown));
        QVERIFY(!shown.contains(m_credentials.token));
        QCOMPARE(log.lines(), QStringList{"[Download] track 7 'Scripted\\n[Catalog] Loaded 999 "
                                          "tracks\\u0000' failed: " +
                                          shown});
        QCOMPARE(m_downloads->downloads(), history);
        QVERIFY(m_downloads->activeDownloads().isEmpty() &&
                m_downloads->downloadProgress().isEmpty());
        QVERIFY(m_downloads->completedDownloads().isEmpty());
        if (failure != "folder") {
            QFile earlier(destination);
            QVERIFY(earlier.open(QIODevice::ReadOnly));
            QCOMPARE(earlier.readAll(), QByteArray("earlier"));
        }
        QVERIFY(leftoverTemporaryFiles().isEmpty());
        // The message stays for its lifetime (300 ms here), then goes.
        QTest::qWait(200);
        QCOMPARE(m_downloads->downloadErrors().value(track.id), shown);
        QTRY_VERIFY_WITH_TIMEOUT(m_downloads->downloadErrors().isEmpty(), 1000);
    }

    void theHistoryKeepsOneEntryPerTrackAndAtMost200_data() {
        QTest::addColumn<int>("existing");
        QTest::addColumn<TrackId>("id");
        QTest::addColumn<int>("size");
        QTest::addColumn<TrackId>("last");
        QTest::newRow("new track") << 3 << TrackId(99) << 4 << TrackId(3);
        QTest::newRow("moves to the front") << 3 << TrackId(2) << 3 << TrackId(3);
        QTest::newRow("full: the oldest drops") << 200 << TrackId(999) << 200 << TrackId(199);
        QTest::newRow("full, already in it") << 200 << TrackId(200) << 200 << TrackId(199);
    }
    void theHistoryKeepsOneEntryPerTrackAndAtMost200() {
        QFETCH(int, existing);
        QFETCH(TrackId, id);
        QFETCH(int, size);
        QFETCH(TrackId, last);
        QList<DownloadEntry> history;
        for (int i = 1; i <= existing; ++i)
            history << DownloadEntry{i, "t", "a", "2020-01-01T00:00:00Z"};
        m_store->setBytes("aru.downloads", DownloadEntry::listToJson(history));
        restart();
        m_downloads->recordDownload(scriptedTrack(id));
        QCOMPARE(m_downloads->downloads().size(), qsizetype(size));
        QCOMPARE(m_downloads->downloads().first().id, id);
        QCOMPARE(m_downloads->downloads().last().id, last);
        QCOMPARE(m_downloads->downloads().count(m_downloads->downloads().first()), 1);
    }

    void progressIsPublishedInWholeHundredths_data() {
        QTest::addColumn<QList<double>>("reports"); // NaN stands for "size unknown"
        QTest::addColumn<QList<double>>("published");
        const double unknown = std::nan("");
        QTest::newRow("rounded down") << QList<double>{0.996} << QList<double>{0.99};
        QTest::newRow("same hundredth once") << QList<double>{0.501, 0.509} << QList<double>{0.5};
        QTest::newRow("exact hundredths") << QList<double>{0.29, 0.57} << QList<double>{0.29, 0.57};
        QTest::newRow("unknown size") << QList<double>{unknown, 0.3, unknown} << QList<double>{0.3};
        QTest::newRow("out of range") << QList<double>{-0.5, 1.5} << QList<double>{0.0, 1.0};
    }
    void progressIsPublishedInWholeHundredths() {
        QFETCH(QList<double>, reports);
        QFETCH(QList<double>, published);
        QList<double> seen;
        QObject scope;
        connect(m_downloads.get(), &Downloads::downloadProgressChanged, &scope,
                [&] { seen << m_downloads->downloadProgress().value(5); });
        // Reported from a transfer thread, applied on the main thread in order.
        const auto report = m_downloads->progressReporter(5);
        std::thread([&] {
            for (const double fraction : reports)
                report(std::isnan(fraction) ? std::nullopt : std::optional(fraction));
        }).join();
        QCOMPARE(seen, QList<double>{});
        QTRY_COMPARE(seen, published);
        QCOMPARE(m_downloads->downloadHelp(5),
                 QString("Downloading… %1 %").arg(int(std::round(published.last() * 100))));

        // Late reports of an ended round never bring the entry back.
        m_downloads->endProgress(5);
        report(0.8);
        QTest::qWait(20);
        QVERIFY(m_downloads->downloadProgress().isEmpty());
        QCOMPARE(m_downloads->downloadHelp(5), QString("Downloading…"));
        m_downloads->progressReporter(5)(0.8);
        QTRY_COMPARE(m_downloads->downloadProgress().value(5), 0.8);
    }
};

ARU_TEST_MAIN(TrackDownloadsTest)
#include "tst_track_downloads.moc"
