#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

namespace aru::server {

// Small JSON state files (sessions, favourites): read whole, written whole to a temporary file
// and renamed into place so that a crash never leaves half a file.
class JsonFile {
public:
    // Absent when the file is missing; an empty object, with a warning, when it is unreadable.
    static std::optional<QJsonObject> read(const QString& path);
    // `ownerOnly` makes the file readable by its owner only (it holds session tokens).
    static bool write(const QString& path, const QJsonObject& object, bool ownerOnly);
};

} // namespace aru::server
