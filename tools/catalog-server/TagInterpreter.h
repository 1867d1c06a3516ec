#pragma once

#include <QString>
#include <QStringList>

namespace aru::server {

// Stands in for the label's language model: turns a free-text query into tags, always chosen from
// the tags the client says it can filter on, and always the same tags for the same input.
class TagInterpreter {
public:
    static QStringList interpret(const QString& query, const QStringList& availableTags);

    // The candidates that are available, in candidate order, spelled as the client spells them,
    // without repeats and at most `limit` of them.
    static QStringList pickAvailable(const QStringList& candidates,
                                     const QStringList& availableTags, int limit);
    // `count` available tags chosen by `key`, for inputs nothing else recognises.
    static QStringList fallback(const QString& key, const QStringList& availableTags, int count);
};

} // namespace aru::server
