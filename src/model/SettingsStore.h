#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <memory>
#include <optional>

namespace aru {

// The per-user settings: strings, integers, booleans and raw bytes under "aru." keys. Every
// write reaches the file at once, so a process that is killed loses nothing it had saved, and
// the file is readable by its owner only (it holds the session token).
class SettingsStore {
public:
    // The user's store ("ARU Records" / "ARU Sync").
    SettingsStore();
    // A store in the given file, for tests and tools.
    explicit SettingsStore(const QString& fileName);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Each read gives none when the key is missing or its value cannot be read as that type.
    std::optional<QString> string(const QString& key) const;
    std::optional<QByteArray> bytes(const QString& key) const;
    std::optional<qint64> integer(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;

    // Each write returns whether it reached the file.
    bool setString(const QString& key, const QString& value);
    bool setBytes(const QString& key, const QByteArray& value);
    bool setInteger(const QString& key, qint64 value);
    bool setBoolean(const QString& key, bool value);
    bool remove(const QString& key);

    QString fileName() const;

private:
    bool write(const QString& key, const QVariant& value);
    bool commit();

    std::unique_ptr<QSettings> m_settings;
};

} // namespace aru
