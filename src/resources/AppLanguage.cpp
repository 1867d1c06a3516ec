#include "AppLanguage.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace aru::AppLanguages {

QString rawValue(AppLanguage language) {
    switch (language) {
    case AppLanguage::En:
        return u"en"_s;
    case AppLanguage::Fr:
        return u"fr"_s;
    case AppLanguage::Ja:
        return u"ja"_s;
    case AppLanguage::Es:
        return u"es"_s;
    }
    return u"en"_s;
}

std::optional<AppLanguage> fromRawValue(QStringView raw) {
    for (AppLanguage language : all) {
        if (raw == rawValue(language))
            return language;
    }
    return std::nullopt;
}

QString displayName(AppLanguage language) {
    switch (language) {
    case AppLanguage::En:
        return u"English"_s;
    case AppLanguage::Fr:
        return u"Français"_s;
    case AppLanguage::Ja:
        return u"日本語"_s;
    case AppLanguage::Es:
        return u"Español"_s;
    }
    return u"English"_s;
}

AppLanguage systemDefault(const QStringList& preferredLanguages) {
    // Only the most preferred language counts: a German speaker who also reads French still
    // gets English, the language every text exists in.
    const QString first =
        preferredLanguages.isEmpty() ? u"en"_s : preferredLanguages.first().toLower();
    if (first.startsWith(u"fr"))
        return AppLanguage::Fr;
    if (first.startsWith(u"ja"))
        return AppLanguage::Ja;
    if (first.startsWith(u"es"))
        return AppLanguage::Es;
    return AppLanguage::En;
}

AppLanguage systemDefault() {
    return systemDefault(QLocale::system().uiLanguages());
}

} // namespace aru::AppLanguages
