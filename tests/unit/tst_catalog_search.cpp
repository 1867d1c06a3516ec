#include "CatalogFixture.h"
#include "CatalogSearchIndex.h"
#include "CatalogSearchReference.h"
#include "SemanticSearch.h"
#include "SyncCatalog.h"
#include "TestHome.h"

#include <functional>

using namespace aru;
using Query = CatalogSearchIndex::Query;

namespace {

Track makeTrack(TrackId id, const QString& title, const QString& artist,
                const std::function<void(Track&)>& fill = {}) {
    Track track;
    track.id = id;
    track.title = title;
    track.artist = artist;
    if (fill)
        fill(track);
    return track;
}

// Small catalogue where each track isolates one rule.
QList<Track> rulesCatalogue() {
    return {
        makeTrack(1, "Calmness", "Ana",
                  [](Track& t) {
                      t.genre = "Ambient";
                      t.mood = QStringList{"Dreamy"};
                      t.themes = QStringList{"Ocean"};
                      t.instruments = QStringList{"Grand Piano"};
                      t.tempo = "Slow";
                      t.vocal = "Instrumental";
                  }),
        makeTrack(2, "Night", "Jo",
                  [](Track& t) {
                      t.genre = "rock";
                      t.mood = QStringList{"Calm", "Dark"};
                      t.tempo = "Fast";
                      t.vocal = "Vocal";
                      t.description = "dark and calm";
                  }),
        makeTrack(3, "Streets", "Kim",
                  [](Track& t) {
                      t.genre = "Rock";
                      t.mood = QStringList{"Tense"};
                      t.themes = QStringList{"City"};
                      t.instruments = QStringList{"Urban"};
                      t.tempo = "Fast";
                      t.description = "calm and dark night";
                  }),
        makeTrack(4, "Night Drive", "Lu",
                  [](Track& t) {
                      t.themes = QStringList{"Dark"};
                      t.album = "Été";
                  }),
        makeTrack(5, "Été", "Max",
                  [](Track& t) {
                      t.genre = "";
                      t.mood = QStringList{};
                      t.album = "Summer Songs";
                  }),
        makeTrack(6, "Nightfall", "Oli", [](Track& t) { t.mood = QStringList{"Hopeful"}; }),
    };
}

std::optional<QString> optional(const QVariant& value) {
    return value.isValid() ? std::optional<QString>(value.toString()) : std::nullopt;
}

QList<TrackId> idsAt(const QList<Track>& tracks, const QList<int>& rows) {
    QList<TrackId> ids;
    for (const int row : rows)
        ids.append(tracks[row].id);
    return ids;
}

void addQueryColumns() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<QVariant>("mood");
    QTest::addColumn<QVariant>("genre");
    QTest::addColumn<QVariant>("tempo");
    QTest::addColumn<QVariant>("vocal");
}

Query fetchQuery() {
    QFETCH(QString, text);
    QFETCH(QStringList, tags);
    QFETCH(QVariant, mood);
    QFETCH(QVariant, genre);
    QFETCH(QVariant, tempo);
    QFETCH(QVariant, vocal);
    return {text, optional(mood), optional(genre), optional(tempo), optional(vocal), tags};
}

const QVariant none;

} // namespace

