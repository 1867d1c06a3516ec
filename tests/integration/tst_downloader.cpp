#include "APIClient.h"
#include "Cancellation.h"
#include "Downloader.h"
#include "NetworkSession.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;

namespace {

QStringList temporaryDownloads() {
    return QDir::temp().entryList({QStringLiteral("aru-*.download")}, QDir::Files);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 residentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const auto match = QRegularExpression(QStringLiteral("VmRSS:\\s+(\\d+) kB"))
                           .match(QString::fromLatin1(status.readAll()));
    return match.captured(1).toLongLong() * 1024;
}

} // namespace

class DownloaderTest : public QObject {
    Q_OBJECT

    NetworkSession m_network;
    std::unique_ptr<test::ScriptedHttpServer> m_server;

    Track trackAt(const QString& path) {
        Track track;
        track.id = 1;
        track.title = QStringLiteral("Pluie");
        track.artist = QStringLiteral("Zoé");
        track.downloadFile = path;
        return track;
    }

private slots:
    void init() {
        m_server = std::make_unique<test::ScriptedHttpServer>();
        qputenv("ARU_SYNC_BASE_URL", m_server->baseUrl().toString().toUtf8());
    }
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
        const auto file = QCoro::waitFor(Downloader::download(
            m_server->url("/file"), [&](std::optional<double> f) { reports << f; }));
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
        QVERIFY(QFileInfo(file->path)
                    .fileName()
                    .contains(QRegularExpression("^aru-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]"
                                                 "{4}-[0-9A-F]{12}\\.download$")));
        QCOMPARE(bytes.size(), 3 * 1024 * 1024);
        QCOMPARE(bytes.at(1234567), Response::patternByte(1234567));
        QTest::qWait(50);
        QCOMPARE(reports.size(), reportsAtReturn);
    }

    void twoTransfersOfOneUrlGiveTwoFiles() {
        m_server->on("GET", "/file", Response::text("same"));
        auto first = Downloader::download(m_server->url("/file"));
        auto second = Downloader::download(m_server->url("/file"));
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
        QList<std::optional<double>> reports;
        auto task = Downloader::download(
            m_server->url("/file"),
            [&](std::optional<double> f) {
                reports << f;
                if (reports.size() == 5)
                    cancellation.cancel();
            },
            &cancellation);
        const auto result = QCoro::waitFor(task);
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
            const auto warm = QCoro::waitFor(Downloader::download(m_server->url("/warmup")));
            QVERIFY(warm.ok());
            QFile::remove(warm->path);
        }
        Response cut = Response::generated(256 * 1024);
        cut.cutAfter = 100 * 1024;
        cut.reset = reset;
        m_server->on("GET", "/file", cut);
        const auto result = QCoro::waitFor(Downloader::download(m_server->url("/file")));
        QVERIFY(!result.ok());
        QCOMPARE(result.error().kind(), RequestError::Kind::Transport);
        if (reuseConnection)
            QCOMPARE(m_server->requests().constLast().connectionIndex,
                     m_server->requests().constFirst().connectionIndex);
    }

    void downloadWavReplacesTheDestination() {
        m_server->on("GET", "/api/download/1.wav", Response::generated(200 * 1024));
        const QString destination = QDir::home().filePath("Pluie - Zoé.wav");
        QFile old(destination);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous version");
        old.close();
        int progressCalls = 0;
        const auto saved = QCoro::waitFor(
            APIClient::downloadWAV(trackAt("/api/audio/1.wav"), "jane+sync@example.com", "t&k",
                                   destination, [&](std::optional<double>) { ++progressCalls; }));
        QVERIFY2(saved.ok(), qPrintable(saved.error().description()));
        QCOMPARE(saved.value(), destination);
        QCOMPARE(QFileInfo(destination).size(), 200 * 1024);
        QVERIFY(progressCalls >= 1);
        const auto query = m_server->requests().constLast().query();
        QCOMPARE(query.queryItemValue("email", QUrl::FullyDecoded),
                 QStringLiteral("jane+sync@example.com"));
        QCOMPARE(query.queryItemValue("token", QUrl::FullyDecoded), QStringLiteral("t&k"));
    }

    void largeDownloadsStreamToDisk() {
        constexpr qint64 size = 200 * 1024 * 1024;
        m_server->on("GET", "/api/download/big.wav", Response::generated(size));
        const QString destination = QDir::home().filePath("big.wav");
        const qint64 before = residentBytes();
        qint64 peak = before;
        const auto saved = QCoro::waitFor(APIClient::downloadWAV(
            trackAt("/api/audio/big.wav"), "e", "t", destination,
            [&](std::optional<double>) { peak = std::max(peak, residentBytes()); }));
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

ARU_TEST_MAIN(DownloaderTest)
#include "tst_downloader.moc"
