#include "APIClient.h"
#include "AppState.h"
#include "CatalogServerProcess.h"
#include "ImageSearchController.h"
#include "Log.h"
#include "NetworkSession.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"
#include "TestState.h"
#include "ViewHarness.h"

#include <QCoroTask>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;

namespace {

QString writePicture(const QTemporaryDir& dir, const QString& name, QColor colour, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    return image.save(path) ? path : QString();
}

} // namespace

// The search by image from the picture to the search text: the server's answers as the client
// reads them, and a drop on the button against the substitute server.
class ImageSearchTest : public QObject {
    Q_OBJECT

    NetworkSession m_network;
    QTemporaryDir m_dir;
    std::unique_ptr<test::TestState> m_state;

private slots:
    void init() {
        m_state = std::make_unique<test::TestState>();
        (*m_state)->catalog()->setTagLibrary(
            TagLibrary::fromJson(QJsonDocument::fromJson(R"({"instruments":["Strings"],
                "tempos":["Slow"],"themes":["Night"],"genres":["Ambient"],"moods":["Dark","Calm"]})")
                                     .object())
                .value());
    }
    void cleanup() {
        m_state.reset();
        qunsetenv("ARU_SYNC_BASE_URL");
    }

    void answersSetTheSearchTextAndTheTooltip_data() {
        QTest::addColumn<Response>("answer");
        QTest::addColumn<QString>("searchText");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("logged");
        QTest::newRow("tags")
            << Response::json(
                   R"({"description":"Rain at night","tags":["dark","tension","strings"],"x":1})")
            << "dark tension strings"
            << "Rain at night"
            << "";
        // What an earlier analysis left stays.
        QTest::newRow("empty tags")
            << Response::json(R"({"description":"Nothing","tags":[]})") << "earlier"
            << "Earlier"
            << "";
        QTest::newRow("error status with tags")
            << Response::json(R"({"tags":["calm"]})", 500) << "calm"
            << ImageSearchController::defaultToolTip() << "";
        QTest::newRow("error status without tags")
            << Response::json(R"({"error":"quota"})", 429) << "earlier"
            << "Earlier"
            << "";
        QTest::newRow("undecodable body")
            << Response::text("<html>busy</html>") << "earlier"
            << "Earlier"
            << "[ImageSearch] failed: The server's answer could not be read";
        QTest::newRow("tags of the wrong type")
            << Response::json(R"({"description":"x","tags":["dark",1]})") << "earlier"
            << "Earlier"
            << "[ImageSearch] failed: The server's answer could not be read";
        Response cut = Response::json(R"({"tags":["dark"]})");
        cut.cutAfter = 3;
        QTest::newRow("connection lost") << cut << "earlier"
                                         << "Earlier"
                                         << "[ImageSearch] failed: ";
    }
    void answersSetTheSearchTextAndTheTooltip() {
        QFETCH(Response, answer);
        QFETCH(QString, searchText);
        QFETCH(QString, toolTip);
        QFETCH(QString, logged);
        test::ScriptedHttpServer server;
        qputenv("ARU_SYNC_BASE_URL", server.baseUrl().toString().toUtf8());
        const QString picture = writePicture(m_dir, "photo.png", Qt::darkBlue, {1600, 1200});
        ImageSearchController controller;
        controller.setAppState(m_state->get());
        server.on("POST", "/api/search/image",
                  Response::json(R"({"description":"Earlier","tags":["earlier"]})"), 1);
        QCoro::waitFor(controller.analyzeImage(picture));
        QCOMPARE(controller.toolTip(), "Earlier");

        server.on("POST", "/api/search/image", answer);
        QSignalSpy loading(&controller, &ImageSearchController::isLoadingChanged);
        Log::Capture log;
        QCoro::waitFor(controller.analyzeImage(picture));
        QCOMPARE((*m_state)->search()->searchText(), searchText);
        QCOMPARE(controller.toolTip(), toolTip);
        QCOMPARE(loading.size(), 2);
        QVERIFY(!controller.isLoading());
        QCOMPARE(log.lines().size(), logged.isEmpty() ? 0 : 1);
        QVERIFY2(log.lines().value(0).left(logged.size()) == logged,
                 qPrintable(log.lines().value(0)));

        // The request: a JPEG of the picture shrunk to 800 wide, and the tags without tempos.
        const auto request = server.requests().last();
        QCOMPARE(request.header("content-type"), "application/json");
        QVERIFY(request.header("authorization").isEmpty());
        const QJsonObject body = QJsonDocument::fromJson(request.body).object();
        const QString image = body.value("image").toString();
        QVERIFY(image.startsWith("data:image/jpeg;base64,"));
        const QImage sent = QImage::fromData(QByteArray::fromBase64(image.mid(23).toLatin1()));
        QCOMPARE(sent.size(), QSize(800, 600));
        QCOMPARE(body.value("availableTags").toArray(),
                 QJsonArray({"Dark", "Calm", "Ambient", "Night", "Strings"}));
    }

    // Two files dropped together: only the first is analysed, by the real substitute server,
    // which describes a dark picture with dark tags and a bright one otherwise.
    void aDropOfTwoFilesAnalysesTheFirst() {
        // The answer comes after a while, so the spinner shows.
        test::CatalogServerProcess server(
            {"--tracks", "40", "--fault", R"({"path":"/api/search/image","delayMs":800})"});
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        qputenv("ARU_SYNC_BASE_URL", server.baseUrl().toString().toUtf8());
        const auto catalog = QCoro::waitFor(APIClient::fetchCatalog());
        QVERIFY(catalog.ok());
        (*m_state)->catalog()->replace(catalog.value());
        const QString dark = writePicture(m_dir, "night.png", QColor(10, 10, 30), {2000, 1500});
        const QString bright = writePicture(m_dir, "beach.png", QColor(250, 240, 200), {640, 480});

        test::ViewHarness view("ImageSearchButton.qml", {42, 36});
        QVERIFY(view.isReady() && view.waitExposed());
        auto* controller = view.root()->property("controller").value<ImageSearchController*>();
        QSignalSpy loading(controller, &ImageSearchController::isLoadingChanged);
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(dark), QUrl::fromLocalFile(bright)});
        const QPointF centre(21, 18);
        QDragEnterEvent enter(centre.toPoint(), Qt::CopyAction, &files, Qt::LeftButton, {});
        QCoreApplication::sendEvent(view.window(), &enter);
        QDropEvent drop(centre, Qt::CopyAction, &files, Qt::LeftButton, {});
        QCoreApplication::sendEvent(view.window(), &drop);
        QVERIFY(drop.isAccepted());

        QTRY_VERIFY(controller->isLoading());
        QVERIFY(view.item("imageSearchSpinner")->isVisible());
        QVERIFY(!view.item("imageSearchIcon")->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!controller->isLoading(), 15000);
        QVERIFY(view.item("imageSearchIcon")->isVisible());
        QCOMPARE(loading.size(), 2);
        const QString searchText = (*m_state)->search()->searchText();
        QVERIFY2(searchText.contains("Dark"), qPrintable(searchText));
        QVERIFY2(controller->toolTip().startsWith("A dark"), qPrintable(controller->toolTip()));
        QTest::qWait(300); // no second analysis follows
        QCOMPARE(loading.size(), 2);
    }
};

ARU_TEST_MAIN(ImageSearchTest)
#include "tst_image_search.moc"
