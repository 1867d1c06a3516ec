#include "FavoritesStore.h"

#include "JsonFile.h"

#include <QJsonArray>
#include <algorithm>
#include <limits>

namespace aru::server {

FavoritesStore::FavoritesStore(QString path)
    : m_path(std::move(path)) {
    load();
}

void FavoritesStore::load() {
    const auto saved = JsonFile::read(m_path);
    if (!saved)
        return;
    constexpr auto kInvalid = std::numeric_limits<qint64>::min();
    for (auto it = saved->begin(); it != saved->end(); ++it) {
        std::vector<std::int64_t> ids;
        for (const QJsonValue& value : it.value().toArray()) {
            const qint64 id = value.toInteger(kInvalid);
            if (id != kInvalid)
                ids.push_back(id);
        }
        m_idsByEmail[it.key()] = std::move(ids);
    }
}

void FavoritesStore::save() const {
    QJsonObject object;
    for (const auto& [email, ids] : m_idsByEmail) {
        QJsonArray array;
        for (const std::int64_t id : ids)
            array.append(static_cast<qint64>(id));
        object.insert(email, array);
    }
    JsonFile::write(m_path, object, false);
}

std::vector<std::int64_t> FavoritesStore::list(const QString& email) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_idsByEmail.find(email);
    return it == m_idsByEmail.end() ? std::vector<std::int64_t>() : it->second;
}

std::vector<std::int64_t> FavoritesStore::add(const QString& email, std::int64_t trackId) {
    std::lock_guard lock(m_mutex);
    auto& ids = m_idsByEmail[email];
    if (std::find(ids.begin(), ids.end(), trackId) == ids.end()) {
        ids.push_back(trackId);
        save();
    }
    return ids;
}

std::vector<std::int64_t> FavoritesStore::remove(const QString& email, std::int64_t trackId) {
    std::lock_guard lock(m_mutex);
    auto& ids = m_idsByEmail[email];
    const auto end = std::remove(ids.begin(), ids.end(), trackId);
    if (end != ids.end()) {
        ids.erase(end, ids.end());
        save();
    }
    return ids;
}

} // namespace aru::server
