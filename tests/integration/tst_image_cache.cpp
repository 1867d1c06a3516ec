#include "CoverImageProvider.h"
#include "ImageCache.h"
#include "NetworkSession.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"

#include <QBuffer>
#include <QCoroTask>
#include <QDir>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QThread>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;

namespace {

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray picture(int width, int height, const char* format = "PNG") {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) // noise, so a JPEG is long enough to cut
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 13 % 256, (x * y) % 256));
    return encoded(image, format);
}

} // namespace

class ImageCacheTest : public QObject {
    Q_OBJECT

    NetworkSession m_network;
    std::unique_ptr<test::ScriptedHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ImageCache> m_cache;

    QStringList filesOnDisk() const {
        return QDir(m_cache->diskDirectory()).entryList(QDir::Files);
    }

private slots:
    void init() {
        m_cache.reset(); // one cache at a time
        m_server = std::make_unique<test::ScriptedHttpServer>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_cache = std::make_unique<ImageCache>(m_dir->filePath("ARUSync/Covers"));
    }

    // Simultaneous requests share one load and are answered in order; later ones come from
    // memory, and in the next run from disk.
    void loadsOnceThenFromMemoryThenFromDisk() {
        Response slow = Response::text(picture(40, 30, "JPEG"));
        slow.delayMs = 100;
        m_server->on("GET", "/covers/9", slow);
        const QUrl url = m_server->url("/covers/9");
        QList<int> answered;
        for (int i = 0; i < 10; ++i)
            m_cache->image(url, [&answered, i](const std::optional<QImage>& image) {
                QVERIFY(image && image->size() == QSize(40, 30));
                QCOMPARE(QThread::currentThread(), qApp->thread());
                answered << i;
            });
        QVERIFY(answered.isEmpty());
        QTRY_COMPARE(answered, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
        QCOMPARE(m_server->requests().size(), 1);
        QCOMPARE(filesOnDisk(), QStringList{ImageCache::diskFileName(url)});

        bool hit = false;
        m_cache->image(url,
                       [&hit](const std::optional<QImage>& image) { hit = image.has_value(); });
        QVERIFY(hit);
        QCOMPARE(m_server->requests().size(), 1);

        m_server.reset(); // nothing answers in the next run
        const QString folder = m_cache->diskDirectory();
        m_cache.reset();
        m_cache = std::make_unique<ImageCache>(folder);
        QCOMPARE(QCoro::waitFor(m_cache->image(url)).value_or(QImage()).size(), QSize(40, 30));
    }

    void aBadAnswerGivesNothingAndKeepsNothing_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<qint64>("cutAfter"); // -1: the whole body
        const QByteArray png = picture(64, 64);
        const QByteArray jpeg = picture(64, 64, "JPEG");
        QTest::newRow("garbage") << 200 << QByteArray(3000, '\x5A') << -1LL;
        QTest::newRow("truncated PNG") << 200 << png.left(png.size() / 2) << -1LL;
        QTest::newRow("truncated JPEG") << 200 << jpeg.left(jpeg.size() * 2 / 3) << -1LL;
        QTest::newRow("connection cut") << 200 << png << qint64(png.size() / 2);
        QTest::newRow("picture on an error") << 503 << png << -1LL;
        QTest::newRow("svg")
            << 200 << QByteArray("<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/>")
            << -1LL;
    }
    void aBadAnswerGivesNothingAndKeepsNothing() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(qint64, cutAfter);
        Response response = Response::text(body, status);
        response.cutAfter = cutAfter >= 0 ? std::optional(cutAfter) : std::nullopt;
        m_server->on("GET", "/covers/1.png", response);
        const QUrl url = m_server->url("/covers/1.png");
        QCOMPARE(QCoro::waitFor(m_cache->image(url)), std::nullopt);
        QVERIFY(filesOnDisk().isEmpty());
        // A miss is not remembered: the next request asks again.
        m_server->on("GET", "/covers/1.png", Response::text(picture(8, 8)));
        QVERIFY(QCoro::waitFor(m_cache->image(url)));
        QCOMPARE(m_server->requests().size(), 2);
    }

    void decodingBoundsTheImage_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QTest::newRow("small PNG as it is") << picture(300, 200) << QSize(300, 200);
        QTest::newRow("large JPEG scaled") << picture(2048, 1024, "JPEG") << QSize(512, 256);
        QTest::newRow("large PNG scaled") << picture(600, 1200) << QSize(256, 512);
        // Fine to decode, but too many pixels: refused from the header, as a decompression bomb.
        QImage huge(4200, 4200, QImage::Format_Mono);
        huge.fill(0);
        QTest::newRow("over the pixel limit") << encoded(huge, "PNG") << QSize();
    }
    void decodingBoundsTheImage() {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        const auto image = ImageCache::decode(bytes);
        QCOMPARE(image.has_value(), size.isValid());
        if (image)
            QCOMPARE(image->size(), size);
    }

    void theFileNameIsStableAndSafe_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        // The same names from one run to the next, or earlier covers would never be found.
        QTest::newRow("png") << "https://cdn.example/covers/5.png"
                             << "3095997580655017863.png";
        QTest::newRow("query ignored") << "https://cdn.example/5.jpg?w=2"
                                       << "4265949153075453769.jpg";
        QTest::newRow("not an extension") << "https://cdn.example/a.b/c%2E%2E%2Fx"
                                          << "3307578810498431602.img";
    }
    void theFileNameIsStableAndSafe() {
        QFETCH(QString, url);
        QFETCH(QString, name);
        QCOMPARE(ImageCache::diskFileName(QUrl(url)), name);
    }

    void qmlShowsCoversThroughTheProvider() {
        m_server->on("GET", "/covers/3.png", Response::text(picture(100, 50)));
        QQmlEngine engine;
        engine.addImageProvider(CoverImageProvider::providerId(), new CoverImageProvider(*m_cache));
        QQmlComponent component(&engine);
        component.setData(
            "import QtQuick\n"
            "Item {\n"
            "  property string cover\n"
            "  property alias status: image.status\n"
            "  Image { id: image; sourceSize.width: 40\n"
            "    source: cover ? 'image://covers/' + encodeURIComponent(cover) : '' }\n"
            "}\n",
            {});
        std::unique_ptr<QObject> item(component.create());
        QVERIFY2(item, qPrintable(component.errorString()));
        item->setProperty("cover", m_server->url("/covers/3.png?a=1&b=%2B").toString());
        QTRY_COMPARE(item->property("status").toInt(), 1); // Image.Ready
        QCOMPARE(m_server->requests().first().target, QByteArray("/covers/3.png?a=1&b=%2B"));
        item->setProperty("cover", m_server->url("/covers/missing.png").toString());
        QTRY_COMPARE(item->property("status").toInt(), 3); // Image.Error
        QCOMPARE(CoverImageProvider::sourceFor(QUrl("http://h/c.png?x=1")),
                 QUrl("image://covers/http%3A%2F%2Fh%2Fc.png%3Fx%3D1"));
    }
};

ARU_TEST_MAIN(ImageCacheTest)
#include "tst_image_cache.moc"
