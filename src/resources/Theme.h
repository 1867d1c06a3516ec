#pragma once

#include "LabelStyle.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringView>

// The design tokens every screen draws with. They are the same in the dark and the light window
// scheme.
namespace aru::Theme {

namespace Color {
// Near-black backgrounds and panels, from the page up to raised elements.
inline const QColor bgDark = QColor::fromRgbF(0.039f, 0.039f, 0.039f);
inline const QColor surfaceDark = QColor::fromRgbF(0.067f, 0.067f, 0.067f);
inline const QColor surface2Dark = QColor::fromRgbF(0.086f, 0.086f, 0.086f);
// White text at decreasing emphasis.
inline const QColor textDark = QColor::fromRgbF(1.0f, 1.0f, 1.0f);
inline const QColor textDimDark = QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.74f);
inline const QColor textMutedDark = QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.58f);
inline const QColor textFaintDark = QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.36f);
// The one warm gold accent, and its faint wash for backgrounds.
inline const QColor accent = QColor::fromRgbF(0.784f, 0.663f, 0.431f);
inline const QColor accentSoft = QColor::fromRgbF(0.784f, 0.663f, 0.431f, 0.12f);
// Hairlines.
inline const QColor borderDark = QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.10f);
inline const QColor borderSubDark = QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.18f);
// Chip text (genre, mood) and the mood chip's background.
inline const QColor tagGenre = QColor::fromRgbF(0.941f, 0.722f, 0.541f);
inline const QColor tagMood = QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.86f);
inline const QColor tagMoodBg = QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.11f);
} // namespace Color

// Sizes are in points. The faces need the application object, so each font is built on first use.
namespace Font {
// The serif display face as the design names it. The bundled file registers it under two
// families, this one and displayFamily with the Light weight; the latter is used so the Light
// face is also picked from a system-wide installation of the whole family.
inline constexpr QStringView designFamily = u"Cormorant Garamond Light";
inline constexpr QStringView displayFamily = u"Cormorant Garamond";

const QFont& displayLarge();  // 48, display face, light
const QFont& displayMedium(); // 32, display face, light
const QFont& title();         // 22, display face, light
const QFont& trackTitle();    // 19, display face, light
const QFont& body();          // 13, system face, regular
const QFont& bodySmall();     // 12, system face, regular
const QFont& tag();           // 9.5, system face, medium
} // namespace Font

// In the interface's logical units.
namespace Spacing {
inline constexpr qreal pageH = 64;
inline constexpr qreal rowV = 14;
inline constexpr qreal coverGap = 20;
inline constexpr qreal cover = 80;
} // namespace Spacing

// Both label looks use the tag font in upper case with this tracking, and this corner radius.
inline constexpr qreal labelLetterSpacing = 1.5;
inline constexpr qreal labelRadius = 2;
inline constexpr qreal tagPaddingH = 9;
inline constexpr qreal tagPaddingV = 3;
inline constexpr qreal accentButtonPaddingH = 12;
inline constexpr qreal accentButtonPaddingV = 5;

// The tag font, upper case and tracked, as both label looks show it.
const QFont& labelFont();
// A tag chip: the given text colour on the given background.
LabelStyle tagStyle(const QColor& color, const QColor& background);
// The accent action label: accent text on the soft accent.
const LabelStyle& accentButton();

} // namespace aru::Theme
