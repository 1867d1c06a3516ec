#include "SemanticSearch.h"
#include "TestHome.h"

#include <QSet>

using namespace aru;

class SemanticSearchTest : public QObject {
    Q_OBJECT

private slots:
    void tableIsComplete() {
        const QHash<QString, QStringList>& map = SemanticSearch::map();
        // A key typed twice in the table would silently replace the first one.
        QCOMPARE(map.size(), 141);
        QSet<QString> distinctTags;
        int phrases = 0;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            const QString& key = it.key();
            // A key that is not lower-case and trimmed, or holds a double space, can never match.
            QCOMPARE(key, key.toLower().trimmed());
            QVERIFY2(!key.contains(QLatin1String("  ")), qPrintable(key));
            const qsizetype words = key.count(u' ') + 1;
            QVERIFY2(words <= 3, qPrintable(key));
            phrases += words > 1;
            const QStringList& tags = it.value();
            QVERIFY2(tags.size() >= 2 && tags.size() <= 4, qPrintable(key));
            QCOMPARE(QSet<QString>(tags.cbegin(), tags.cend()).size(), tags.size());
            distinctTags.unite(QSet<QString>(tags.cbegin(), tags.cend()));
        }
        QCOMPARE(phrases, 22 + 15);
        QCOMPARE(distinctTags.size(), 28);
    }

    void tags_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        const QStringList sad{"Melancholic", "Emotional", "Introspective"};
        const QStringList carChase{"Tension", "Energetic", "Intense"};
        const QStringList forest{"Atmospheric", "Calm", "Introspective"};
        const QStringList ocean{"Calm", "Atmospheric", "Dreamy"};

        QTest::newRow("capitalised") << "Sad" << sad;
        QTest::newRow("upper case, padded") << "  SAD  " << sad;
        QTest::newRow("no-break space trimmed") << "\u00A0sad\u00A0" << sad;
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("only white space") << " \t\n " << QStringList();
        QTest::newRow("repeated tags once") << "sad sadness" << sad;

        QTest::newRow("two-word key") << "car chase" << carChase;
        // Were it split, "fight" and "scene" would add Cinematic and Dramatic.
        QTest::newRow("whole key wins over its words")
            << "fight scene" << QStringList{"Tension", "Energetic", "Intense", "Dark"};
        QTest::newRow("pair inside a sentence")
            << "a car chase at night"
            << QStringList{"Tension", "Energetic", "Intense", "Dark", "Atmospheric", "Urban"};
        QTest::newRow("pairs before earlier words")
            << "slow motion fight"
            << QStringList{"Atmospheric", "Cinematic", "Dreamy",    "Emotional", "Slow",
                           "Calm",        "Tension",   "Energetic", "Intense"};
        QTest::newRow("pair across a double space")
            << "rainy  night" << QStringList{"Dark", "Atmospheric", "Melancholic", "Urban"};

        QTest::newRow("three-word key whole")
            << "scène de nuit" << QStringList{"Dark", "Atmospheric", "Urban", "Mysterious"};
        QTest::newRow("three-word key inside a sentence")
            << "une scène de nuit"
            << QStringList{"Cinematic", "Dramatic", "Dark", "Atmospheric", "Urban"};
        QTest::newRow("three-word key with a prefix")
            << "le générique de fin" << QStringList{"Cinematic", "Epic", "Atmospheric"};

        QTest::newRow("comma stays on the word")
            << "calm, dark" << QStringList{"Dark", "Atmospheric", "Haunting"};
        QTest::newRow("tab does not split") << "rainy\tnight" << QStringList();

        QTest::newRow("unaccented French") << "foret" << forest;
        QTest::newRow("accented French") << "forêt" << forest;
        QTest::newRow("accented upper case")
            << "ÉPIQUE" << QStringList{"Epic", "Cinematic", "Powerful"};
        QTest::newRow("French océan") << "océan" << ocean;
        QTest::newRow("plural unknown") << "oceans" << QStringList();
        QTest::newRow("Japanese") << "夜" << QStringList();
    }
    void tags() {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(SemanticSearch::tags(text), expected);
    }
};

ARU_TEST_MAIN(SemanticSearchTest)
#include "tst_semantic_search.moc"
