#include "AppLanguage.h"
#include "L10n.h"
#include "TestHome.h"

#include <QtTest/QTest>

using namespace Qt::StringLiterals;
using namespace aru;

Q_DECLARE_METATYPE(aru::AppLanguage)
Q_DECLARE_METATYPE(std::optional<aru::AppLanguage>)

class TestL10n : public QObject {
    Q_OBJECT

private slots:
    void tablesAreComplete() {
        // The tables are built from lists: a key typed twice would silently replace the first one
        // and lower these counts.
        const L10n::Table& strings = L10n::strings();
        QCOMPARE(strings.size(), 78);
        for (auto it = strings.cbegin(); it != strings.cend(); ++it) {
            for (AppLanguage language : AppLanguages::all)
                QVERIFY2(!it.value()[std::size_t(language)].isEmpty(),
                         qPrintable(it.key() + u" / "_s + AppLanguages::rawValue(language)));
        }
        const L10n::Table& tags = L10n::tagTranslations();
        QCOMPARE(tags.size(), 38);
        for (auto it = tags.cbegin(); it != tags.cend(); ++it) {
            // The lookup lower-cases the catalogue's tag, so a key with a capital never matches.
            QCOMPARE(it.key(), it.key().toLower());
            QVERIFY(it.value()[std::size_t(AppLanguage::En)].isNull());
            for (AppLanguage language : {AppLanguage::Fr, AppLanguage::Ja, AppLanguage::Es})
                QVERIFY2(!it.value()[std::size_t(language)].isEmpty(), qPrintable(it.key()));
        }
    }

    void unknownKeysShowThemselves() {
        for (AppLanguage language : AppLanguages::all) {
            QCOMPARE(L10n::t(u"catalog.unknown", language), u"catalog.unknown"_s);
            // Keys are exact: no case folding, no prefix match.
            QCOMPARE(L10n::t(u"Player.Play", language), u"Player.Play"_s);
            QCOMPARE(L10n::t(u"player", language), u"player"_s);
            QCOMPARE(L10n::t(u"", language), QString());
        }
    }

    void translateTag_data() {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("capitalised") << u"Dark"_s << AppLanguage::Fr << u"Sombre"_s;
        QTest::newRow("english keeps the catalogue's spelling")
            << u"DARK"_s << AppLanguage::En << u"DARK"_s;
        QTest::newRow("no partial match")
            << u"Dark Ambient"_s << AppLanguage::Fr << u"Dark Ambient"_s;
        QTest::newRow("upper case with hyphen")
            << u"NEO-CLASSICAL"_s << AppLanguage::Es << u"Neoclásico"_s;
        QTest::newRow("not trimmed") << u"dark "_s << AppLanguage::Fr << u"dark "_s;
        QTest::newRow("unknown keeps its case") << u"Lo-Fi"_s << AppLanguage::Ja << u"Lo-Fi"_s;
        // Full Unicode lower-casing: the Kelvin sign lower-cases to an ASCII k.
        QTest::newRow("non-ascii lower-cases to a tag")
            << u"Dar\u212A"_s << AppLanguage::Es << u"Oscuro"_s;
    }
    void translateTag() {
        QFETCH(QString, tag);
        QFETCH(AppLanguage, language);
        QFETCH(QString, expected);
        QCOMPARE(L10n::translateTag(tag, language), expected);
    }

    void systemDefault_data() {
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<AppLanguage>("expected");
        QTest::newRow("japanese first") << QStringList{u"ja-JP"_s, u"en-US"_s} << AppLanguage::Ja;
        QTest::newRow("only the first counts")
            << QStringList{u"pt-BR"_s, u"fr-FR"_s} << AppLanguage::En;
        QTest::newRow("none") << QStringList() << AppLanguage::En;
        QTest::newRow("upper case") << QStringList{u"FR-ca"_s} << AppLanguage::Fr;
        QTest::newRow("bare spanish") << QStringList{u"es"_s} << AppLanguage::Es;
        QTest::newRow("empty tag") << QStringList{QString(), u"fr"_s} << AppLanguage::En;
    }
    void systemDefault() {
        QFETCH(QStringList, preferred);
        QFETCH(AppLanguage, expected);
        QCOMPARE(AppLanguages::systemDefault(preferred), expected);
    }

    // The stored form of the choice: exactly the four codes, read back as written.
    void rawValues_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<std::optional<AppLanguage>>("language");
        QTest::newRow("en") << u"en"_s << std::optional(AppLanguage::En);
        QTest::newRow("fr") << u"fr"_s << std::optional(AppLanguage::Fr);
        QTest::newRow("ja") << u"ja"_s << std::optional(AppLanguage::Ja);
        QTest::newRow("es") << u"es"_s << std::optional(AppLanguage::Es);
        QTest::newRow("display name") << u"English"_s << std::optional<AppLanguage>();
        QTest::newRow("empty") << QString() << std::optional<AppLanguage>();
        QTest::newRow("region") << u"fr-FR"_s << std::optional<AppLanguage>();
        QTest::newRow("padded") << u" ja"_s << std::optional<AppLanguage>();
    }
    void rawValues() {
        QFETCH(QString, raw);
        QFETCH(std::optional<AppLanguage>, language);
        QCOMPARE(AppLanguages::fromRawValue(raw), language);
        if (language)
            QCOMPARE(AppLanguages::rawValue(*language), raw);
    }
};

ARU_TEST_MAIN(TestL10n)
#include "tst_l10n.moc"
