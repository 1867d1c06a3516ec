#include "Downloader.h"

#include "Cancellation.h"
#include "HttpTransport.h"

#include <QCoroNetworkReply>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>
#include <QUuid>
#include <memory>

namespace aru::Downloader {

namespace {

// Qt stops reading from the socket while this much is waiting, so a slow disk or a busy main
// thread cannot make the body pile up in memory.
constexpr qint64 readBufferBytes = 1024 * 1024;

using Result = Expected<DownloadedFile, RequestError>;

std::optional<double> fractionOf(qint64 received, qint64 total) {
    if (total < 1)
        return std::nullopt;
    return std::clamp(double(received) / double(total), 0.0, 1.0);
}

// Receives the body into the temporary file as it arrives.
class BodySink {
public:
    explicit BodySink(QString path)
        : m_file(std::move(path)) {}

    bool open() {
        return m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                           QFile::ReadOwner | QFile::WriteOwner);
    }
    bool append(const QByteArray& bytes) {
        if (bytes.isEmpty())
            return true;
        if (m_file.write(bytes) != bytes.size())
            return false;
        m_written += bytes.size();
        return true;
    }
    bool close() {
        const bool flushed = m_file.flush();
        m_file.close();
        return flushed && m_file.error() == QFileDevice::NoError;
    }
    void discard() {
        m_file.close();
        m_file.remove();
    }
    qint64 written() const { return m_written; }
    QString path() const { return m_file.fileName(); }
    QString errorString() const { return m_file.errorString(); }

private:
    QFile m_file;
    qint64 m_written = 0;
};

RequestError fileError(const BodySink& sink) {
    // Reported like a transport failure: the transfer could not be completed.
    return RequestError::transport(QNetworkReply::UnknownNetworkError,
                                   QStringLiteral("Could not write the downloaded file: ") +
                                       sink.errorString());
}

RequestError tooSlowError(const ThroughputFloor& floor) {
    return RequestError::transport(
        QNetworkReply::TimeoutError,
        QStringLiteral("The transfer was too slow: under %1 bytes a second for %2 seconds.")
            .arg(floor.bytesPerSecond)
            .arg(double(floor.window.count()) / 1000.0));
}

qint64 leastBytesPerWindow(const ThroughputFloor& floor) {
    return floor.bytesPerSecond * floor.window.count() / 1000;
}

// This run's temporary files, and those of earlier versions, which kept them in the system's
// temporary folder without the leading dot.
const QRegularExpression& temporaryFileName() {
    static const QRegularExpression name(
        QStringLiteral("^\\.?aru-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\.download$"));
    return name;
}

} // namespace

QString newTemporaryFilePath(const QString& folder) {
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return QDir(folder).filePath(QStringLiteral(".aru-") + uuid + QStringLiteral(".download"));
}

int sweepLeftovers(const QString& folder, std::chrono::seconds olderThan) {
    const QDateTime cutoff = QDateTime::currentDateTimeUtc().addSecs(-olderThan.count());
    const QFileInfoList candidates =
        QDir(folder).entryInfoList({QStringLiteral("*aru-*.download")}, QDir::Files | QDir::Hidden);
    int removed = 0;
    for (const QFileInfo& file : candidates) {
        if (temporaryFileName().match(file.fileName()).hasMatch() &&
            file.lastModified().toUTC() < cutoff && QFile::remove(file.filePath()))
            ++removed;
    }
    return removed;
}

QCoro::Task<Result> download(QUrl url, QString folder, ProgressCallback onProgress,
                             QPointer<Cancellation> cancellation, ThroughputFloor floor) {
    BodySink sink(newTemporaryFilePath(folder));
    if (!sink.open())
        co_return Result::failure(RequestError::fileSystem(
            QStringLiteral("Could not save the file: ") + sink.errorString()));
    if (cancellation && cancellation->isCancelled()) {
        sink.discard();
        co_return Result::failure(RequestError::transport(QNetworkReply::OperationCanceledError,
                                                          QStringLiteral("Operation canceled")));
    }

    HttpTransport::ReplyPtr reply(HttpTransport::session().get(HttpTransport::request(url, false)));
    reply->setReadBufferSize(readBufferBytes);
    bool cancelled = false;
    bool writeFailed = false;
    QNetworkReply* const r = reply.get();
    if (cancellation) {
        QObject::connect(cancellation, &Cancellation::cancelled, r, [&cancelled, r] {
            cancelled = true;
            r->abort();
        });
    }
    QObject::connect(r, &QNetworkReply::readyRead, r, [&sink, &writeFailed, r] {
        if (!sink.append(r->readAll())) {
            writeFailed = true;
            r->abort();
        }
    });
    // Steps of a hundredth: a long transfer reports about a hundred times, not once per chunk.
    std::optional<int> lastStep;
    if (onProgress) {
        onProgress(std::nullopt);
        // Qt reports the final count as the total even when the server never announced one.
        QObject::connect(r, &QNetworkReply::downloadProgress, r,
                         [&onProgress, &lastStep, r](qint64 received, qint64 total) {
                             const bool sizeKnown =
                                 r->header(QNetworkRequest::ContentLengthHeader).isValid();
                             const auto fraction =
                                 sizeKnown ? fractionOf(received, total) : std::nullopt;
                             const int step = fraction ? int(*fraction * 100) : -1;
                             if (lastStep == step)
                                 return;
                             lastStep = step;
                             onProgress(fraction);
                         });
    }

    // Each window must bring at least the floor's worth of bytes.
    QTimer paceCheck;
    paceCheck.setInterval(floor.window);
    qint64 receivedAtWindowStart = 0;
    bool tooSlow = false;
    QObject::connect(&paceCheck, &QTimer::timeout, r,
                     [&sink, &receivedAtWindowStart, &tooSlow, &floor, r] {
                         const qint64 received = sink.written() + r->bytesAvailable();
                         if (received - receivedAtWindowStart < leastBytesPerWindow(floor)) {
                             tooSlow = true;
                             r->abort();
                         }
                         receivedAtWindowStart = received;
                     });
    paceCheck.start();

    co_await r;
    // Nothing reaches the callbacks (which refer to this frame) once the transfer has ended.
    paceCheck.stop();
    r->disconnect();
    if (cancellation)
        QObject::disconnect(cancellation, nullptr, r, nullptr);

    if (!writeFailed && !sink.append(r->readAll()))
        writeFailed = true;
    std::optional<RequestError> failure;
    if (writeFailed)
        failure = fileError(sink);
    else if (tooSlow)
        failure = tooSlowError(floor);
    else if (auto transport = HttpTransport::transportFailure(*r, cancelled, sink.written()))
        failure = std::move(transport);
    else if (!sink.close())
        failure = fileError(sink);
    if (failure) {
        sink.discard();
        co_return Result::failure(std::move(*failure));
    }
    co_return Result::success(DownloadedFile{sink.path(), HttpTransport::httpStatus(*r)});
}

} // namespace aru::Downloader
