#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace aru::SemanticSearch {

// The local vocabulary: lower-case English and French words and short phrases that people use to
// describe a scene, each mapped to the catalogue tags (title case) that such a scene calls for.
// Built on first use and never changed.
const QHash<QString, QStringList>& map();

// The tags for what the user typed, without asking the server: the whole text when it is a key,
// otherwise every adjacent word pair that is a key, then every word that is one, each tag once,
// in that order. Words are separated by spaces only; other punctuation and white space belong to
// the word. Empty when the vocabulary knows nothing of the text.
QStringList tags(const QString& text);

} // namespace aru::SemanticSearch
