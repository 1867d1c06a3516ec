#include "ImageSearchPicture.h"
#include "TestHome.h"

#include <QBuffer>
#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

using namespace aru;

namespace {

// A picture whose left half is red and right half blue, as stored. A JPEG may also record that
// its camera was turned a quarter clockwise (EXIF orientation 6), as phones held upright do.
bool writePicture(const QString& path, QSize size, const char* format, bool turned = false) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, size.width() / 2, size.height(), Qt::red);
    painter.fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(), Qt::blue);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, format))
        return false;
    if (turned) // An APP1 segment right after the start marker: big-endian TIFF, one entry.
        bytes.insert(2, QByteArray::fromHex("FFE10022457869660000"
                                            "4D4D002A00000008"
                                            "0001011200030000000100060000"
                                            "00000000"));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool isRed(QColor c) {
    return c.red() > 200 && c.blue() < 60;
}
bool isBlue(QColor c) {
    return c.blue() > 200 && c.red() < 60;
}

} // namespace

// The picture the search by image sends.
class ImageSearchPictureTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void picturesAreShrunkUprightAndEncoded_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("sent"); // empty: nothing is sent
        QTest::addColumn<bool>("redOnTop");
        QString path;
        QVERIFY(writePicture(path = m_dir.filePath("photo.jpg"), {4000, 3000}, "jpeg"));
        QTest::newRow("landscape photo") << path << QSize(800, 600) << false;
        QVERIFY(writePicture(path = m_dir.filePath("small.png"), {640, 480}, "png"));
        QTest::newRow("small enough") << path << QSize(640, 480) << false;
        QVERIFY(writePicture(path = m_dir.filePath("portrait.png"), {1200, 2400}, "png"));
        QTest::newRow("portrait") << path << QSize(400, 800) << false;
        // Stored sideways by a phone held upright: the left half is the top once turned.
        QVERIFY(writePicture(path = m_dir.filePath("phone.JPG"), {1200, 900}, "jpeg", true));
        QTest::newRow("turned by its camera") << path << QSize(600, 800) << true;

        QFile text(path = m_dir.filePath("notes.png"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a picture") > 0);
        QTest::newRow("not a picture") << path << QSize() << false;
        // A header claiming 400 million pixels, which no decoder is given.
        QFile huge(path = m_dir.filePath("huge.ppm"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.write("P6\n20000 20000\n255\n") > 0);
        QTest::newRow("too large to decode") << path << QSize() << false;
        QTest::newRow("unreadable") << m_dir.filePath("missing.jpg") << QSize() << false;
    }
    void picturesAreShrunkUprightAndEncoded() {
        QFETCH(QString, file);
        QFETCH(QSize, sent);
        QFETCH(bool, redOnTop);
        const auto jpeg = QCoro::waitFor(ImageSearchPicture::encodeJpegInBackground(file));
        QCOMPARE(jpeg.has_value(), sent.isValid());
        if (!jpeg)
            return;
        QCOMPARE(jpeg->left(3), QByteArray("\xFF\xD8\xFF")); // a JPEG
        const QImage image = QImage::fromData(*jpeg, "jpeg");
        QCOMPARE(image.size(), sent);
        // Red stays at the top left; blue is to its right, or below it once turned upright.
        const int w = sent.width();
        const int h = sent.height();
        QVERIFY(isRed(image.pixelColor(w / 4, h / 4)));
        QVERIFY(isBlue(redOnTop ? image.pixelColor(w / 4, h * 3 / 4)
                                : image.pixelColor(w * 3 / 4, h / 4)));
    }
};

ARU_TEST_MAIN(ImageSearchPictureTest)
#include "tst_image_search_picture.moc"
