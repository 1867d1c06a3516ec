#include "AppServices.h"

#include "Downloader.h"

#include <QDir>

namespace aru {

AppServices::AppServices(const QString& cacheRoot)
    : m_covers(QDir(cacheRoot).filePath(QStringLiteral("Covers")))
    , m_waveforms(cacheRoot)
    , m_drags(QDir(cacheRoot).filePath(QStringLiteral("Tracks")),
              QDir(cacheRoot).filePath(QStringLiteral("DragStaging"))) {
    // Earlier versions downloaded into the system's temporary folder; downloads into the caches
    // are written beside their files.
    Downloader::sweepLeftovers(QDir::tempPath());
    Downloader::sweepLeftovers(QDir(cacheRoot).filePath(QStringLiteral("Tracks")));
}

} // namespace aru
