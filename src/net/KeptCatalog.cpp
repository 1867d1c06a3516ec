#include "KeptCatalog.h"

#include "CacheFolders.h"
#include "CatalogDocumentReader.h"
#include "SyncCatalog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QtEndian>
#include <memory>
#include <zstd.h>

namespace aru {

namespace {

// The file: this tag, the length of a small JSON header (32 bits, little-endian), the header,
// then the document in two zstd frames that each record their size and a checksum, so a
// truncated or damaged copy is recognised as such: the first part of the document, which can be
// read and checked alone, then the rest.
const QByteArray fileTag = QByteArrayLiteral("ARUKEPT1");
constexpr quint32 maxHeaderBytes = 64 * 1024;
// zstd's default: a quarter of a second for 100,000 tracks on a worker thread, and the
// document shrinks about sevenfold.
constexpr int compressionLevel = 3;

const QString sizeKey = QStringLiteral("size");
const QString firstPartKey = QStringLiteral("firstPart");
const QString loadedAtKey = QStringLiteral("loadedAt");
const QString etagKey = QStringLiteral("etag");
const QString lastModifiedKey = QStringLiteral("lastModified");

struct FreeDecompressor {
    void operator()(ZSTD_DCtx* context) const { ZSTD_freeDCtx(context); }
};
struct FreeCompressor {
    void operator()(ZSTD_CCtx* context) const { ZSTD_freeCCtx(context); }
};

QString zstdError(size_t code) {
    return QString::fromLatin1(ZSTD_getErrorName(code));
}

// Decompresses the frames in the rest of `file` into `into`, which holds exactly the bytes they
// must give: all the frames, or only the first with `firstFrameOnly`.
std::optional<QString> decompress(QFile& file, QByteArray& into, bool firstFrameOnly) {
    const std::unique_ptr<ZSTD_DCtx, FreeDecompressor> context(ZSTD_createDCtx());
    if (!context)
        return QStringLiteral("no memory to decompress the kept catalogue");
    QByteArray chunk(qsizetype(ZSTD_DStreamInSize()), Qt::Uninitialized);
    ZSTD_outBuffer output{into.data(), size_t(into.size()), 0};
    // Zero whenever the frames read so far are complete.
    size_t frameLeft = 1;
    const auto finished = [&] {
        return frameLeft == 0 && (firstFrameOnly || output.pos == output.size);
    };
    for (qint64 read = file.read(chunk.data(), chunk.size()); read > 0 && !finished();
         read = file.read(chunk.data(), chunk.size())) {
        ZSTD_inBuffer input{chunk.constData(), size_t(read), 0};
        while (input.pos < input.size && !finished()) {
            const size_t inputBefore = input.pos;
            const size_t outputBefore = output.pos;
            frameLeft = ZSTD_decompressStream(context.get(), &output, &input);
            if (ZSTD_isError(frameLeft))
                return zstdError(frameLeft);
            if (input.pos == inputBefore && output.pos == outputBefore)
                return QStringLiteral("the kept catalogue is longer than its header says");
        }
        if (finished() && !firstFrameOnly && (input.pos < input.size || !file.atEnd()))
            return QStringLiteral("data after the kept catalogue");
    }
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    if (frameLeft != 0 || output.pos != output.size)
        return QStringLiteral("the kept catalogue is truncated");
    return std::nullopt;
}

// Compresses `part` into one frame that records its size and a checksum.
bool compressInto(QSaveFile& file, QByteArrayView part) {
    const std::unique_ptr<ZSTD_CCtx, FreeCompressor> context(ZSTD_createCCtx());
    if (!context ||
        ZSTD_isError(
            ZSTD_CCtx_setParameter(context.get(), ZSTD_c_compressionLevel, compressionLevel)) ||
        ZSTD_isError(ZSTD_CCtx_setParameter(context.get(), ZSTD_c_checksumFlag, 1)) ||
        ZSTD_isError(ZSTD_CCtx_setPledgedSrcSize(context.get(), size_t(part.size()))))
        return false;
    QByteArray chunk(qsizetype(ZSTD_CStreamOutSize()), Qt::Uninitialized);
    ZSTD_inBuffer input{part.data(), size_t(part.size()), 0};
    size_t left = 0;
    do {
        ZSTD_outBuffer output{chunk.data(), size_t(chunk.size()), 0};
        left = ZSTD_compressStream2(context.get(), &output, &input, ZSTD_e_end);
        if (ZSTD_isError(left) ||
            file.write(chunk.constData(), qint64(output.pos)) != qint64(output.pos))
            return false;
    } while (left != 0);
    return true;
}

// Opens the file and reads its header into `copy` (all but the document); the file is left at
// the first frame.
std::optional<QString> openHeader(QFile& file, KeptCatalog::Copy& copy, qint64& size,
                                  qint64& firstPartSize) {
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("no kept catalogue");
    const QByteArray tag = file.read(fileTag.size());
    const QByteArray lengthBytes = file.read(sizeof(quint32));
    if (tag != fileTag || lengthBytes.size() != sizeof(quint32))
        return QStringLiteral("not a kept catalogue");
    const quint32 headerBytes = qFromLittleEndian<quint32>(lengthBytes.constData());
    if (headerBytes > maxHeaderBytes)
        return QStringLiteral("not a kept catalogue");
    const QJsonObject header = QJsonDocument::fromJson(file.read(headerBytes)).object();
    size = header.value(sizeKey).toInteger(-1);
    firstPartSize = header.value(firstPartKey).toInteger(-1);
    copy.loadedAt = QDateTime::fromString(header.value(loadedAtKey).toString(), Qt::ISODateWithMs);
    copy.validators.etag = header.value(etagKey).toString().toLatin1();
    copy.validators.lastModified = header.value(lastModifiedKey).toString().toLatin1();
    if (size < 0 || size > SyncCatalog::maxDocumentBytes || firstPartSize < 0 ||
        firstPartSize > size || !copy.loadedAt.isValid())
        return QStringLiteral("the kept catalogue's header is damaged");
    return std::nullopt;
}

Decoded<KeptCatalog::Copy> readDocument(const QString& path, bool firstPartOnly) {
    using Result = Decoded<KeptCatalog::Copy>;
    QFile file(path);
    KeptCatalog::Copy copy;
    qint64 size = 0;
    qint64 firstPartSize = 0;
    if (const auto failure = openHeader(file, copy, size, firstPartSize))
        return Result::failure(*failure);
    const qsizetype bytes = qsizetype(firstPartOnly ? firstPartSize : size);
    copy.document.reserve(bytes + qsizetype(CatalogDocumentReader::padding));
    copy.document.resize(bytes);
    if (const auto failure = decompress(file, copy.document, firstPartOnly))
        return Result::failure(*failure);
    return Result::success(std::move(copy));
}

} // namespace

KeptCatalog KeptCatalog::forServer(const QString& baseUrl) {
    const QByteArray name =
        QCryptographicHash::hash(baseUrl.toUtf8(), QCryptographicHash::Sha1).toHex();
    return KeptCatalog(QDir(CacheFolders::folder(QStringLiteral("Catalog")))
                           .filePath(QString::fromLatin1(name) + QStringLiteral(".zst")));
}

KeptCatalog::KeptCatalog(QString path)
    : m_path(std::move(path)) {}

bool KeptCatalog::exists() const {
    return QFileInfo::exists(m_path);
}

Decoded<KeptCatalog::Copy> KeptCatalog::read() const {
    return readDocument(m_path, false);
}

Decoded<KeptCatalog::Copy> KeptCatalog::readBeginning() const {
    return readDocument(m_path, true);
}

bool KeptCatalog::write(const QByteArray& document, const CatalogValidators& validators,
                        const QDateTime& loadedAt) const {
    if (!QDir().mkpath(QFileInfo(m_path).path()))
        return false;
    const qsizetype firstPart = qMin(document.size(), firstPartBytes);
    const QJsonObject header{
        {sizeKey, qint64(document.size())},
        {firstPartKey, qint64(firstPart)},
        {loadedAtKey, loadedAt.toUTC().toString(Qt::ISODateWithMs)},
        {etagKey, QString::fromLatin1(validators.etag)},
        {lastModifiedKey, QString::fromLatin1(validators.lastModified)},
    };
    const QByteArray headerBytes = QJsonDocument(header).toJson(QJsonDocument::Compact);
    char length[sizeof(quint32)];
    qToLittleEndian<quint32>(quint32(headerBytes.size()), length);

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(fileTag) != fileTag.size() ||
        file.write(length, sizeof(length)) != qint64(sizeof(length)) ||
        file.write(headerBytes) != headerBytes.size() ||
        !compressInto(file, QByteArrayView(document).first(firstPart)) ||
        (firstPart < document.size() &&
         !compressInto(file, QByteArrayView(document).sliced(firstPart)))) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void KeptCatalog::remove() const {
    QFile::remove(m_path);
}

} // namespace aru