class CatalogSearchTest : public QObject {
    Q_OBJECT

private slots:
    void filtering_data() {
        addQueryColumns();
        QTest::addColumn<QList<TrackId>>("expected");
        const QStringList noTags;
        const QList<TrackId> all{1, 2, 3, 4, 5, 6};

        QTest::newRow("nothing set") << "" << noTags << none << none << none << none << all;
        QTest::newRow("substring of title, mood in other case")
            << "calm" << noTags << none << none << none << none << QList<TrackId>{1, 2};
        QTest::newRow("artist") << "jo" << noTags << none << none << none << none
                                << QList<TrackId>{2};
        QTest::newRow("album") << "summer" << noTags << none << none << none << none
                               << QList<TrackId>{5};
        QTest::newRow("instruments are not text")
            << "piano" << noTags << none << none << none << none << QList<TrackId>{};
        QTest::newRow("trailing space kept, tags rescue")
            << "night " << QStringList{"Dark", "Atmospheric", "Urban"} << none << none << none
            << none << QList<TrackId>{2, 3, 4};
        QTest::newRow("tag on theme, description ignored")
            << "sombre" << QStringList{"Dark", "Atmospheric"} << none << none << none << none
            << QList<TrackId>{2, 4};
        QTest::newRow("tag on instrument") << "xyzzy" << QStringList{"grand piano"} << none << none
                                           << none << none << QList<TrackId>{1};
        QTest::newRow("tags compared lower-cased") << "xyzzy" << QStringList{"DARK"} << none << none
                                                   << none << none << QList<TrackId>{2, 4};
        QTest::newRow("tags compared whole")
            << "xyzzy" << QStringList{"Dar"} << none << none << none << none << QList<TrackId>{};
        QTest::newRow("title, artist and album are not labels")
            << "xyzzy" << QStringList{"streets", "jo", "summer songs"} << none << none << none
            << none << QList<TrackId>{};
        QTest::newRow("empty tag matches a missing genre")
            << "xyzzy" << QStringList{""} << none << none << none << none
            << QList<TrackId>{4, 5, 6};
        QTest::newRow("single space")
            << " " << noTags << none << none << none << none << QList<TrackId>{4, 5};
        QTest::newRow("accented") << "été" << noTags << none << none << none << none
                                  << QList<TrackId>{4, 5};
        QTest::newRow("no accent folding")
            << "ete" << noTags << none << none << none << none << QList<TrackId>{};

        QTest::newRow("genre other case")
            << "" << noTags << none << QVariant("rock") << none << none << QList<TrackId>{2};
        QTest::newRow("empty genre is not a missing one")
            << "" << noTags << none << QVariant("") << none << none << QList<TrackId>{5};
        QTest::newRow("mood case-sensitive")
            << "" << noTags << QVariant("calm") << none << none << none << QList<TrackId>{};
        QTest::newRow("mood in list")
            << "" << noTags << QVariant("Calm") << none << none << none << QList<TrackId>{2};
        QTest::newRow("tempo") << "" << noTags << none << none << QVariant("Fast") << none
                               << QList<TrackId>{2, 3};
        QTest::newRow("text then filter")
            << "night" << noTags << none << none << QVariant("Fast") << none << QList<TrackId>{2};
    }
    void filtering() {
        const Query query = fetchQuery();
        QFETCH(QList<TrackId>, expected);
        const QList<Track> tracks = rulesCatalogue();
        QCOMPARE(idsAt(tracks, CatalogSearchIndex(tracks).search(query).filtered), expected);
        QCOMPARE(idsAt(tracks, CatalogSearchReference::search(tracks, query).filtered), expected);
    }

    void suggestions_data() {
        addQueryColumns();
        QTest::addColumn<QList<Track>>("tracks");
        QTest::addColumn<QList<TrackId>>("expected");

        // Scores: 1 (mood), 3 (title), 4 (artist and album), 1 (two moods count once),
        // 2 (genre and theme), 0.
        const QList<Track> sun{
            makeTrack(1, "Moon", "X", [](Track& t) { t.mood = QStringList{"Sunny"}; }),
            makeTrack(2, "Sun", "X"),
            makeTrack(3, "Moon", "Sunn O", [](Track& t) { t.album = "Sunset"; }),
            makeTrack(4, "Moon", "X",
                      [](Track& t) {
                          t.mood = QStringList{"Sunny", "Sunlit"};
                      }),
            makeTrack(5, "Moon", "X",
                      [](Track& t) {
                          t.genre = "Sunwave";
                          t.themes = QStringList{"Sunrise"};
                      }),
            makeTrack(6, "Moon", "X", [](Track& t) { t.description = "sun"; }),
        };
        QTest::newRow("text weights") << "SUN" << QStringList() << none << none << none << none
                                      << sun << QList<TrackId>{3, 2, 5, 1, 4};

        const auto with = [](TrackId id, std::optional<QString> mood, std::optional<QString> genre,
                             std::optional<QString> tempo, std::optional<QString> vocal) {
            return makeTrack(id, "T", "A", [&](Track& t) {
                if (mood)
                    t.mood = QStringList{*mood};
                t.genre = genre;
                t.tempo = tempo;
                t.vocal = vocal;
            });
        };
        // Scores: 2 (tempo, vocal), 2 (mood), 3 (genre, tempo), 6, 1, 0 (case differs).
        const QList<Track> filters{
            with(1, {}, {}, "Slow", "Vocal"), with(2, "Calm", {}, {}, {}),
            with(3, {}, "Jazz", "Slow", {}),  with(4, "Calm", "Jazz", "Slow", "Vocal"),
            with(5, {}, {}, {}, "Vocal"),     with(6, "calm", "jazz", "slow", "vocal"),
        };
        QTest::newRow("filter weights, ties in catalogue order")
            << "" << QStringList() << QVariant("Calm") << QVariant("Jazz") << QVariant("Slow")
            << QVariant("Vocal") << filters << QList<TrackId>{4, 3, 1, 2, 5};

        QList<Track> many;
        QList<TrackId> firstTwenty;
        for (int i = 1; i <= 30; ++i) {
            many.append(with(i, {}, i % 6 ? "Ambient" : "Jazz", {}, {}));
            if (i % 6 && firstTwenty.size() < 20)
                firstTwenty.append(i);
        }
        QTest::newRow("at most twenty, in catalogue order")
            << "" << QStringList() << none << QVariant("Ambient") << none << none << many
            << firstTwenty;
        QTest::newRow("tags do not score") << "xyzzy" << QStringList{"Calm"} << none << none << none
                                           << none << filters << QList<TrackId>{};
        QTest::newRow("nothing set")
            << "" << QStringList() << none << none << none << none << filters << QList<TrackId>{};
    }
    void suggestions() {
        const Query query = fetchQuery();
        QFETCH(QList<Track>, tracks);
        QFETCH(QList<TrackId>, expected);
        QCOMPARE(idsAt(tracks, CatalogSearchIndex(tracks).search(query).suggested), expected);
        QCOMPARE(idsAt(tracks, CatalogSearchReference::search(tracks, query).suggested), expected);
    }

