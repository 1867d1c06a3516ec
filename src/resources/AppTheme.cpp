#include "AppTheme.h"

using namespace Qt::StringLiterals;

namespace aru::AppThemes {

QString rawValue(AppTheme theme) {
    return theme == AppTheme::Light ? u"light"_s : u"dark"_s;
}

std::optional<AppTheme> fromRawValue(QStringView raw) {
    if (raw == u"dark")
        return AppTheme::Dark;
    if (raw == u"light")
        return AppTheme::Light;
    return std::nullopt;
}

} // namespace aru::AppThemes
