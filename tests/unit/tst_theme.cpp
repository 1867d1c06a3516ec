#include "AppTheme.h"
#include "FontRegistry.h"
#include "IconGlyphs.h"
#include "TestHome.h"
#include "Theme.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QRawFont>
#include <QtTest/QTest>

using namespace Qt::StringLiterals;
using namespace aru;

class TestTheme : public QObject {
    Q_OBJECT

private slots:
    void appThemeRawValues_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<int>("expected"); // -1: not a theme
        QTest::newRow("dark") << u"dark"_s << int(AppTheme::Dark);
        QTest::newRow("light") << u"light"_s << int(AppTheme::Light);
        QTest::newRow("capitalised") << u"Dark"_s << -1;
        QTest::newRow("empty") << QString() << -1;
    }
    void appThemeRawValues() {
        QFETCH(QString, raw);
        QFETCH(int, expected);
        const std::optional<AppTheme> theme = AppThemes::fromRawValue(raw);
        QCOMPARE(theme ? int(*theme) : -1, expected);
        if (theme)
            QCOMPARE(AppThemes::rawValue(*theme), raw);
    }

    void fonts() {
        // Design sizes are logical pixels: a Qt point draws as 96/72 of them.
        QCOMPARE(Theme::Font::body().pointSizeF() * 96.0 / 72.0, 13.0);
        QCOMPARE(Theme::Font::body().family(),
                 QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
        // Upper case and tracking live in the font, so measuring "calm" gives the width of the
        // drawn CALM with 1.5 more per letter.
        const LabelStyle chip = Theme::tagStyle(Theme::Color::tagMood, Theme::Color::tagMoodBg);
        const qreal measured = QFontMetricsF(chip.font).horizontalAdvance(u"calm"_s);
        const qreal upper = QFontMetricsF(Theme::Font::tag()).horizontalAdvance(u"CALM"_s);
        QCOMPARE(measured, upper + 4 * 1.5);
        QCOMPARE(Theme::accentButton().font, chip.font);
    }

    void bundledFontsResolve() {
        QVERIFY(FontRegistry::registerBundledFonts());
        QVERIFY(FontRegistry::registerBundledFonts()); // a second call is harmless
        // Without the bundled file the platform would substitute its default face.
        const QFontInfo display(Theme::Font::displayLarge());
        QCOMPARE(display.family(), Theme::Font::displayFamily.toString());
        QCOMPARE(display.styleName(), u"Light"_s);
        const QFontInfo byDesignName{QFont(Theme::Font::designFamily.toString())};
        QCOMPARE(byDesignName.family(), Theme::Font::designFamily.toString());
        QCOMPARE(QFontInfo(QFont(FontRegistry::iconFamily())).family(), u"Material Design Icons"_s);

        // Every symbol the design draws has a distinct glyph the icon font really holds.
        const QRawFont icons = QRawFont::fromFont(QFont(FontRegistry::iconFamily()));
        QSet<QString> glyphs;
        for (const char* name :
             {"gearshape", "magnifyingglass", "xmark.circle.fill", "music.note", "arrow.down",
              "square.grid.3x3.fill", "heart", "heart.fill", "play.fill", "pause.fill",
              "backward.fill", "forward.fill", "speaker.wave.2.fill", "xmark",
              "photo.on.rectangle.angled", "folder", "ellipsis"}) {
            const QString glyph = IconGlyphs::glyph(QString::fromLatin1(name));
            QVERIFY2(glyph.size() == 1 && icons.supportsCharacter(glyph.at(0)), name);
            glyphs.insert(glyph);
        }
        QCOMPARE(glyphs.size(), 17);
        QVERIFY(IconGlyphs::glyph(u"not.a.symbol").isEmpty());
    }
};

ARU_TEST_MAIN(TestTheme)
#include "tst_theme.moc"
