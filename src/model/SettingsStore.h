#pragma once

#include <QByteArray>
#include <QList>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace aru {

// The per-user settings: strings, integers, booleans and raw bytes under "aru." keys. Every
// change reaches the file at once, in one write of the whole file beside itself renamed into
// place, so a process that is killed loses nothing it had saved. The file is readable by its
// owner only (it holds the session token): made so before anything is written into it, and an
// existing file is tightened as soon as the store opens it.
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
    // Several values that change together, written in one go.
    bool setValues(const QList<std::pair<QString, QVariant>>& values);

    QString fileName() const;

private:
    bool write(const QString& key, const QVariant& value);
    bool commit();
    // Creates the file owner-only when it is missing, else takes group and others' rights away.
    void makeOwnerOnly() const;

    std::unique_ptr<QSettings> m_settings;
};

} // namespace aru
