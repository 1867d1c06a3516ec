#pragma once

#include <QString>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace aru::server {

// Each account's favourite track ids, in the order they were added, saved to one JSON file
// ({"e-mail": [ids…]}) after every change.
class FavoritesStore {
public:
    explicit FavoritesStore(QString path);

    std::vector<std::int64_t> list(const QString& email) const;
    std::vector<std::int64_t> add(const QString& email, std::int64_t trackId);
    std::vector<std::int64_t> remove(const QString& email, std::int64_t trackId);

private:
    void load();
    void save() const;

    QString m_path;
    mutable std::mutex m_mutex;
    std::map<QString, std::vector<std::int64_t>> m_idsByEmail;
};

} // namespace aru::server
