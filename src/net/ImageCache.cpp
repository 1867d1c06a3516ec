#include "ImageCache.h"

#include "CoverImageProvider.h"
#include "HttpTransport.h"

#include <QBuffer>
#include <QCoroFuture>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPointer>
#include <QQmlEngine>
#include <QRegularExpression>
#include <QSaveFile>
#include <QThread>
#include <QTimer>
#include <QtConcurrent>
#include <coroutine>

namespace aru {

namespace {

// Disk and decoding work is short; two workers keep the interface's own threads free.
constexpr int workerCount = 2;

// Formats a cover can have. Others are refused: some (SVG, TGA) would accept random bytes or
// render documents rather than pictures.
bool isCoverFormat(const QByteArray& format) {
    static const QList<QByteArray> formats{"png", "jpeg", "jpg", "webp", "gif", "bmp"};
    return formats.contains(format.toLower());
}

// A JPEG cut short still decodes, its missing part painted grey. Its data ends with the
// end-of-image marker, which cannot occur inside the compressed data; a little padding after it
// is tolerated.
bool jpegIsComplete(const QByteArray& bytes) {
    constexpr qsizetype tolerance = 64;
    const qsizetype end = bytes.lastIndexOf(QByteArrayView("\xFF\xD9"));
    return end >= 0 && end + 2 >= bytes.size() - tolerance;
}

// FNV-1a: unlike qHash, the same for an address in every run, which keeps the files useful.
quint64 stableHash(const QByteArray& bytes) {
    quint64 hash = 14695981039346656037ULL;
    for (const char byte : bytes) {
        hash ^= quint8(byte);
        hash *= 1099511628211ULL;
    }
    return hash;
}

// The extension names a file in the cache: a short run of letters and digits, nothing else.
QString cacheExtension(const QUrl& url) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9]{1,10}$"));
    const QString suffix = QFileInfo(url.path()).suffix();
    return plain.match(suffix).hasMatch() ? suffix : QStringLiteral("img");
}

std::optional<QImage> readCachedFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > ImageCache::maxEncodedBytes)
        return std::nullopt;
    return ImageCache::decode(file.readAll());
}

// Only bytes that decode are kept; a write failure costs only a later download.
std::optional<QImage> decodeAndStore(const QByteArray& bytes, const QString& path) {
    auto image = ImageCache::decode(bytes);
    if (!image)
        return std::nullopt;
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        file.commit();
    return image;
}

bool isSuccess(const std::optional<int>& status) {
    return status && *status >= 200 && *status < 300;
}

} // namespace

void ImageCache::installInto(QQmlEngine& engine) {
    engine.addImageProvider(CoverImageProvider::providerId(), new CoverImageProvider(shared()));
}

ImageCache::ImageCache(QString diskDirectory, QObject* parent)
    : QObject(parent)
    , SharedInstance(this)
    , m_diskDirectory(std::move(diskDirectory))
    , m_memory(memoryCountLimit) {
    m_workers.setMaxThreadCount(workerCount);
    m_workers.setObjectName(QStringLiteral("aru.image-cache"));
    // A folder that cannot be made only means that nothing is kept across runs.
    QDir().mkpath(m_diskDirectory);
}

ImageCache::~ImageCache() = default;

QString ImageCache::diskFileName(const QUrl& url) {
    const auto hash = qint64(stableHash(url.toString(QUrl::FullyEncoded).toUtf8()));
    const quint64 magnitude = hash < 0 ? 0 - quint64(hash) : quint64(hash);
    return QString::number(magnitude) + QLatin1Char('.') + cacheExtension(url);
}

QString ImageCache::diskPath(const QUrl& url) const {
    return QDir(m_diskDirectory).filePath(diskFileName(url));
}

std::optional<QImage> ImageCache::decode(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > maxEncodedBytes)
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    if (!isCoverFormat(format))
        return std::nullopt;
    if ((format == "jpeg" || format == "jpg") && !jpegIsComplete(bytes))
        return std::nullopt;
    const QSize size = reader.size();
    if (size.isEmpty() || qint64(size.width()) * size.height() > maxSourcePixels)
        return std::nullopt;
    if (size.width() > maxDecodedSide || size.height() > maxDecodedSide)
        reader.setScaledSize(size.scaled(maxDecodedSide, maxDecodedSide, Qt::KeepAspectRatio));
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return std::nullopt;
    return image;
}

void ImageCache::image(const QUrl& url, Completion completion) {
    Q_ASSERT(QThread::currentThread() == thread());
    const QString key = url.toString(QUrl::FullyEncoded);
    if (const QImage* cached = m_memory.object(key)) {
        completion(*cached);
        return;
    }
    auto waiting = m_inFlight.find(key);
    if (waiting != m_inFlight.end()) {
        waiting->append(std::move(completion));
        return;
    }
    m_inFlight.insert(key, QList<Completion>{std::move(completion)});
    load(url, key);
}

QCoro::Task<std::optional<QImage>> ImageCache::image(QUrl url) {
    struct Awaiter {
        Awaiter(ImageCache* cache, QUrl url)
            : cache(cache)
            , url(std::move(url)) {}

        ImageCache* cache;
        QUrl url;
        std::optional<QImage> result;
        bool answered = false;
        bool suspended = false;
        std::coroutine_handle<> waiting;

        bool await_ready() const { return false; }
        bool await_suspend(std::coroutine_handle<> handle) {
            waiting = handle;
            cache->image(url, [this](const std::optional<QImage>& image) {
                result = image;
                answered = true;
                if (suspended)
                    waiting.resume();
            });
            // A memory hit answered at once: carry on without suspending.
            suspended = !answered;
            return suspended;
        }
        std::optional<QImage> await_resume() { return std::move(result); }
    };
    co_return co_await Awaiter(this, std::move(url));
}

QCoro::Task<> ImageCache::load(QUrl url, QString key) {
    const QPointer<ImageCache> self(this);
    const bool fetchable = url.isValid() && (url.scheme() == QLatin1String("https") ||
                                             url.scheme() == QLatin1String("http"));
    if (!fetchable) {
        // Answered like any other miss: later, on the main thread.
        QTimer::singleShot(0, this, [this, key] { complete(key, std::nullopt); });
        co_return;
    }
    const QString path = diskPath(url);
    std::optional<QImage> image = co_await QtConcurrent::run(&m_workers, readCachedFile, path);
    if (!self)
        co_return;
    if (!image) {
        const QByteArray verb("GET");
        const auto answer = co_await HttpTransport::exchange(HttpTransport::request(url, false),
                                                             verb, {}, {}, maxEncodedBytes);
        if (!self)
            co_return;
        // An error page is no cover, even one that happens to be a picture: kept on disk it
        // would stand in for the real cover for good.
        if (answer && isSuccess(answer->status) && !answer->body.isEmpty()) {
            image = co_await QtConcurrent::run(&m_workers, decodeAndStore, answer->body, path);
            if (!self)
                co_return;
        }
    }
    if (image)
        m_memory.insert(key, new QImage(*image));
    complete(key, image);
}

void ImageCache::complete(const QString& key, const std::optional<QImage>& image) {
    const QList<Completion> waiting = m_inFlight.take(key);
    for (const Completion& completion : waiting)
        completion(image);
}

} // namespace aru
