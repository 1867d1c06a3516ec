#include "CatalogFixture.h"
#include "CatalogSearchIndex.h"
#include "CatalogSearchReference.h"
#include "SemanticSearch.h"
#include "SyncCatalog.h"
#include "TestHome.h"

#include <QJsonDocument>
#include <QSet>

using namespace aru;
using Query = CatalogSearchIndex::Query;

Q_DECLARE_METATYPE(aru::CatalogSearchIndex::Query)

// Each case and track names only the fields it sets; the others keep their empty defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

Track decoded(const char* json) {
    return Track::fromJson(QJsonDocument::fromJson(json).object()).value();
}

// Small catalogue where each track isolates one rule.
QList<Track> rulesCatalogue() {
    return {
        decoded(R"({"id":1,"title":"Calmness","artist":"Ana","genre":"Ambient","mood":["Dreamy"],
            "themes":["Ocean"],"instruments":["Grand Piano"],"tempo":"Slow","vocal":"Instrumental"})"),
        decoded(R"({"id":2,"title":"Night","artist":"Jo","genre":"rock","mood":["Calm","Dark"],
            "tempo":"Fast","vocal":"Vocal","description":"dark and calm"})"),
        decoded(R"({"id":3,"title":"Streets","artist":"Kim","genre":"Rock","mood":["Tense"],
            "themes":["City"],"instruments":["Urban"],"tempo":"Fast",
            "description":"calm and dark night"})"),
        decoded(R"({"id":4,"title":"Night Drive","artist":"Lu","themes":["Dark"],"album":"Été"})"),
        decoded(R"({"id":5,"title":"Été","artist":"Max","genre":"","mood":[],
            "album":"Summer Songs"})"),
        decoded(R"({"id":6,"title":"Nightfall","artist":"Oli","mood":["Hopeful"]})"),
    };
}

QList<TrackId> idsAt(const QList<Track>& tracks, const QList<int>& rows) {
    QList<TrackId> ids;
    for (const int row : rows)
        ids.append(tracks[row].id);
    return ids;
}

// The index and the straightforward rules it must agree with.
void compareWithBoth(const QList<Track>& tracks, const Query& query,
                     QList<int> CatalogSearchIndex::Result::*list, const QList<TrackId>& expected) {
    QCOMPARE(idsAt(tracks, CatalogSearchIndex(tracks).search(query).*list), expected);
    QCOMPARE(idsAt(tracks, CatalogSearchReference::search(tracks, query).*list), expected);
}

} // namespace

class CatalogSearchTest : public QObject {
    Q_OBJECT

private slots:
    void filtering_data() {
        QTest::addColumn<Query>("query");
        QTest::addColumn<QList<TrackId>>("expected");
        const auto row = [](const char* name, const Query& query, const QList<TrackId>& ids) {
            QTest::newRow(name) << query << ids;
        };
        row("nothing set", {}, {1, 2, 3, 4, 5, 6});
        row("substring of title, mood in other case", {.searchText = "calm"}, {1, 2});
        row("artist", {.searchText = "jo"}, {2});
        row("album", {.searchText = "summer"}, {5});
        row("instruments are not text", {.searchText = "piano"}, {});
        row("trailing space kept, tags rescue",
            {.searchText = "night ", .tags = {"Dark", "Atmospheric", "Urban"}}, {2, 3, 4});
        row("tag on theme, description ignored",
            {.searchText = "sombre", .tags = {"Dark", "Atmospheric"}}, {2, 4});
        row("tag on instrument", {.searchText = "xyzzy", .tags = {"grand piano"}}, {1});
        row("tags compared lower-cased", {.searchText = "xyzzy", .tags = {"DARK"}}, {2, 4});
        row("tags compared whole", {.searchText = "xyzzy", .tags = {"Dar"}}, {});
        row("title, artist and album are not labels",
            {.searchText = "xyzzy", .tags = {"streets", "jo", "summer songs"}}, {});
        row("empty tag matches a missing genre", {.searchText = "xyzzy", .tags = {""}}, {4, 5, 6});
        row("single space", {.searchText = " "}, {4, 5});
        row("accented", {.searchText = "été"}, {4, 5});
        row("no accent folding", {.searchText = "ete"}, {});
        row("genre other case", {.genre = "rock"}, {2});
        row("empty genre is not a missing one", {.genre = ""}, {5});
        row("mood case-sensitive", {.mood = "calm"}, {});
        row("mood in list", {.mood = "Calm"}, {2});
        row("tempo", {.tempo = "Fast"}, {2, 3});
        row("text then filter", {.searchText = "night", .tempo = "Fast"}, {2});
    }
    void filtering() {
        QFETCH(Query, query);
        QFETCH(QList<TrackId>, expected);
        compareWithBoth(rulesCatalogue(), query, &CatalogSearchIndex::Result::filtered, expected);
    }

