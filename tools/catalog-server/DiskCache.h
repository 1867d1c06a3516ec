#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

class QIODevice;

namespace aru::server {

// Generated files (audio, covers) kept under one folder. A file is produced at most once even when
// several requests ask for it together, and it appears under its name only once complete.
class DiskCache {
public:
    using Producer = std::function<bool(QIODevice&)>;

    explicit DiskCache(QString folder);

    // The path of `name`, produced first when missing; empty when production failed.
    QString ensure(const QString& name, const Producer& produce);

private:
    std::shared_ptr<std::mutex> lockFor(const QString& name);

    QString m_folder;
    std::mutex m_mutex;
    std::map<QString, std::shared_ptr<std::mutex>> m_locks;
};

} // namespace aru::server
