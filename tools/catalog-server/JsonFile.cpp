#include "JsonFile.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <cstdio>

namespace aru::server {

std::optional<QJsonObject> JsonFile::read(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = file.open(QIODevice::ReadOnly)
                                       ? QJsonDocument::fromJson(file.readAll(), &error)
                                       : QJsonDocument();
    if (!document.isObject()) {
        std::fprintf(stderr, "ignoring unreadable state file %s\n", qPrintable(path));
        return QJsonObject();
    }
    return document.object();
}

bool JsonFile::write(const QString& path, const QJsonObject& object, bool ownerOnly) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(object).toJson(QJsonDocument::Indented));
    if (!file.commit())
        return false;
    // Later saves keep the permissions of the file they replace.
    if (ownerOnly)
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

} // namespace aru::server
