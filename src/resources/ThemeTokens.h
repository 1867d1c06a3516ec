#pragma once

#include "Theme.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace aru {

// The design tokens for QML, as the singleton "Theme": views write Theme.accent, Theme.fontTag,
// Theme.pageH. Every property is constant; the values come from aru::Theme.
class ThemeTokens : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Theme)
    QML_SINGLETON

    Q_PROPERTY(QColor bgDark READ bgDark CONSTANT)
    Q_PROPERTY(QColor surfaceDark READ surfaceDark CONSTANT)
    Q_PROPERTY(QColor surface2Dark READ surface2Dark CONSTANT)
    Q_PROPERTY(QColor textDark READ textDark CONSTANT)
    Q_PROPERTY(QColor textDimDark READ textDimDark CONSTANT)
    Q_PROPERTY(QColor textMutedDark READ textMutedDark CONSTANT)
    Q_PROPERTY(QColor textFaintDark READ textFaintDark CONSTANT)
    Q_PROPERTY(QColor accent READ accent CONSTANT)
    Q_PROPERTY(QColor accentSoft READ accentSoft CONSTANT)
    Q_PROPERTY(QColor borderDark READ borderDark CONSTANT)
    Q_PROPERTY(QColor borderSubDark READ borderSubDark CONSTANT)
    Q_PROPERTY(QColor tagGenre READ tagGenre CONSTANT)
    Q_PROPERTY(QColor tagMood READ tagMood CONSTANT)
    Q_PROPERTY(QColor tagMoodBg READ tagMoodBg CONSTANT)

    Q_PROPERTY(QFont fontDisplayLarge READ fontDisplayLarge CONSTANT)
    Q_PROPERTY(QFont fontDisplayMedium READ fontDisplayMedium CONSTANT)
    Q_PROPERTY(QFont fontTitle READ fontTitle CONSTANT)
    Q_PROPERTY(QFont fontTrackTitle READ fontTrackTitle CONSTANT)
    Q_PROPERTY(QFont fontBody READ fontBody CONSTANT)
    Q_PROPERTY(QFont fontBodySmall READ fontBodySmall CONSTANT)
    Q_PROPERTY(QFont fontTag READ fontTag CONSTANT)
    // The tag font in upper case with the labels' tracking: the text of chips and accent buttons.
    Q_PROPERTY(QFont fontLabel READ fontLabel CONSTANT)
    Q_PROPERTY(QString displayFamily READ displayFamily CONSTANT)
    Q_PROPERTY(QString iconFamily READ iconFamily CONSTANT)

    Q_PROPERTY(qreal pageH READ pageH CONSTANT)
    Q_PROPERTY(qreal rowV READ rowV CONSTANT)
    Q_PROPERTY(qreal coverGap READ coverGap CONSTANT)
    Q_PROPERTY(qreal cover READ cover CONSTANT)

    Q_PROPERTY(qreal labelRadius READ labelRadius CONSTANT)
    Q_PROPERTY(qreal labelLetterSpacing READ labelLetterSpacing CONSTANT)
    Q_PROPERTY(qreal tagPaddingH READ tagPaddingH CONSTANT)
    Q_PROPERTY(qreal tagPaddingV READ tagPaddingV CONSTANT)
    Q_PROPERTY(qreal accentButtonPaddingH READ accentButtonPaddingH CONSTANT)
    Q_PROPERTY(qreal accentButtonPaddingV READ accentButtonPaddingV CONSTANT)

public:
    // Registers the bundled fonts if the application has not yet, so the families resolve.
    explicit ThemeTokens(QObject* parent = nullptr);

    QColor bgDark() const { return Theme::Color::bgDark; }
    QColor surfaceDark() const { return Theme::Color::surfaceDark; }
    QColor surface2Dark() const { return Theme::Color::surface2Dark; }
    QColor textDark() const { return Theme::Color::textDark; }
    QColor textDimDark() const { return Theme::Color::textDimDark; }
    QColor textMutedDark() const { return Theme::Color::textMutedDark; }
    QColor textFaintDark() const { return Theme::Color::textFaintDark; }
    QColor accent() const { return Theme::Color::accent; }
    QColor accentSoft() const { return Theme::Color::accentSoft; }
    QColor borderDark() const { return Theme::Color::borderDark; }
    QColor borderSubDark() const { return Theme::Color::borderSubDark; }
    QColor tagGenre() const { return Theme::Color::tagGenre; }
    QColor tagMood() const { return Theme::Color::tagMood; }
    QColor tagMoodBg() const { return Theme::Color::tagMoodBg; }

    QFont fontDisplayLarge() const { return Theme::Font::displayLarge(); }
    QFont fontDisplayMedium() const { return Theme::Font::displayMedium(); }
    QFont fontTitle() const { return Theme::Font::title(); }
    QFont fontTrackTitle() const { return Theme::Font::trackTitle(); }
    QFont fontBody() const { return Theme::Font::body(); }
    QFont fontBodySmall() const { return Theme::Font::bodySmall(); }
    QFont fontTag() const { return Theme::Font::tag(); }
    QFont fontLabel() const { return Theme::labelFont(); }
    QString displayFamily() const { return Theme::Font::displayFamily.toString(); }
    QString iconFamily() const;
    // The icon font's glyph for one of the design's symbol names.
    Q_INVOKABLE QString iconGlyph(const QString& symbolName) const;

    qreal pageH() const { return Theme::Spacing::pageH; }
    qreal rowV() const { return Theme::Spacing::rowV; }
    qreal coverGap() const { return Theme::Spacing::coverGap; }
    qreal cover() const { return Theme::Spacing::cover; }

    qreal labelRadius() const { return Theme::labelRadius; }
    qreal labelLetterSpacing() const { return Theme::labelLetterSpacing; }
    qreal tagPaddingH() const { return Theme::tagPaddingH; }
    qreal tagPaddingV() const { return Theme::tagPaddingV; }
    qreal accentButtonPaddingH() const { return Theme::accentButtonPaddingH; }
    qreal accentButtonPaddingV() const { return Theme::accentButtonPaddingV; }
};

} // namespace aru
