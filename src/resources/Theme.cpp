#include "Theme.h"

#include <QFontDatabase>

namespace aru::Theme {

namespace {

// The design's sizes are logical pixels, while Qt on Linux draws a font point as 96/72 logical
// pixels; scaling keeps fractional sizes such as 9.5, which pixel sizes cannot express.
constexpr qreal fontPointsPerDesignUnit = 72.0 / 96.0;

QFont displayFont(qreal designSize) {
    QFont font(Font::displayFamily.toString());
    font.setWeight(QFont::Light);
    font.setPointSizeF(designSize * fontPointsPerDesignUnit);
    return font;
}

QFont systemFont(qreal designSize, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(designSize * fontPointsPerDesignUnit);
    font.setWeight(weight);
    return font;
}

} // namespace

namespace Font {

const QFont& displayLarge() {
    static const QFont font = displayFont(48);
    return font;
}

const QFont& displayMedium() {
    static const QFont font = displayFont(32);
    return font;
}

const QFont& title() {
    static const QFont font = displayFont(22);
    return font;
}

const QFont& trackTitle() {
    static const QFont font = displayFont(19);
    return font;
}

const QFont& body() {
    static const QFont font = systemFont(13, QFont::Normal);
    return font;
}

const QFont& bodySmall() {
    static const QFont font = systemFont(12, QFont::Normal);
    return font;
}

const QFont& tag() {
    static const QFont font = systemFont(9.5, QFont::Medium);
    return font;
}

} // namespace Font

const QFont& labelFont() {
    static const QFont font = [] {
        QFont f = Font::tag();
        f.setCapitalization(QFont::AllUppercase);
        f.setLetterSpacing(QFont::AbsoluteSpacing, labelLetterSpacing);
        return f;
    }();
    return font;
}

LabelStyle tagStyle(const QColor& color, const QColor& background) {
    return LabelStyle{labelFont(), color, background, tagPaddingH, tagPaddingV, labelRadius};
}

const LabelStyle& accentButton() {
    static const LabelStyle style{labelFont(),          Color::accent,        Color::accentSoft,
                                  accentButtonPaddingH, accentButtonPaddingV, labelRadius};
    return style;
}

} // namespace aru::Theme
