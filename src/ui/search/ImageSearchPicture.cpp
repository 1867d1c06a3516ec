#include "ImageSearchPicture.h"

#include <QBuffer>
#include <QCoroFuture>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QtConcurrent>
#include <algorithm>
#include <cmath>

namespace aru::ImageSearchPicture {

QSize shrunkSize(QSize size, int limit) {
    const int longer = std::max(size.width(), size.height());
    if (longer <= limit)
        return size;
    const double scale = double(limit) / longer;
    return {std::max(1, int(std::lround(size.width() * scale))),
            std::max(1, int(std::lround(size.height() * scale)))};
}

std::optional<QByteArray> encodeJpeg(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // The size as stored, before it is turned upright: the decoder shrinks first and turns after,
    // and a quarter turn keeps the longer side.
    const QSize stored = reader.size();
    if (stored.isValid()) {
        if (qint64(stored.width()) * stored.height() > maxSourcePixels)
            return std::nullopt;
        if (const QSize target = shrunkSize(stored); target != stored)
            reader.setScaledSize(target);
    }
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    // A format that tells its size only once decoded is shrunk here; Qt's own allocation limit
    // has guarded that decoding.
    if (const QSize target = shrunkSize(image.size()); target != image.size())
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // JPEG has no transparency: the picture is made opaque rather than blended with anything.
    image = image.convertToFormat(QImage::Format_RGB32);

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(jpegQuality);
    if (!writer.write(image))
        return std::nullopt;
    return jpeg;
}

QCoro::Task<std::optional<QByteArray>> encodeJpegInBackground(QString path) {
    co_return co_await QtConcurrent::run(&encodeJpeg, path);
}

QStringList chooserNameFilters() {
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats()) {
        const QString extension = QString::fromLatin1(format).toLower();
        patterns << QStringLiteral("*.") + extension << QStringLiteral("*.") + extension.toUpper();
    }
    return {QStringLiteral("Images (%1)").arg(patterns.join(QLatin1Char(' ')))};
}

} // namespace aru::ImageSearchPicture
