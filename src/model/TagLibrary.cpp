#include "TagLibrary.h"

#include "JsonFields.h"

#include <QJsonArray>
#include <array>

namespace aru {

namespace {

struct ListField {
    QLatin1String key;
    std::optional<QStringList> TagLibrary::*member;
};

const std::array<ListField, 5> listFields{{
    {QLatin1String("moods"), &TagLibrary::moods},
    {QLatin1String("genres"), &TagLibrary::genres},
    {QLatin1String("instruments"), &TagLibrary::instruments},
    {QLatin1String("themes"), &TagLibrary::themes},
    {QLatin1String("tempos"), &TagLibrary::tempos},
}};

} // namespace

Decoded<TagLibrary> TagLibrary::fromJson(const QJsonObject& object) {
    TagLibrary library;
    for (const ListField& field : listFields) {
        const QJsonValue value = object.value(field.key);
        if (value.isUndefined() || value.isNull())
            continue;
        auto list = JsonFields::stringList(value);
        if (!list)
            return Decoded<TagLibrary>::failure(QStringLiteral("tagLibrary.") + field.key +
                                                QStringLiteral(" is not a list of strings"));
        library.*field.member = std::move(*list);
    }
    return Decoded<TagLibrary>::success(std::move(library));
}

QJsonObject TagLibrary::toJson() const {
    QJsonObject object;
    for (const ListField& field : listFields) {
        if (const auto& list = this->*field.member)
            object.insert(field.key, QJsonArray::fromStringList(*list));
    }
    return object;
}

} // namespace aru
