#include "AppServices.h"

#include "Downloader.h"

#include <QDir>

namespace aru {

AppServices::AppServices(const QString& cacheRoot, qint64 maxTrackFileBytes)
    : m_covers(QDir(cacheRoot).filePath(QStringLiteral("Covers")))
    , m_trackFiles(QDir(cacheRoot).filePath(QStringLiteral("Tracks")), maxTrackFileBytes)
    , m_waveforms(cacheRoot, m_trackFiles)
    , m_drags(m_trackFiles, QDir(cacheRoot).filePath(QStringLiteral("DragStaging"))) {
    // Earlier versions downloaded into the system's temporary folder.
    Downloader::sweepLeftovers(QDir::tempPath());
}

} // namespace aru
