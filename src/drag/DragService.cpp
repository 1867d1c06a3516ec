#include "DragService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace aru {

namespace {

// A hard link costs no space and no time; a symbolic link serves where the file system refuses
// hard links (the download folder on another disk).
bool link(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    return ::link(source.constData(), target.constData()) == 0 ||
           ::symlink(source.constData(), target.constData()) == 0;
}

} // namespace

DragService::DragService(TrackFileCache& trackFiles, QString stagingDir)
    : SharedInstance(this)
    , m_trackFiles(trackFiles)
    , m_stagingDir(std::move(stagingDir)) {
    // A staged link would keep the data of a file the cache's bound pushed out.
    m_trackFiles.setEvictionListener(
        [this](TrackId trackId) { QDir(stagingFolder(trackId)).removeRecursively(); });
}

DragService::~DragService() {
    m_trackFiles.setEvictionListener({});
}

QString DragService::cachedPath(const Track& track) const {
    return m_trackFiles.path(track.id);
}

QString DragService::stagingFolder(TrackId trackId) const {
    return QDir(m_stagingDir).filePath(QString::number(trackId));
}

QCoro::Task<std::optional<QUrl>>
DragService::ensureCached(Track track, QString email, QString token, ProgressCallback onProgress) {
    if (const auto file = m_trackFiles.existing(track.id))
        co_return QUrl::fromLocalFile(*file);
    const QUrl url = track.downloadURL(email, token);
    if (!url.isValid())
        co_return std::nullopt;
    const auto saved = co_await m_trackFiles.fetch(track.id, url, std::move(onProgress));
    if (!saved)
        co_return std::nullopt;
    co_return QUrl::fromLocalFile(saved.value());
}

std::optional<QString> DragService::stageForDrag(const QString& localFile,
                                                 const Track& track) const {
    const QFileInfo source(localFile);
    if (!source.isFile())
        return std::nullopt;
    const QString displayName = Track::niceFilename(track) + QLatin1String(".wav");
    if (source.fileName() == displayName)
        return source.absoluteFilePath();

    const QString folder = stagingFolder(track.id);
    QDir().mkpath(folder);
    const QString staged = QDir(folder).filePath(displayName);
    // Replaced on every drag: the source may have been downloaded again since the last one.
    QFile::remove(staged);
    if (!link(source.absoluteFilePath(), staged))
        return std::nullopt;
    return staged;
}

} // namespace aru