    void suggestions_data() {
        QTest::addColumn<Query>("query");
        QTest::addColumn<QList<Track>>("tracks");
        QTest::addColumn<QList<TrackId>>("expected");

        // Scores: 1 (mood), 3 (title), 4 (artist and album), 1 (two moods count once),
        // 2 (genre and theme), 0.
        const QList<Track> sun{
            decoded(R"({"id":1,"title":"Moon","artist":"X","mood":["Sunny"]})"),
            decoded(R"({"id":2,"title":"Sun","artist":"X"})"),
            decoded(R"({"id":3,"title":"Moon","artist":"Sunn O","album":"Sunset"})"),
            decoded(R"({"id":4,"title":"Moon","artist":"X","mood":["Sunny","Sunlit"]})"),
            decoded(
                R"({"id":5,"title":"Moon","artist":"X","genre":"Sunwave","themes":["Sunrise"]})"),
            decoded(R"({"id":6,"title":"Moon","artist":"X","description":"sun"})"),
        };
        QTest::newRow("text weights")
            << Query{.searchText = "SUN"} << sun << QList<TrackId>{3, 2, 5, 1, 4};

        const auto with = [](TrackId id, std::optional<QString> mood, std::optional<QString> genre,
                             std::optional<QString> tempo, std::optional<QString> vocal) {
            return Track{.id = id,
                         .title = "T",
                         .artist = "A",
                         .genre = genre,
                         .mood = mood ? std::optional(QStringList{*mood}) : std::nullopt,
                         .tempo = tempo,
                         .vocal = vocal};
        };
        // Scores: 2 (tempo, vocal), 2 (mood), 3 (genre, tempo), 6, 1, 0 (case differs).
        const QList<Track> filters{
            with(1, {}, {}, "Slow", "Vocal"), with(2, "Calm", {}, {}, {}),
            with(3, {}, "Jazz", "Slow", {}),  with(4, "Calm", "Jazz", "Slow", "Vocal"),
            with(5, {}, {}, {}, "Vocal"),     with(6, "calm", "jazz", "slow", "vocal"),
        };
        QTest::newRow("filter weights, ties in catalogue order")
            << Query{.mood = "Calm", .genre = "Jazz", .tempo = "Slow", .vocal = "Vocal"} << filters
            << QList<TrackId>{4, 3, 1, 2, 5};

        QList<Track> many;
        QList<TrackId> firstTwenty;
        for (int i = 1; i <= 30; ++i) {
            many.append(with(i, {}, i % 6 ? "Ambient" : "Jazz", {}, {}));
            if (i % 6 && firstTwenty.size() < 20)
                firstTwenty.append(i);
        }
        QTest::newRow("at most twenty, in catalogue order")
            << Query{.genre = "Ambient"} << many << firstTwenty;
        QTest::newRow("tags do not score")
            << Query{.searchText = "xyzzy", .tags = {"Calm"}} << filters << QList<TrackId>{};
        QTest::newRow("nothing set") << Query{} << filters << QList<TrackId>{};
    }
    void suggestions() {
        QFETCH(Query, query);
        QFETCH(QList<Track>, tracks);
        QFETCH(QList<TrackId>, expected);
        compareWithBoth(tracks, query, &CatalogSearchIndex::Result::suggested, expected);
    }

