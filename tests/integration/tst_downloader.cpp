#include "APIClient.h"
#include "Cancellation.h"
#include "Downloader.h"
#include "NetworkSession.h"
#include "ResidentMemory.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <sys/stat.h>
#include <thread>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;

namespace {

QStringList temporaryDownloads(const QString& folder = QDir::homePath()) {
    return QDir(folder).entryList({"*aru-*.download"}, QDir::Files | QDir::Hidden);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Makes the test program the child the kill test starts: "<option> <url> <destination>".
const char* const childOption = "--download-child";

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class DownloaderTest : public QObject {
    Q_OBJECT

    NetworkSession m_network;
    std::unique_ptr<test::ScriptedHttpServer> m_server;

    Track trackAt(const QString& path) {
        Track track;
        track.id = 1;
        track.title = "Pluie";
        track.artist = "Zoé";
        track.downloadFile = path;
        return track;
    }

private slots:
    void init() { m_server = test::ScriptedHttpServer::asCatalogueServer(); }
    void cleanup() { QVERIFY(temporaryDownloads().isEmpty()); }

    // Progress starts unknown, then gives fractions within 0..1 up to 1, and stops at the return;
    // without a length it stays unknown.
    void progressAndContents_data() {
        QTest::addColumn<bool>("knownLength");
        QTest::newRow("known length") << true;
        QTest::newRow("unknown length") << false;
    }
    void progressAndContents() {
        QFETCH(bool, knownLength);
        Response body = Response::generated(3 * 1024 * 1024);
        body.chunkDelayMs = 5;
        body.omitContentLength = !knownLength;
        m_server->on("GET", "/file", body);
        QList<std::optional<double>> reports;
        const auto file =
            QCoro::waitFor(Downloader::download(m_server->url("/file"), QDir::homePath(),
                                                [&](std::optional<double> f) { reports << f; }));
        QVERIFY(file.ok());
        const QByteArray bytes = contents(file->path);
        QFile::remove(file->path);
        const qsizetype reportsAtReturn = reports.size();
        QVERIFY(!knownLength || reportsAtReturn > 2);
        QCOMPARE(reports.first(), std::nullopt);
        for (const auto& report : reports.mid(1))
            QVERIFY(knownLength ? report && *report >= 0.0 && *report <= 1.0 : !report);
        if (knownLength)
            QCOMPARE(*reports.last(), 1.0);
        QCOMPARE(file->status, std::optional<int>(200));
        QCOMPARE(QFileInfo(file->path).absolutePath(), QDir::homePath());
        QVERIFY(
            QFileInfo(file->path)
                .fileName()
                .contains(QRegularExpression("^\\.aru-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]"
                                             "{4}-[0-9A-F]{12}\\.download$")));
        QCOMPARE(bytes.size(), 3 * 1024 * 1024);
        QCOMPARE(bytes.at(1234567), Response::patternByte(1234567));
        QTest::qWait(50);
        QCOMPARE(reports.size(), reportsAtReturn);
    }

    void twoTransfersOfOneUrlGiveTwoFiles() {
        m_server->on("GET", "/file", Response::text("same"));
        auto first = Downloader::download(m_server->url("/file"), QDir::homePath());
        auto second = Downloader::download(m_server->url("/file"), QDir::homePath());
        const auto a = QCoro::waitFor(first);
        const auto b = QCoro::waitFor(second);
        QVERIFY(a.ok() && b.ok());
        QVERIFY(a->path != b->path);
        QCOMPARE(contents(a->path), QByteArray("same"));
        QCOMPARE(contents(b->path), QByteArray("same"));
        QFile::remove(a->path);
        QFile::remove(b->path);
    }

    void cancellationAbortsAndLeavesNoFile() {
        Response slow = Response::generated(8 * 1024 * 1024);
        slow.chunkDelayMs = 20;
        m_server->on("GET", "/file", slow);
        Cancellation cancellation;
        QTimer::singleShot(200, &cancellation, &Cancellation::cancel); // mid-transfer
        const auto result = QCoro::waitFor(
            Downloader::download(m_server->url("/file"), QDir::homePath(), {}, &cancellation));
        QVERIFY(!result.ok());
        QVERIFY(result.error().isCancellation());
    }

    void bodiesCutShortFail_data() {
        QTest::addColumn<bool>("reuseConnection");
        QTest::addColumn<bool>("reset");
        QTest::newRow("fresh connection, close") << false << false;
        QTest::newRow("fresh connection, reset") << false << true;
        QTest::newRow("reused keep-alive connection, close") << true << false;
        QTest::newRow("reused keep-alive connection, reset") << true << true;
    }
    void bodiesCutShortFail() {
        QFETCH(bool, reuseConnection);
        QFETCH(bool, reset);
        if (reuseConnection) {
            m_server->on("GET", "/warmup", Response::text("ok"), 1);
            const auto warm =
                QCoro::waitFor(Downloader::download(m_server->url("/warmup"), QDir::homePath()));
            QVERIFY(warm.ok());
            QFile::remove(warm->path);
        }
        Response cut = Response::generated(256 * 1024);
        cut.cutAfter = 100 * 1024;
        cut.reset = reset;
        m_server->on("GET", "/file", cut);
        const auto result =
            QCoro::waitFor(Downloader::download(m_server->url("/file"), QDir::homePath()));
        QVERIFY(!result.ok());
        QCOMPARE(result.error().kind(), RequestError::Kind::Transport);
        if (reuseConnection)
            QCOMPARE(m_server->requests().constLast().connectionIndex,
                     m_server->requests().constFirst().connectionIndex);
    }

    // Watched mid-transfer, the destination still holds the previous file whole, and the new one
    // grows beside it (same file system, so the final rename never turns into a copy).
    // A server that never falls silent but sends next to nothing is given up on like one that
    // went silent; a healthy transfer under the same floor, over several windows, is not.
    void transfersSlowerThanTheFloorFail() {
        const auto fetch = [&](qint64 size, qint64 chunkBytes, int chunkDelayMs) {
            Response body = Response::generated(size);
            body.chunkBytes = chunkBytes;
            body.chunkDelayMs = chunkDelayMs;
            m_server->on("GET", "/file", body);
            const ThroughputFloor floor{4096, std::chrono::milliseconds(100)};
            return QCoro::waitFor(
                Downloader::download(m_server->url("/file"), QDir::homePath(), {}, {}, floor));
        };
        const auto trickle = fetch(64 * 1024, 8, 20);
        QVERIFY(!trickle.ok());
        QCOMPARE(trickle.error().networkError(), QNetworkReply::TimeoutError);
        const auto steady = fetch(3 * 1024 * 1024, 64 * 1024, 5);
        QVERIFY(steady.ok());
        QFile::remove(steady->path);
    }

    // The final step is a rename on the destination's own file system: killed at any moment, the
    // destination holds the previous file or the new one, whole. The temporary folder is a tmpfs
    // of its own here, from which moving a file into place would turn into a long copy.
    void aKillDuringTheFinalStepLeavesAWholeFile() {
        const QString tmpfs = QDir::home().filePath("tmpfs");
        QProcess mount;
        mount.start("mount", {"-t", "tmpfs", "-o", "size=160m", "tmpfs", tmpfs});
        if (!QDir().mkpath(tmpfs) || !mount.waitForFinished() || mount.exitCode() != 0)
            QSKIP("mounting a tmpfs is not permitted here");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {tmpfs}); });
        constexpr qint64 size = 128 * 1024 * 1024;
        m_server->on("GET", "/big.wav", Response::generated(size));
        const QString destination = QDir::home().filePath("big.wav");
        QVERIFY(writeFile(destination, QByteArray(4096, 'p')));
        const QByteArray path = QFile::encodeName(destination);
        struct stat before {};
        QVERIFY(::stat(path.constData(), &before) == 0);

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", tmpfs);
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {childOption, m_server->url("/big.wav").toString(), destination});
        QVERIFY(child.waitForStarted());
        // Killed the moment the destination changes in any way; the server runs on this thread.
        std::atomic<bool> stop = false;
        std::thread watcher([&, pid = pid_t(child.processId())] {
            struct stat now {};
            while (!stop && ::stat(path.constData(), &now) == 0 && now.st_ino == before.st_ino &&
                   now.st_size == before.st_size)
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            ::kill(pid, SIGKILL);
        });
        QSignalSpy finished(&child, &QProcess::finished);
        const bool ended = finished.wait(120'000);
        stop = true;
        watcher.join();
        QVERIFY(ended);
        const QFileInfo result(destination);
        QVERIFY2(result.exists() && (result.size() == 4096 || result.size() == size),
                 qPrintable(QString("%1 bytes").arg(result.exists() ? result.size() : -1)));
    }

    void downloadWavReplacesTheDestinationInOneStep() {
        Response body = Response::generated(200 * 1024);
        body.chunkBytes = 16 * 1024;
        body.chunkDelayMs = 40; // Qt reports progress at most every 100 ms
        m_server->on("GET", "/api/download/1.wav", body);
        const QString folder = QDir::home().filePath("Downloads");
        QVERIFY(QDir().mkpath(folder));
        const QString destination = QDir(folder).filePath("Pluie - Zoé.wav");
        QVERIFY(writeFile(destination, "previous version"));
        int midTransfer = 0;
        const auto saved = QCoro::waitFor(APIClient::downloadWAV(
            trackAt("/api/audio/1.wav"), "jane+sync@example.com", "t&k", destination,
            [&](std::optional<double> fraction) {
                if (!fraction || *fraction >= 1.0)
                    return;
                ++midTransfer;
                QCOMPARE(contents(destination), QByteArray("previous version"));
                QCOMPARE(temporaryDownloads(folder).size(), 1);
            }));
        QVERIFY2(saved.ok(), qPrintable(saved.error().description()));
        QCOMPARE(saved.value(), destination);
        QCOMPARE(QFileInfo(destination).size(), 200 * 1024);
        QVERIFY(midTransfer >= 2);
        QVERIFY(temporaryDownloads(folder).isEmpty());
        const auto query = m_server->requests().constLast().query();
        QCOMPARE(query.queryItemValue("email", QUrl::FullyDecoded), "jane+sync@example.com");
        QCOMPARE(query.queryItemValue("token", QUrl::FullyDecoded), "t&k");
    }

    void largeDownloadsStreamToDisk() {
        constexpr qint64 size = 200 * 1024 * 1024;
        m_server->on("GET", "/api/download/big.wav", Response::generated(size));
        const QString destination = QDir::home().filePath("big.wav");
        const qint64 before = test::ResidentMemory::currentBytes();
        qint64 peak = before;
        const auto saved = QCoro::waitFor(APIClient::downloadWAV(
            trackAt("/api/audio/big.wav"), "e", "t", destination, [&](std::optional<double>) {
                peak = std::max(peak, test::ResidentMemory::currentBytes());
            }));
        QVERIFY(saved.ok());
        QCOMPARE(QFileInfo(destination).size(), size);
        // The client and the scripted server share this process; together they stay far below
        // the file's size.
#ifndef __SANITIZE_ADDRESS__ // the sanitizer holds freed memory back on purpose
        QVERIFY2(peak - before < 32 * 1024 * 1024,
                 qPrintable(QString::number((peak - before) / 1024) + " KiB"));
#endif
        QFile::remove(destination);
    }
};

// The child of aKillDuringTheFinalStepLeavesAWholeFile runs one download and exits.
int main(int argc, char** argv) {
    if (argc == 4 && argv[1] == QByteArray(childOption)) {
        QCoreApplication app(argc, argv);
        NetworkSession network;
        const QString destination = QString::fromLocal8Bit(argv[3]);
        return QCoro::waitFor(APIClient::downloadFile(QUrl(argv[2]), destination)) ? 0 : 1;
    }
    aru::test::TestHome home("DownloaderTest");
    QGuiApplication app(argc, argv);
    DownloaderTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_downloader.moc"
