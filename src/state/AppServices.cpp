#include "AppServices.h"

#include <QDir>

namespace aru {

AppServices::AppServices(const QString& cacheRoot)
    : m_covers(QDir(cacheRoot).filePath(QStringLiteral("Covers")))
    , m_waveforms(cacheRoot)
    , m_drags(QDir(cacheRoot).filePath(QStringLiteral("Tracks")),
              QDir(cacheRoot).filePath(QStringLiteral("DragStaging"))) {}

} // namespace aru
