#include "CoverImageProvider.h"

#include "ImageCache.h"

#include <QImage>
#include <QMetaObject>
#include <QQuickTextureFactory>
#include <QThread>

namespace aru {

namespace {

// Lives on the cache's thread and carries the answer across to the response. The response is
// reached only through a queued connection, so a response QML has already dropped (the Image
// went away) simply receives nothing.
class CoverRelay : public QObject {
    Q_OBJECT

signals:
    void delivered(const QImage& image);
};

class CoverResponse : public QQuickImageResponse {
public:
    explicit CoverResponse(QSize requestedSize)
        : m_requestedSize(requestedSize) {}

    // On the response's own thread, so scaling never runs on the interface's thread.
    void deliver(const QImage& image) {
        m_image = scaledDown(image);
        emit finished();
    }

    QQuickTextureFactory* textureFactory() const override {
        return QQuickTextureFactory::textureFactoryForImage(m_image);
    }

    QString errorString() const override {
        return m_image.isNull() ? QStringLiteral("No cover image") : QString();
    }

private:
    // To fit the size QML asked for; a dimension of 0 follows from the other one.
    QImage scaledDown(const QImage& image) const {
        const int width = m_requestedSize.width() > 0 ? m_requestedSize.width() : image.width();
        const int height = m_requestedSize.height() > 0 ? m_requestedSize.height() : image.height();
        if (image.isNull() || (image.width() <= width && image.height() <= height))
            return image;
        return image.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }

    QSize m_requestedSize;
    QImage m_image;
};

} // namespace

QString CoverImageProvider::providerId() {
    return QStringLiteral("covers");
}

QUrl CoverImageProvider::sourceFor(const QUrl& coverUrl) {
    const QByteArray id = QUrl::toPercentEncoding(coverUrl.toString(QUrl::FullyEncoded));
    return QUrl(QStringLiteral("image://") + providerId() + QLatin1Char('/') +
                QString::fromLatin1(id));
}

CoverImageProvider::CoverImageProvider(ImageCache& cache)
    : m_cache(&cache) {}

QQuickImageResponse* CoverImageProvider::requestImageResponse(const QString& id,
                                                              const QSize& requestedSize) {
    auto* response = new CoverResponse(requestedSize);
    const QUrl url(QUrl::fromPercentEncoding(id.toUtf8()));
    const QPointer<ImageCache> cache = m_cache;
    auto* relay = new CoverRelay;
    QObject::connect(relay, &CoverRelay::delivered, response, &CoverResponse::deliver,
                     Qt::QueuedConnection);
    if (cache)
        relay->moveToThread(cache->thread());
    // The cache is asked on its own thread; the relay is gone once it has answered.
    QMetaObject::invokeMethod(
        relay,
        [relay, cache, url] {
            if (!cache) {
                emit relay->delivered(QImage());
                relay->deleteLater();
                return;
            }
            cache->image(url, [relay](const std::optional<QImage>& image) {
                emit relay->delivered(image.value_or(QImage()));
                relay->deleteLater();
            });
        },
        Qt::QueuedConnection);
    return response;
}

} // namespace aru

#include "CoverImageProvider.moc"
