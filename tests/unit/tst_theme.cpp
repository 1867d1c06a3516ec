#include "AppTheme.h"
#include "FontRegistry.h"
#include "TestHome.h"
#include "Theme.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QtTest/QTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace aru;

class TestTheme : public QObject {
    Q_OBJECT

private slots:
    void appThemeRawValues_data();
    void appThemeRawValues();
    void fonts_data();
    void fonts();
    void labelStyles();
    void bundledFontsResolve();
    void qmlSingleton();
};

void TestTheme::appThemeRawValues_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<int>("expected"); // -1: not a theme

    QTest::newRow("dark") << u"dark"_s << int(AppTheme::Dark);
    QTest::newRow("light") << u"light"_s << int(AppTheme::Light);
    QTest::newRow("capitalised") << u"Dark"_s << -1;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("other") << u"de"_s << -1;
}

void TestTheme::appThemeRawValues() {
    QFETCH(QString, raw);
    QFETCH(int, expected);
    const std::optional<AppTheme> theme = AppThemes::fromRawValue(raw);
    if (expected < 0) {
        QVERIFY(!theme.has_value());
        return;
    }
    QVERIFY(theme.has_value());
    QCOMPARE(int(*theme), expected);
    QCOMPARE(AppThemes::rawValue(*theme), raw);
}

void TestTheme::fonts_data() {
    QTest::addColumn<QFont>("font");
    QTest::addColumn<bool>("display");
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("weight");

    QTest::newRow("displayLarge") << Theme::Font::displayLarge() << true << 48.0
                                  << int(QFont::Light);
    QTest::newRow("trackTitle") << Theme::Font::trackTitle() << true << 19.0 << int(QFont::Light);
    QTest::newRow("body") << Theme::Font::body() << false << 13.0 << int(QFont::Normal);
    QTest::newRow("tag") << Theme::Font::tag() << false << 9.5 << int(QFont::Medium);
}

void TestTheme::fonts() {
    QFETCH(QFont, font);
    QFETCH(bool, display);
    QFETCH(double, points);
    QFETCH(int, weight);
    // Design sizes are logical pixels: a Qt point draws as 96/72 of them.
    QCOMPARE(font.pointSizeF() * 96.0 / 72.0, points);
    QCOMPARE(int(font.weight()), weight);
    const QString system = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QCOMPARE(font.family(), display ? Theme::Font::displayFamily.toString() : system);
}

void TestTheme::labelStyles() {
    const LabelStyle chip = Theme::tagStyle(Theme::Color::tagMood, Theme::Color::tagMoodBg);
    QCOMPARE(chip.font.pointSizeF() * 96.0 / 72.0, 9.5);
    // Upper case and tracking live in the font, so measuring "calm" gives the width of the drawn
    // CALM with 1.5 more per letter.
    const qreal measured = QFontMetricsF(chip.font).horizontalAdvance(u"calm"_s);
    const qreal upper = QFontMetricsF(Theme::Font::tag()).horizontalAdvance(u"CALM"_s);
    QCOMPARE(measured, upper + 4 * 1.5);

    const LabelStyle& button = Theme::accentButton();
    QCOMPARE(button.font, chip.font);
}

void TestTheme::bundledFontsResolve() {
    QVERIFY(FontRegistry::registerBundledFonts());
    QVERIFY(FontRegistry::registerBundledFonts()); // a second call is harmless
    QCOMPARE(FontRegistry::iconFamily(), u"Material Design Icons"_s);

    // Without the bundled file the platform would substitute its default face.
    const QFontInfo display(Theme::Font::displayLarge());
    QCOMPARE(display.family(), Theme::Font::displayFamily.toString());
    QCOMPARE(display.styleName(), u"Light"_s);
    const QFontInfo byDesignName{QFont(Theme::Font::designFamily.toString())};
    QCOMPARE(byDesignName.family(), Theme::Font::designFamily.toString());

    QFont icons(FontRegistry::iconFamily());
    QCOMPARE(QFontInfo(icons).family(), FontRegistry::iconFamily());
}

void TestTheme::qmlSingleton() {
    QQmlEngine engine;
    engine.addImportPath(u"qrc:/qt/qml"_s);
    QQmlComponent component(&engine);
    component.setData(R"(
        import QtQuick
        import Aru
        QtObject {
            property color accent: Theme.accent
            property color moodBg: Theme.tagMoodBg
            property real tagPoints: Theme.fontTag.pointSize
            property string titleFamily: Theme.fontTrackTitle.family
            property bool labelUpperCase: Theme.fontLabel.capitalization === Font.AllUppercase
            property string icons: Theme.iconFamily
        }
    )",
                      QUrl(u"qrc:/tst_theme/Probe.qml"_s));
    std::unique_ptr<QObject> probe(component.create());
    QVERIFY2(probe, qPrintable(component.errorString()));

    QCOMPARE(probe->property("accent").value<QColor>(), Theme::Color::accent);
    QCOMPARE(probe->property("moodBg").value<QColor>(), Theme::Color::tagMoodBg);
    QCOMPARE(probe->property("tagPoints").toDouble() * 96.0 / 72.0, 9.5);
    QCOMPARE(probe->property("titleFamily").toString(), Theme::Font::displayFamily.toString());
    QVERIFY(probe->property("labelUpperCase").toBool());
    QCOMPARE(probe->property("icons").toString(), u"Material Design Icons"_s);
}

ARU_TEST_MAIN(TestTheme)
#include "tst_theme.moc"
