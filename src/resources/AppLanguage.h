#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>

namespace aru {

// The interface language. The order is the one the language menu lists.
enum class AppLanguage { En, Fr, Ja, Es };

namespace AppLanguages {

inline constexpr std::array<AppLanguage, 4> all{AppLanguage::En, AppLanguage::Fr, AppLanguage::Ja,
                                                AppLanguage::Es};

// "en", "fr", "ja" or "es": the stored form.
QString rawValue(AppLanguage language);
// The language for exactly one of the four raw values, otherwise none.
std::optional<AppLanguage> fromRawValue(QStringView raw);
// The language's own name, shown untranslated in the language menu.
QString displayName(AppLanguage language);
// Chosen from the first of the user's preferred languages (tags such as "fr-FR").
AppLanguage systemDefault(const QStringList& preferredLanguages);
// The same, from the platform's list of preferred interface languages.
AppLanguage systemDefault();

} // namespace AppLanguages
} // namespace aru
