#pragma once

#include "AppLanguage.h"

#include <QHash>
#include <QString>
#include <QStringView>
#include <array>

// The interface texts in the four languages, and the display names of the catalogue's tag words.
// Both tables are built on first use and never change; the lookups run in view bindings for every
// row, so they allocate nothing beyond what the caller gets back.
namespace aru::L10n {

// One entry's texts, indexed by AppLanguage. A null string means "no text in that language".
using Texts = std::array<QString, AppLanguages::all.size()>;
using Table = QHash<QString, Texts>;

// Interface text key (ASCII, dotted, e.g. "login.title") -> its texts.
const Table& strings();
// English tag word in lower case -> its French, Japanese and Spanish display texts. English is
// never stored: a tag is shown in English exactly as the catalogue spells it.
const Table& tagTranslations();

// The text for the key in that language; else its English text; else the key itself, so a
// missing text shows which key is missing.
QString t(QStringView key, AppLanguage language);
// The tag's display text in that language, looked up lower-cased; the tag unchanged in English
// or when it is not a known tag word.
QString translateTag(const QString& tag, AppLanguage language);

} // namespace aru::L10n
