#include "DiskCache.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace aru::server {

DiskCache::DiskCache(QString folder)
    : m_folder(std::move(folder)) {
    QDir().mkpath(m_folder);
}

std::shared_ptr<std::mutex> DiskCache::lockFor(const QString& name) {
    std::lock_guard lock(m_mutex);
    auto& entry = m_locks[name];
    if (!entry)
        entry = std::make_shared<std::mutex>();
    return entry;
}

QString DiskCache::ensure(const QString& name, const Producer& produce) {
    const QString path = m_folder + QLatin1Char('/') + name;
    const auto fileLock = lockFor(name);
    std::lock_guard lock(*fileLock);
    if (QFileInfo::exists(path))
        return path;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !produce(file) || !file.commit())
        return {};
    return path;
}

} // namespace aru::server
