#pragma once

#include <QPointer>
#include <QQuickAsyncImageProvider>
#include <QString>
#include <QUrl>

namespace aru {

class ImageCache;

// Hands covers from an ImageCache to QML Images without blocking the interface: the image
// arrives when the cache delivers it, and an Image whose cover cannot be had ends in its Error
// status, so the view keeps its placeholder.
class CoverImageProvider : public QQuickAsyncImageProvider {
public:
    // The provider's name in "image://covers/…".
    static QString providerId();
    // The Image source for a cover address; QML builds the same with
    // "image://covers/" + encodeURIComponent(address).
    static QUrl sourceFor(const QUrl& coverUrl);

    explicit CoverImageProvider(ImageCache& cache);

    // Called on QML's image loading thread.
    QQuickImageResponse* requestImageResponse(const QString& id,
                                              const QSize& requestedSize) override;

private:
    QPointer<ImageCache> m_cache;
};

} // namespace aru