    void indexAgreesWithTheRulesOnAGeneratedCatalogue_data() {
        QTest::addColumn<Query>("query");
        const auto vocabulary = [](const char* text) {
            return SemanticSearch::tags(QString::fromUtf8(text));
        };
        QTest::newRow("empty") << Query{};
        QTest::newRow("vocabulary") << Query{.searchText = "pluie", .tags = vocabulary("pluie")};
        QTest::newRow("trailing space")
            << Query{.searchText = "night ", .tags = vocabulary("night ")};
        QTest::newRow("space") << Query{.searchText = " "};
        QTest::newRow("upper case") << Query{.searchText = "ARTISTE 4"};
        QTest::newRow("accent") << Query{.searchText = "é"};
        QTest::newRow("server tags") << Query{.searchText = "xyzzy", .tags = {"piano", "Rain", ""}};
        QTest::newRow("every filter")
            << Query{.mood = "Calm", .genre = "Ambient", .tempo = "Slow", .vocal = "Vocal"};
        QTest::newRow("text and filters")
            << Query{.searchText = "a", .mood = "Dark", .tempo = "Fast", .vocal = "Instrumental"};
        QTest::newRow("empty filter values") << Query{.mood = "", .genre = ""};
        QTest::newRow("separator character") << Query{.searchText = QString(QChar(0xFFFF))};
    }
    void indexAgreesWithTheRulesOnAGeneratedCatalogue() {
        QFETCH(Query, query);
        static const QList<Track> tracks = [] {
            QList<Track> generated =
                SyncCatalog::fromJson(test::generatedCatalogJson(2000, 3)).value().tracks;
            // Absent and empty fields, odd characters, and a field holding the block separator.
            Track separator =
                decoded(R"({"id":2,"title":"","artist":"","genre":"","mood":["","Calm"],
                "themes":[],"album":"","tempo":"","vocal":""})");
            separator.title = QString("a") + QChar(0xFFFF) + "b";
            generated << decoded(R"({"id":1,"title":"","artist":""})") << separator
                      << decoded(R"({"id":3,"title":"İstanbul ΣΟΦΙΑ","artist":"ǅemal"})");
            return generated;
        }();
        const CatalogSearchIndex::Result expected = CatalogSearchReference::search(tracks, query);
        const CatalogSearchIndex::Result actual = CatalogSearchIndex(tracks).search(query);
        QVERIFY(!expected.filtered.isEmpty() || !query.searchText.isEmpty());
        QCOMPARE(actual.filtered, expected.filtered);
        QCOMPARE(actual.suggested, expected.suggested);
    }

    // The vocabulary that turns typed words into tags -----------------------------------------

    void vocabularyTableIsComplete() {
        const QHash<QString, QStringList>& map = SemanticSearch::map();
        // A key typed twice in the table would silently replace the first one.
        QCOMPARE(map.size(), 141);
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            const QString& key = it.key();
            // A key that is not lower-case and trimmed, or holds a double space, can never match.
            QCOMPARE(key, key.toLower().trimmed());
            QVERIFY2(!key.contains("  "), qPrintable(key));
            QVERIFY2(key.count(u' ') < 3, qPrintable(key)); // phrases are looked up to 3 words
            const QStringList& tags = it.value();
            QCOMPARE(QSet<QString>(tags.cbegin(), tags.cend()).size(), tags.size());
        }
    }

    void vocabularyTags_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        const QStringList sad{"Melancholic", "Emotional", "Introspective"};

        QTest::newRow("upper case, padded") << "  SAD  " << sad;
        QTest::newRow("no-break space trimmed") << "\u00A0sad\u00A0" << sad;
        QTest::newRow("only white space") << " \t\n " << QStringList();
        QTest::newRow("repeated tags once") << "sad sadness" << sad;

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

        QTest::newRow("three-word key inside a sentence")
            << "une scène de nuit"
            << QStringList{"Cinematic", "Dramatic", "Dark", "Atmospheric", "Urban"};
        QTest::newRow("three-word key with a prefix")
            << "le générique de fin" << QStringList{"Cinematic", "Epic", "Atmospheric"};

        QTest::newRow("comma stays on the word")
            << "calm, dark" << QStringList{"Dark", "Atmospheric", "Haunting"};
        QTest::newRow("tab does not split") << "rainy\tnight" << QStringList();

        QTest::newRow("accented upper case")
            << "ÉPIQUE" << QStringList{"Epic", "Cinematic", "Powerful"};
        QTest::newRow("plural unknown") << "oceans" << QStringList();
    }
    void vocabularyTags() {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(SemanticSearch::tags(text), expected);
    }
};

ARU_TEST_MAIN(CatalogSearchTest)
#include "tst_catalog_search.moc"
