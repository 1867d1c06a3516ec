#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace aru {

namespace {

// Values of this size are not ours (the largest we store, the download history, stays far
// below); reading them back would only waste memory.
constexpr qsizetype maxValueBytes = 16 * 1024 * 1024;

} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("ARU Records"),
                                             QStringLiteral("ARU Sync"))) {
    makeOwnerOnly();
}

SettingsStore::SettingsStore(const QString& fileName)
    : m_settings(std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {
    makeOwnerOnly();
}

SettingsStore::~SettingsStore() = default;

std::optional<QString> SettingsStore::string(const QString& key) const {
    const QVariant value = m_settings->value(key);
    if (!value.isValid() || !value.canConvert<QString>())
        return std::nullopt;
    return value.toString();
}

std::optional<QByteArray> SettingsStore::bytes(const QString& key) const {
    const QVariant value = m_settings->value(key);
    if (!value.isValid() || !value.canConvert<QByteArray>())
        return std::nullopt;
    QByteArray data = value.toByteArray();
    if (data.size() > maxValueBytes)
        return std::nullopt;
    return data;
}

std::optional<qint64> SettingsStore::integer(const QString& key) const {
    // The file keeps every value as text; read it back strictly.
    const auto text = string(key);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const qint64 value = text->toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

std::optional<bool> SettingsStore::boolean(const QString& key) const {
    const auto text = string(key);
    if (!text)
        return std::nullopt;
    if (text->compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
        *text == QLatin1String("1"))
        return true;
    if (text->compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 ||
        *text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

bool SettingsStore::setString(const QString& key, const QString& value) {
    return write(key, value);
}

bool SettingsStore::setBytes(const QString& key, const QByteArray& value) {
    return write(key, value);
}

bool SettingsStore::setInteger(const QString& key, qint64 value) {
    return write(key, value);
}

bool SettingsStore::setBoolean(const QString& key, bool value) {
    return write(key, value);
}

bool SettingsStore::remove(const QString& key) {
    m_settings->remove(key);
    return commit();
}

bool SettingsStore::setValues(const QList<std::pair<QString, QVariant>>& values) {
    bool changed = false;
    for (const auto& [key, value] : values) {
        // A value already there as it stands costs no write of the whole file.
        if (m_settings->value(key) == value)
            continue;
        m_settings->setValue(key, value);
        changed = true;
    }
    return !changed || commit();
}

QString SettingsStore::fileName() const {
    return m_settings->fileName();
}

bool SettingsStore::write(const QString& key, const QVariant& value) {
    return setValues({{key, value}});
}

bool SettingsStore::commit() {
    // Qt keeps the mode it finds on the file, but gives a file it creates the default mode: a
    // file removed meanwhile is made again owner-only first.
    if (!QFileInfo::exists(m_settings->fileName()))
        makeOwnerOnly();
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

void SettingsStore::makeOwnerOnly() const {
    const QString path = m_settings->fileName();
    QDir().mkpath(QFileInfo(path).path());
    const QByteArray encoded = QFile::encodeName(path);
    // Exclusive creation: an existing file is never truncated, only tightened.
    const int created = ::open(encoded.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (created >= 0) {
        ::close(created);
        return;
    }
    struct stat status {};
    if (::stat(encoded.constData(), &status) == 0 && (status.st_mode & (S_IRWXG | S_IRWXO)))
        ::chmod(encoded.constData(), status.st_mode & S_IRWXU);
}

} // namespace aru
