#include "AppLanguage.h"
#include "L10n.h"
#include "TestHome.h"

#include <QtTest/QTest>

using namespace Qt::StringLiterals;
using namespace aru;

Q_DECLARE_METATYPE(aru::AppLanguage)

class TestL10n : public QObject {
    Q_OBJECT

private slots:
    void tablesAreComplete();
    void exactTexts_data();
    void exactTexts();
    void unknownKeyShowsItself_data();
    void unknownKeyShowsItself();
    void translateTag_data();
    void translateTag();
    void systemDefault_data();
    void systemDefault();
    void rawValues();
    void rejectsOtherRawValues_data();
    void rejectsOtherRawValues();
};

void TestL10n::tablesAreComplete() {
    const L10n::Table& strings = L10n::strings();
    QCOMPARE(strings.size(), 63);
    for (auto it = strings.cbegin(); it != strings.cend(); ++it) {
        for (AppLanguage language : AppLanguages::all)
            QVERIFY2(!it.value()[std::size_t(language)].isEmpty(),
                     qPrintable(it.key() + u" / "_s + AppLanguages::rawValue(language)));
    }

    const L10n::Table& tags = L10n::tagTranslations();
    QCOMPARE(tags.size(), 38);
    for (auto it = tags.cbegin(); it != tags.cend(); ++it) {
        // The lookup lower-cases the catalogue's tag, so a key with a capital would never match.
        QCOMPARE(it.key(), it.key().toLower());
        QVERIFY(it.value()[std::size_t(AppLanguage::En)].isNull());
        for (AppLanguage language : {AppLanguage::Fr, AppLanguage::Ja, AppLanguage::Es})
            QVERIFY2(!it.value()[std::size_t(language)].isEmpty(), qPrintable(it.key()));
    }
}

void TestL10n::exactTexts_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<AppLanguage>("language");
    QTest::addColumn<QString>("expected");

    // "player.play" in every language: tst_app_state (through AppState.t, also from QML).
    QTest::newRow("emoji prefix") << u"settings.audio.title"_s << AppLanguage::Fr
                                  << u"🔊 Sortie audio"_s;
    QTest::newRow("emoji ja") << u"settings.language.title"_s << AppLanguage::Ja << u"🌐 言語"_s;
    QTest::newRow("one-character ellipsis")
        << u"settings.folder.change"_s << AppLanguage::En << u"Change\u2026"_s;
    QTest::newRow("ellipsis ja") << u"login.submit.loading"_s << AppLanguage::Ja
                                 << u"ログイン中\u2026"_s;
    QTest::newRow("plain space before ?")
        << u"login.forgotPassword"_s << AppLanguage::Fr << u"Mot de passe oubli\u00e9 ?"_s;
    QTest::newRow("inverted ?") << u"login.forgotPassword"_s << AppLanguage::Es
                                << u"¿Olvidaste tu contraseña?"_s;
    QTest::newRow("parentheses ja")
        << u"settings.audio.systemDefault"_s << AppLanguage::Ja << u"システム出力(デフォルト)"_s;
    QTest::newRow("arrow") << u"login.reset.back"_s << AppLanguage::Fr
                           << u"\u2190 Retour à la connexion"_s;
    QTest::newRow("middle dot") << u"drag.help.idle"_s << AppLanguage::En
                                << u"Click to download \u00b7 Hover to prep drag"_s;
    QTest::newRow("tagline es") << u"header.tagline"_s << AppLanguage::Es
                                << u"MÚSICA PARA CINE, TELEVISIÓN, PUBLICIDAD Y MEDIOS"_s;
    QTest::newRow("same in all") << u"track.bpm"_s << AppLanguage::Ja << u"BPM"_s;
}

void TestL10n::exactTexts() {
    QFETCH(QString, key);
    QFETCH(AppLanguage, language);
    QFETCH(QString, expected);
    QCOMPARE(L10n::t(key, language), expected);
}

void TestL10n::unknownKeyShowsItself_data() {
    QTest::addColumn<AppLanguage>("language");
    for (AppLanguage language : AppLanguages::all)
        QTest::newRow(qPrintable(AppLanguages::rawValue(language))) << language;
}

void TestL10n::unknownKeyShowsItself() {
    QFETCH(AppLanguage, language);
    QCOMPARE(L10n::t(u"catalog.unknown", language), u"catalog.unknown"_s);
    // Keys are exact: no case folding, no trimming.
    QCOMPARE(L10n::t(u"Player.Play", language), u"Player.Play"_s);
    QCOMPARE(L10n::t(u"", language), QString());
    // A key that is only the beginning of another one is not that key.
    QCOMPARE(L10n::t(u"player", language), u"player"_s);
}

