#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace aru {

// The window's colour scheme. The design tokens are the same in both.
enum class AppTheme { Dark, Light };

namespace AppThemes {

// "dark" or "light": the stored form.
QString rawValue(AppTheme theme);
// The theme for exactly "dark" or "light", otherwise none.
std::optional<AppTheme> fromRawValue(QStringView raw);

} // namespace AppThemes
} // namespace aru
