#include "DragService.h"

#include "APIClient.h"
#include "NameCharacters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace aru {

namespace {

bool isKeptInFileName(char32_t c) {
    return NameCharacters::isLetterMarkOrDigit(c) || c == U' ' || c == U'.' || c == U'_' ||
           c == U'-';
}

// A hard link costs no space and no time; a copy does where the file system refuses links.
bool linkOrCopy(const QString& from, const QString& to) {
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    return QFile::copy(from, to);
}

} // namespace

DragService::DragService(QString cacheDir, QString stagingDir)
    : SharedInstance(this)
    , m_cacheDir(std::move(cacheDir))
    , m_stagingDir(std::move(stagingDir)) {
    // A folder that cannot be made shows up later as a missing file.
    QDir().mkpath(m_cacheDir);
}

QString DragService::cachedPath(const Track& track) const {
    return QDir(m_cacheDir).filePath(sanitize(track.suggestedFilename()));
}

QCoro::Task<std::optional<QUrl>>
DragService::ensureCached(Track track, QString email, QString token, ProgressCallback onProgress) {
    const QString target = cachedPath(track);
    if (QFileInfo(target).isFile())
        co_return QUrl::fromLocalFile(target);
    const QUrl url = track.downloadURL(email, token);
    if (!url.isValid())
        co_return std::nullopt;
    QDir().mkpath(m_cacheDir);
    const auto saved = co_await APIClient::downloadFile(url, target, std::move(onProgress));
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

    const QString folder = QDir(m_stagingDir).filePath(QString::number(track.id));
    QDir().mkpath(folder);
    const QString staged = QDir(folder).filePath(displayName);
    // Replaced on every drag: the source may have been downloaded again since the last one.
    QFile::remove(staged);
    if (!linkOrCopy(source.absoluteFilePath(), staged))
        return std::nullopt;
    return staged;
}

QString DragService::sanitize(const QString& name) {
    QString kept;
    kept.reserve(name.size());
    for (const char32_t c : name.toUcs4()) {
        if (isKeptInFileName(c))
            kept.append(QString::fromUcs4(&c, 1));
    }
    return kept;
}

} // namespace aru