void TestL10n::translateTag_data() {
    QTest::addColumn<QString>("tag");
    QTest::addColumn<AppLanguage>("language");
    QTest::addColumn<QString>("expected");

    QTest::newRow("capitalised") << u"Dark"_s << AppLanguage::Fr << u"Sombre"_s;
    QTest::newRow("english keeps the catalogue's spelling")
        << u"DARK"_s << AppLanguage::En << u"DARK"_s;
    QTest::newRow("no partial match") << u"Dark Ambient"_s << AppLanguage::Fr << u"Dark Ambient"_s;
    QTest::newRow("upper case with hyphen")
        << u"NEO-CLASSICAL"_s << AppLanguage::Es << u"Neoclásico"_s;
    QTest::newRow("japanese") << u"calm"_s << AppLanguage::Ja << u"穏やか"_s;
    QTest::newRow("apostrophe in text") << u"Hopeful"_s << AppLanguage::Fr << u"Plein d'espoir"_s;
    QTest::newRow("not trimmed") << u"dark "_s << AppLanguage::Fr << u"dark "_s;
    QTest::newRow("unknown keeps its case") << u"Lo-Fi"_s << AppLanguage::Ja << u"Lo-Fi"_s;
    QTest::newRow("empty") << QString() << AppLanguage::Es << QString();
    // Full Unicode lower-casing: the Kelvin sign lower-cases to an ASCII k.
    QTest::newRow("non-ascii lower-cases to a tag")
        << u"Dar\u212A"_s << AppLanguage::Es << u"Oscuro"_s;
    QTest::newRow("non-ascii unknown") << u"Éthéré"_s << AppLanguage::Fr << u"Éthéré"_s;
}

void TestL10n::translateTag() {
    QFETCH(QString, tag);
    QFETCH(AppLanguage, language);
    QFETCH(QString, expected);
    QCOMPARE(L10n::translateTag(tag, language), expected);
}

void TestL10n::systemDefault_data() {
    QTest::addColumn<QStringList>("preferred");
    QTest::addColumn<AppLanguage>("expected");

    QTest::newRow("japanese first") << QStringList{u"ja-JP"_s, u"en-US"_s} << AppLanguage::Ja;
    QTest::newRow("only the first counts")
        << QStringList{u"pt-BR"_s, u"fr-FR"_s} << AppLanguage::En;
    QTest::newRow("none") << QStringList() << AppLanguage::En;
    QTest::newRow("upper case") << QStringList{u"FR-ca"_s} << AppLanguage::Fr;
    QTest::newRow("bare spanish") << QStringList{u"es"_s} << AppLanguage::Es;
    QTest::newRow("english") << QStringList{u"en-GB"_s, u"ja"_s} << AppLanguage::En;
    QTest::newRow("empty tag") << QStringList{QString(), u"fr"_s} << AppLanguage::En;
}

void TestL10n::systemDefault() {
    QFETCH(QStringList, preferred);
    QFETCH(AppLanguage, expected);
    QCOMPARE(AppLanguages::systemDefault(preferred), expected);
}

void TestL10n::rawValues() {
    const QStringList raw{u"en"_s, u"fr"_s, u"ja"_s, u"es"_s};
    const QStringList names{u"English"_s, u"Français"_s, u"日本語"_s, u"Español"_s};
    for (std::size_t i = 0; i < AppLanguages::all.size(); ++i) {
        const AppLanguage language = AppLanguages::all[i];
        QCOMPARE(AppLanguages::rawValue(language), raw[qsizetype(i)]);
        QCOMPARE(AppLanguages::fromRawValue(raw[qsizetype(i)]), language);
        QCOMPARE(AppLanguages::displayName(language), names[qsizetype(i)]);
    }
}

void TestL10n::rejectsOtherRawValues_data() {
    QTest::addColumn<QString>("raw");
    QTest::newRow("display name") << u"English"_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("region") << u"fr-FR"_s;
    QTest::newRow("padded") << u" ja"_s;
}

void TestL10n::rejectsOtherRawValues() {
    QFETCH(QString, raw);
    QVERIFY(!AppLanguages::fromRawValue(raw).has_value());
}

ARU_TEST_MAIN(TestL10n)
#include "tst_l10n.moc"
