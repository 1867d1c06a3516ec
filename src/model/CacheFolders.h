#pragma once

#include <QDir>
#include <QStandardPaths>
#include <QString>

namespace aru::CacheFolders {

// The application's folder in the user's caches ("~/.cache/ARUSync"): covers, waveforms and
// track files live in sub-folders of it and survive from one run to the next.
inline QString root() {
    const QString caches = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return QDir(caches).filePath(QStringLiteral("ARUSync"));
}

// A named sub-folder of root(); not created here.
inline QString folder(const QString& name) {
    return QDir(root()).filePath(name);
}

} // namespace aru::CacheFolders