    void indexAgreesWithTheRulesOnAGeneratedCatalogue_data() {
        addQueryColumns();
        const auto vocabulary = [](const char* text) {
            return SemanticSearch::tags(QString::fromUtf8(text));
        };
        QTest::newRow("empty") << "" << QStringList() << none << none << none << none;
        QTest::newRow("vocabulary")
            << "pluie" << vocabulary("pluie") << none << none << none << none;
        QTest::newRow("trailing space")
            << "night " << vocabulary("night ") << none << none << none << none;
        QTest::newRow("space") << " " << QStringList() << none << none << none << none;
        QTest::newRow("upper case") << "ARTISTE 4" << QStringList() << none << none << none << none;
        QTest::newRow("accent") << "é" << QStringList() << none << none << none << none;
        QTest::newRow("server tags")
            << "xyzzy" << QStringList{"piano", "Rain", ""} << none << none << none << none;
        QTest::newRow("every filter")
            << "" << QStringList() << QVariant("Calm") << QVariant("Ambient") << QVariant("Slow")
            << QVariant("Vocal");
        QTest::newRow("text and filters") << "a" << QStringList() << QVariant("Dark") << none
                                          << QVariant("Fast") << QVariant("Instrumental");
        QTest::newRow("empty filter values")
            << "" << QStringList() << QVariant("") << QVariant("") << none << none;
        QTest::newRow("separator character")
            << QString(QChar(0xFFFF)) << QStringList() << none << none << none << none;
    }
    void indexAgreesWithTheRulesOnAGeneratedCatalogue() {
        const Query query = fetchQuery();
        static const QList<Track> tracks = [] {
            QList<Track> generated =
                SyncCatalog::fromJson(test::generatedCatalogJson(2000, 3)).value().tracks;
            // Absent and empty fields, odd characters, and a field holding the block separator.
            generated.append(makeTrack(1, "", ""));
            generated.append(makeTrack(2, "a\uFFFFb", "", [](Track& t) {
                t.genre = "";
                t.mood = QStringList{"", "Calm"};
                t.themes = QStringList{};
                t.album = "";
                t.tempo = "";
                t.vocal = "";
            }));
            generated.append(makeTrack(3, "İstanbul ΣΟΦΙΑ", "ǅemal"));
            return generated;
        }();
        const CatalogSearchIndex::Result expected = CatalogSearchReference::search(tracks, query);
        const CatalogSearchIndex::Result actual = CatalogSearchIndex(tracks).search(query);
        QVERIFY(!expected.filtered.isEmpty() || !query.searchText.isEmpty());
        QCOMPARE(actual.filtered, expected.filtered);
        QCOMPARE(actual.suggested, expected.suggested);
    }
};

ARU_TEST_MAIN(CatalogSearchTest)
#include "tst_catalog_search.moc"
