// Each injected fault, through the control endpoint and the command line, and the server's
// own robustness: malformed requests and a clean stop under load.

#include "CatalogServerProcess.h"
#include "HttpProbe.h"
#include "RawHttp.h"
#include "TestHome.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest/QtTest>

using namespace aru::test;

namespace {

const QString kCatalog = QStringLiteral("/api/sync/catalog");
const QString kFaults = QStringLiteral("/__faults");

QJsonObject fault(const QString& path, const QJsonObject& effects) {
    QJsonObject object = effects;
    object.insert(QStringLiteral("path"), path);
    return object;
}

} // namespace

class CatalogServerFaultTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(m_server.isRunning(), qPrintable(m_server.errorString()));
        m_probe = std::make_unique<HttpProbe>(m_server.baseUrl());
        m_catalogSize = m_probe->get(kCatalog).body.size();
        QVERIFY(m_catalogSize > 1000);
    }

    void cleanup() { QCOMPARE(m_probe->remove(kFaults).status, 200); }

    void statusAndBodyForAGivenNumberOfTimes() {
        add(fault(kCatalog,
                  {{QStringLiteral("status"), 503},
                   {QStringLiteral("body"), QStringLiteral("{\"error\":\"Maintenance\"}")},
                   {QStringLiteral("times"), 2}}));
        for (int i = 0; i < 2; ++i) {
            const ProbeReply reply = m_probe->get(kCatalog);
            QCOMPARE(reply.status, 503);
            QCOMPARE(reply.json().value(QStringLiteral("error")).toString(),
                     QStringLiteral("Maintenance"));
            QCOMPARE(reply.header("Content-Type"), QByteArray("application/json"));
        }
        QCOMPARE(m_probe->get(kCatalog).status, 200);

        add(fault(QStringLiteral("/api/sync/auth"), {{QStringLiteral("status"), 400}}));
        const ProbeReply empty = m_probe->post(QStringLiteral("/api/sync/auth"), "{}");
        QCOMPARE(empty.status, 400);
        QVERIFY(empty.body.isEmpty());
    }

    void delay() {
        add(fault(kCatalog, {{QStringLiteral("delayMs"), 400}}));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(m_probe->get(kCatalog).status, 200);
        QVERIFY(timer.elapsed() >= 400);
    }

    void truncatedBodyThenClose() {
        add(fault(kCatalog, {{QStringLiteral("truncateAfter"), 100}}));
        const RawResponse response =
            RawHttp::exchange(m_server.port(), RawHttp::get(kCatalog.toUtf8()));
        QCOMPARE(response.status, 200);
        QCOMPARE(response.header("Content-Length").toLongLong(), m_catalogSize);
        QCOMPARE(response.body.size(), 100);
        QVERIFY(response.closed);
    }

    void truncatedBodyThenReset() {
        add(fault(kCatalog,
                  {{QStringLiteral("truncateAfter"), 100}, {QStringLiteral("reset"), true}}));
        const RawResponse response =
            RawHttp::exchange(m_server.port(), RawHttp::get(kCatalog.toUtf8()));
        QVERIFY(response.reset);
        QVERIFY(response.body.size() <= 100);
    }

    void truncatedDownload() {
        const QString token = m_probe->signIn(QStringLiteral("demo@aru.test"));
        add(fault(QStringLiteral("/api/download/*"), {{QStringLiteral("truncateAfter"), 5000}}));
        const QByteArray path =
            "/api/download/1001.wav?email=demo%40aru.test&token=" + token.toUtf8();
        const RawResponse response = RawHttp::exchange(m_server.port(), RawHttp::get(path));
        QCOMPARE(response.status, 200);
        QVERIFY(response.header("Content-Length").toLongLong() > 5000);
        QCOMPARE(response.body.size(), 5000);
    }

    void missingContentLength() {
        add(fault(kCatalog, {{QStringLiteral("omitContentLength"), true}}));
        // Keep-alive requested: the server must still end the body by closing.
        const RawResponse response = RawHttp::exchange(
            m_server.port(), "GET /api/sync/catalog HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QCOMPARE(response.status, 200);
        QVERIFY(response.header("Content-Length").isEmpty());
        QVERIFY(response.header("Transfer-Encoding").isEmpty());
        QVERIFY(response.closed);
        QCOMPARE(response.body.size(), m_catalogSize);
    }

    void bodyThatIsNotJson() {
        add(fault(kCatalog, {{QStringLiteral("notJson"), true}}));
        const ProbeReply reply = m_probe->get(kCatalog);
        QCOMPARE(reply.status, 200);
        QVERIFY(QJsonDocument::fromJson(reply.body).isNull());
        QVERIFY(!reply.body.isEmpty());
    }

    void redirectToAnotherOrigin() {
        add(fault(QStringLiteral("/api/sync/favorites"),
                  {{QStringLiteral("redirectTo"), QStringLiteral("http://127.0.0.2:9/steal")}}));
        const ProbeReply reply = m_probe->get(QStringLiteral("/api/sync/favorites"));
        QCOMPARE(reply.status, 302);
        QCOMPARE(reply.header("Location"), QByteArray("http://127.0.0.2:9/steal"));
    }

    void matchingByMethodAndPathPrefix() {
        add(fault(
            QStringLiteral("/api/sync/*"),
            {{QStringLiteral("method"), QStringLiteral("post")}, {QStringLiteral("status"), 500}}));
        QCOMPARE(m_probe->get(kCatalog).status, 200);
        QCOMPARE(m_probe->post(QStringLiteral("/api/sync/auth"), "{}").status, 500);
        QCOMPARE(m_probe->post(QStringLiteral("/api/search/interpret"), "{}").status, 400);
    }

    void controlEndpointListsAndRefusesFaults() {
        add(fault(kCatalog, {{QStringLiteral("delayMs"), 1}}));
        const QJsonArray listed =
            m_probe->get(kFaults).json().value(QStringLiteral("faults")).toArray();
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed.first().toObject().value(QStringLiteral("path")).toString(), kCatalog);
        const QList<QByteArray> refused{
            "not json",
            R"({"status":500})",
            R"({"path":"api/no-slash"})",
            R"({"path":"/x","status":99})",
            R"({"path":"/x","delayMs":"soon"})",
            R"({"path":"/x","redirectTo":"ftp://elsewhere/"})",
            R"({"path":"/x","surprise":true})",
        };
        for (const QByteArray& body : refused)
            QVERIFY2(m_probe->post(kFaults, body).status == 400, body.constData());
        QCOMPARE(m_probe->get(kFaults).json().value(QStringLiteral("faults")).toArray().size(), 1);
    }

    void faultFromTheCommandLine() {
        CatalogServerProcess server(
            {QStringLiteral("--fault"),
             QStringLiteral(R"({"path":"/api/sync/catalog","status":502,"times":1})")});
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        HttpProbe probe(server.baseUrl());
        QCOMPARE(probe.get(kCatalog).status, 502);
        QCOMPARE(probe.get(kCatalog).status, 200);
        CatalogServerProcess badFault({QStringLiteral("--fault"), QStringLiteral("{\"path\":1}")});
        QVERIFY(!badFault.isRunning());
    }

    void malformedRequestsAreRefused() {
        const QList<QByteArray> requests{
            "NONSENSE\r\n\r\n",
            "GET /api/sync/catalog HTTP/1.1\r\nHost: x\r\nRange: bytes=zz\r\nConnection: "
            "close\r\n\r\n",
            "POST /api/sync/auth HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n"
            "Connection: close\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
        };
        for (const QByteArray& request : requests) {
            const RawResponse response = RawHttp::exchange(m_server.port(), request, 5000);
            QVERIFY2(response.status == 0 || (response.status >= 400 && response.status < 500),
                     response.head.constData());
        }
        QCOMPARE(m_probe->get(kCatalog).status, 200);
    }

    void stopsPromptlyOnSigtermDuringALongDelay() {
        CatalogServerProcess server(
            {QStringLiteral("--fault"),
             QStringLiteral(R"({"path":"/api/sync/catalog","delayMs":60000})")});
        QVERIFY(server.isRunning());
        HttpProbe probe(server.baseUrl());
        QNetworkReply* pending = probe.startGet(kCatalog);
        QTest::qWait(200);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(server.stop());
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(HttpProbe::await(pending).status != 200);
    }

private:
    void add(const QJsonObject& rule) {
        const ProbeReply reply = m_probe->postJson(kFaults, rule);
        QVERIFY2(reply.status == 200, reply.body.constData());
    }

    CatalogServerProcess m_server;
    std::unique_ptr<HttpProbe> m_probe;
    qint64 m_catalogSize = 0;
};

ARU_TEST_MAIN(CatalogServerFaultTest)
#include "tst_catalog_server_faults.moc"
