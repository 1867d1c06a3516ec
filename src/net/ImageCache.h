#pragma once

#include "SharedInstance.h"

#include <QByteArray>
#include <QCache>
#include <QCoroTask>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QUrl>
#include <functional>
#include <optional>

class QQmlEngine;

namespace aru {

// Cover images for the rows and the player. Decoded images stay in memory (a bounded number),
// the downloaded files stay on disk across runs, and however many callers ask for one address
// at once, it is read or downloaded and decoded only once. A failure of any kind gives the
// callers no image and leaves nothing behind, so the next request tries again.
//
// Used from the main thread. Reading, decoding and writing files run on the cache's own worker
// threads; every answer is delivered back on the main thread.
class ImageCache : public QObject, public SharedInstance<ImageCache> {
    Q_OBJECT

public:
    using Completion = std::function<void(const std::optional<QImage>&)>;

    static constexpr int memoryCountLimit = 200;
    // A cover file is a few hundred kilobytes; anything far larger is not one.
    static constexpr qint64 maxEncodedBytes = 16 * 1024 * 1024;
    // Refused before decoding, so a small file announcing a huge picture costs nothing.
    static constexpr qint64 maxSourcePixels = 4096 * 4096;
    // Covers are drawn at most 80 points wide: decoding larger only fills memory, since the
    // memory cache holds its images whatever their size.
    static constexpr int maxDecodedSide = 512;

    // Lets QML show covers from the shared cache (which must outlive the engine) without blocking:
    // an Image whose source is CoverImageProvider::sourceFor(url), in QML "image://covers/" +
    // encodeURIComponent(url).
    static void installInto(QQmlEngine& engine);

    // Files go to `diskDirectory`, created when missing.
    explicit ImageCache(QString diskDirectory, QObject* parent = nullptr);
    ~ImageCache() override;

    // Calls `completion` exactly once with the image or nothing: at once when the image is in
    // memory, else on the main thread after the load, callers of one address in request order.
    // If the cache is destroyed during the load, waiting completions are not called.
    void image(const QUrl& url, Completion completion);
    // The same, awaited.
    QCoro::Task<std::optional<QImage>> image(QUrl url);

    // The file name on disk: the magnitude of a hash of the address that stays the same from one
    // run to the next, a full stop, and the address's extension or "img".
    static QString diskFileName(const QUrl& url);
    QString diskPath(const QUrl& url) const;
    QString diskDirectory() const { return m_diskDirectory; }

    // Decodes a cover file: PNG, JPEG, WebP, GIF or BMP by its contents, within the size limits,
    // scaled down to maxDecodedSide. Nothing for anything else, and for a JPEG cut short.
    static std::optional<QImage> decode(const QByteArray& bytes);

private:
    QCoro::Task<> load(QUrl url, QString key);
    void complete(const QString& key, const std::optional<QImage>& image);

    QString m_diskDirectory;
    QCache<QString, QImage> m_memory;
    // Who waits for each load under way; an entry exists exactly while its load runs.
    QHash<QString, QList<Completion>> m_inFlight;
    // Last: it is destroyed first and waits for the workers, which may still hold their files.
    QThreadPool m_workers;
};

} // namespace aru
