#include "Cancellation.h"
#include "Catalog.h"
#include "CatalogSearch.h"
#include "TestHome.h"
#include "TrackListModel.h"

#include <QAbstractItemModelTester>
#include <QCoroTimer>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <memory>

using namespace aru;
using namespace std::chrono_literals;

// Tracks name only the fields they set; the others keep their empty defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

Track makeTrack(TrackId id, const QString& title, const QString& genre,
                const QStringList& mood = {}) {
    return {.id = id, .title = title, .artist = "Artist", .genre = genre, .mood = mood};
}

const QList<Track> catalogue{
    makeTrack(1, "Rain on glass", "Ambient", {"Calm"}),
    makeTrack(2, "Night shift", "Electronic", {"Dark"}),
    makeTrack(3, "Sad waltz", "Ambient", {"Melancholic"}),
    makeTrack(4, "Harbour", "Jazz", {"Calm", "Hopeful"}),
};

QList<TrackId> ids(const QList<Track>& tracks) {
    QList<TrackId> result;
    for (const Track& track : tracks)
        result.append(track.id);
    return result;
}

QList<TrackId> ids(const TrackListModel& model) {
    return ids(model.tracks());
}

// Records what a view would hear from a model.
struct ModelSignals {
    explicit ModelSignals(TrackListModel& model)
        : replacements(&model, &TrackListModel::replaced)
        , inserts(&model, &QAbstractItemModel::rowsInserted)
        , removals(&model, &QAbstractItemModel::rowsRemoved)
        , counts(&model, &TrackListModel::countChanged) {}
    int edits() const { return int(replacements.count() + inserts.count() + removals.count()); }
    QList<int> byKind() const {
        return {int(replacements.count()), int(inserts.count()), int(removals.count())};
    }
    QSignalSpy replacements;
    QSignalSpy inserts;
    QSignalSpy removals;
    QSignalSpy counts;
};

// Stands in for the server: records each interpretation request and answers it after `delay`,
// even when it was cancelled meanwhile (as a reply that was already on its way would).
struct FakeInterpreter {
    struct Call {
        QString query;
        QStringList availableTags;
        QPointer<Cancellation> cancellation;
        bool answered = false;
    };
    QList<Call> calls;
    QHash<QString, QStringList> answers{{"xyzzy", {"Jazz"}}, {"plugh", {"Rock"}}};
    std::chrono::milliseconds delay = 40ms;

    bool allAnswered() const {
        return std::all_of(calls.cbegin(), calls.cend(), [](const Call& c) { return c.answered; });
    }
};

QCoro::Task<std::optional<QStringList>> answerLater(std::shared_ptr<FakeInterpreter> server,
                                                    qsizetype call) {
    co_await QCoro::sleepFor(server->delay);
    server->calls[call].answered = true;
    const QString query = server->calls[call].query;
    co_return server->answers.contains(query) ? std::optional(server->answers.value(query))
                                              : std::nullopt;
}

constexpr auto debounce = 150ms;
// Long enough for a debounced request to have gone out if one was due.
constexpr int quietPeriod = int((debounce + 150ms).count());

} // namespace

class SearchStateTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Catalog> m_catalog;
    std::unique_ptr<CatalogSearch> m_search;
    std::shared_ptr<FakeInterpreter> m_server;

    CatalogSearch& search() { return *m_search; }
    void type(const QString& text) {
        m_search->setSearchText(text);
        m_search->refreshAISearch();
    }
    // Waits until every request is answered and the task that sent it has finished.
    void settle() {
        QTRY_VERIFY(m_server->allAnswered());
        QTest::qWait(20);
    }

private slots:
    void init() {
        m_search.reset();
        m_catalog = std::make_unique<Catalog>();
        m_catalog->setTracks(catalogue);
        m_search = std::make_unique<CatalogSearch>(*m_catalog);
        m_search->setInterpretationDebounce(debounce);
        m_server = std::make_shared<FakeInterpreter>();
        m_search->setInterpretSearch([server = m_server](QString query, QStringList tags,
                                                         QPointer<Cancellation> cancellation) {
            server->calls.append({query, tags, cancellation});
            return answerLater(server, server->calls.size() - 1);
        });
    }
    void cleanup() {
        settle();
        m_search.reset();
    }

    // A model edits only the rows that change, so a view keeps its delegates and its scroll
    // position; a reload brings another catalogue, and the rows whose tracks it still has stay in
    // place, showing the reloaded contents. A changed order, or too many changes, replaces the
    // list in the rows already there, shortened or lengthened at its end.
    void modelEditsOnlyTheRowsThatChange_data() {
        QTest::addColumn<QList<TrackId>>("before"); // the catalogues, by id
        QTest::addColumn<QList<TrackId>>("after");
        QTest::addColumn<QList<TrackId>>("from"); // the rows shown, by id
        QTest::addColumn<QList<TrackId>>("to");
        QTest::addColumn<QList<int>>("edits"); // replacements, inserts, removals
        QList<TrackId> all;
        for (int i = 0; i < 200; ++i)
            all.append(i);
        const auto row = [&](const char* name, const QList<TrackId>& from, const QList<TrackId>& to,
                             const QList<int>& edits) {
            QTest::newRow(name) << all << all << from << to << edits;
        };
        row("narrowed", {0, 1, 2, 3, 5}, {0, 3}, {0, 0, 2});
        row("widened", {2}, {0, 1, 2, 4}, {0, 2, 0});
        row("interleaved", {0, 2, 4}, {1, 2, 3, 5}, {0, 3, 2});
        row("emptied", {1, 4}, {}, {0, 0, 1});
        row("ranked order", {3, 1}, {1, 3}, {1, 0, 0});
        QList<TrackId> evens;
        QList<TrackId> odds;
        for (int i = 0; i < 2 * TrackListModel::maxIncrementalChanges; ++i)
            (i % 2 ? odds : evens).append(i);
        row("too many changes", evens, odds, {1, 0, 0});
        const QList<TrackId> five{1, 2, 3, 4, 5};
        const auto reload = [&](const char* name, const QList<TrackId>& after,
                                const QList<TrackId>& to, const QList<int>& edits) {
            QTest::newRow(name) << five << after << QList<TrackId>{2, 3, 4} << to << edits;
        };
        reload("reload, same tracks", five, {2, 3, 4}, {0, 0, 0});
        reload("reload, one gone, one new", {1, 3, 9, 4, 5}, {3, 9, 4}, {0, 1, 1});
        reload("reload, shown track moved", {4, 1, 2, 3, 5}, {4, 2, 3}, {0, 1, 1});
        reload("reload, ranked order", five, {4, 2}, {1, 0, 1});
    }
    void modelEditsOnlyTheRowsThatChange() {
        QFETCH(QList<TrackId>, before);
        QFETCH(QList<TrackId>, after);
        QFETCH(QList<TrackId>, from);
        QFETCH(QList<TrackId>, to);
        QFETCH(QList<int>, edits);
        const auto catalogueOf = [](const QList<TrackId>& ids, const QString& title) {
            QList<Track> tracks;
            for (const TrackId id : ids)
                tracks.append(makeTrack(id, title + QString::number(id), "G"));
            return tracks;
        };
        const auto rowsOf = [](const QList<TrackId>& catalogue, const QList<TrackId>& shown) {
            QList<int> rows;
            for (const TrackId id : shown)
                rows.append(int(catalogue.indexOf(id)));
            return rows;
        };
        TrackListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows(catalogueOf(before, "Old "), rowsOf(before, from));
        ModelSignals heard(model);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        const QList<Track> reloaded = catalogueOf(after, "New ");
        model.setRows(reloaded, rowsOf(after, to));
        QCOMPARE(ids(model), to);
        QCOMPARE(heard.byKind(), edits);
        QCOMPARE(heard.counts.count(), from.size() == to.size() ? 0 : 1);
        if (!to.isEmpty())
            QCOMPARE(model.data(model.index(0, 0), TrackListModel::TitleRole).toString(),
                     "New " + QString::number(to.first()));
        // The rows that stayed show the reloaded contents.
        if (std::any_of(to.cbegin(), to.cend(), [&](TrackId id) { return from.contains(id); }))
            QVERIFY(edits[0] > 0 || !changed.isEmpty());
        model.setRows(reloaded, rowsOf(after, to));
        QCOMPARE(heard.edits(), edits[0] + edits[1] + edits[2]);
    }

    void listsFollowEveryInput() {
        QCOMPARE(ids(search().filteredTracks()), (QList<TrackId>{1, 2, 3, 4}));
        QVERIFY(search().suggestedTracks().isEmpty());

        // The accessors are current at once; the models on the next turn of the event loop.
        search().setSearchText("a");
        QCOMPARE(ids(search().suggestedTracks()), (QList<TrackId>{1, 3, 4, 2}));
        search().setSearchText("sad");
        search().setSelectedGenre(QString("Ambient"));
        QCOMPARE(ids(search().filteredTracks()), (QList<TrackId>{3}));
        QCOMPARE(ids(search().suggestedTracks()), (QList<TrackId>{3, 1}));

        search().setSelectedGenre(std::nullopt);
        type("xyzzy");
        QVERIFY(search().filteredTracks().isEmpty());
        m_server->answers.insert("xyzzy", {"hopeful"});
        QTRY_COMPARE(ids(search().filteredTracks()), (QList<TrackId>{4}));
        QTRY_COMPARE(ids(*search().filteredTracksModel()), (QList<TrackId>{4}));

        search().setSelectedMood(QString("Dark"));
        type("");
        QCOMPARE(ids(search().filteredTracks()), (QList<TrackId>{2}));

        m_catalog->setTracks(catalogue.mid(2));
        QCOMPARE(ids(search().filteredTracks()), QList<TrackId>{});
        search().setSelectedMood(QString("Calm"));
        QCOMPARE(ids(search().filteredTracks()), (QList<TrackId>{4}));
        QTRY_COMPARE(ids(*search().filteredTracksModel()), (QList<TrackId>{4}));
    }

    void changesInOneTurnUpdateTheModelsOnce() {
        QTRY_COMPARE(search().filteredTracksModel()->count(), 4);
        ModelSignals filtered(*search().filteredTracksModel());
        ModelSignals suggested(*search().suggestedTracksModel());

        search().setSearchText("r");
        search().setSearchText("ra");
        search().setSelectedGenre(QString("Ambient"));
        search().setSearchText("rai");
        QTRY_COMPARE(ids(*search().filteredTracksModel()), (QList<TrackId>{1}));
        QCOMPARE(filtered.edits(), 1);
        QCOMPARE(filtered.counts.count(), 1);
        QCOMPARE(suggested.edits(), 1);
        QCOMPARE(ids(*search().suggestedTracksModel()), (QList<TrackId>{1, 3}));

        // Back and forth within one turn is no change at all.
        search().setSelectedGenre(std::nullopt);
        search().setSelectedGenre(QString("Ambient"));
        QCoreApplication::processEvents();
        QCOMPARE(filtered.edits(), 1);
        QCOMPARE(suggested.edits(), 1);
    }

    void derivedValuesNotifyOnlyOnChange() {
        QSignalSpy semantic(&search(), &CatalogSearch::semanticTagsChanged);
        QSignalSpy all(&search(), &CatalogSearch::allSemanticTagsChanged);
        QSignalSpy active(&search(), &CatalogSearch::hasActiveSearchChanged);
        const QStringList sad{"Melancholic", "Emotional", "Introspective"};

        search().setSearchText(" ");
        QVERIFY(search().hasActiveSearch());
        QCOMPARE(active.count(), 1);
        QCOMPARE(semantic.count(), 0);

        type("xyzzy");
        QTRY_COMPARE(search().allSemanticTags(), QStringList{"Jazz"});
        QCOMPARE(all.count(), 1);
        search().setSearchText("sad");
        search().setSearchText("SAD ");
        QCOMPARE(search().semanticTags(), sad);
        // The server's tags only show while the vocabulary has none.
        QCOMPARE(search().aiTags(), QStringList{"Jazz"});
        QCOMPARE(search().allSemanticTags(), sad);
        QCOMPARE(semantic.count(), 1);
        QCOMPARE(all.count(), 2);

        search().setSelectedVocal(QString(""));
        search().setSearchText("");
        QCOMPARE(active.count(), 1);
        search().setSelectedVocal(std::nullopt);
        QVERIFY(!search().hasActiveSearch());
        QCOMPARE(active.count(), 2);
    }

    void collectsEachTagOnce() {
        QList<Track> tracks = catalogue;
        tracks[0].themes = QStringList{"Rain", ""};
        tracks[0].instruments = QStringList{"Piano"};
        tracks[0].tempo = "Slow";
        tracks[1].genre = "";
        tracks[2].tempo = "Slow";
        QCOMPARE(CatalogSearch::collectAvailableTags(tracks),
                 (QStringList{"Calm", "Ambient", "Slow", "Rain", "Piano", "Dark", "Melancholic",
                              "Hopeful", "Jazz"}));
    }

    void aBurstOfTypingSendsOneRequest() {
        m_server->delay = 400ms;
        QElapsedTimer sinceLastKey;
        for (const QString text : {"x", "xy", "xyz", "xyzz", " xyzzy\n"}) {
            type(text);
            sinceLastKey.start();
            QTest::qWait(20);
        }
        QVERIFY(m_server->calls.isEmpty());
        QTRY_COMPARE(m_server->calls.size(), 1);
        // Coarse timers may fire up to 5 % early.
        QCOMPARE_GE(sinceLastKey.elapsed(), 142);
        QCOMPARE(m_server->calls[0].query, QString("xyzzy"));
        QCOMPARE(m_server->calls[0].availableTags,
                 CatalogSearch::collectAvailableTags(m_catalog->tracks()));
        QVERIFY(search().aiSearching());

        QTRY_COMPARE(search().aiTags(), QStringList{"Jazz"});
        QVERIFY(!search().aiSearching());
        QTest::qWait(quietPeriod);
        QCOMPARE(m_server->calls.size(), 1);
    }

    void textsThatNeedNoServerEndTheWaitAtOnce_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("padded phrase") << "  Car Chase ";
        QTest::newRow("only white space") << " \n";
        QTest::newRow("cleared") << "";
    }
    void textsThatNeedNoServerEndTheWaitAtOnce() {
        QFETCH(QString, text);
        type("xyzzy");
        QTRY_COMPARE(search().aiTags(), QStringList{"Jazz"});
        type("xyzzyq");
        QVERIFY(search().aiSearching());
        QCOMPARE(search().aiTags(), QStringList{"Jazz"});

        type(text);
        QVERIFY(!search().aiSearching());
        QVERIFY(search().aiTags().isEmpty());
        QTest::qWait(quietPeriod);
        QCOMPARE(m_server->calls.size(), 1);
    }

    void supersededAnswersAreDiscarded() {
        m_server->delay = 150ms;
        type("xyzzy");
        QTRY_COMPARE(m_server->calls.size(), 1);
        const QPointer<Cancellation> first = m_server->calls[0].cancellation;
        QVERIFY(first && !first->isCancelled());

        // Another unknown text: the first reply is aborted, and its answer, arriving anyway,
        // changes nothing while the newer request is pending.
        type("plugh");
        QVERIFY(first->isCancelled());
        QTRY_VERIFY(m_server->calls[0].answered);
        QTest::qWait(20);
        QVERIFY(search().aiTags().isEmpty());
        QVERIFY(search().aiSearching());
        QTRY_COMPARE(search().aiTags(), QStringList{"Rock"});
        QVERIFY(!search().aiSearching());

        // A known word ends the wait at once and discards the answer in flight.
        type("xyzzy");
        QTRY_COMPARE(m_server->calls.size(), 3);
        type("rain");
        QVERIFY(m_server->calls[2].cancellation->isCancelled());
        settle();
        QVERIFY(search().aiTags().isEmpty());
        QVERIFY(!search().aiSearching());

        // No answer at all means no tags.
        type("nothing known");
        QTRY_VERIFY(!search().aiSearching());
        QVERIFY(search().aiTags().isEmpty());
    }

    void destroyingTheSearchEndsItsRequests() {
        type("xyzzy");
        m_search.reset();
        QTest::qWait(quietPeriod);
        QVERIFY(m_server->calls.isEmpty());

        init();
        m_server->delay = 400ms; // still on its way when the search goes
        type("xyzzy");
        QTRY_COMPARE(m_server->calls.size(), 1);
        const QPointer<Cancellation> inFlight = m_server->calls[0].cancellation;
        m_search.reset();
        QVERIFY(inFlight && inFlight->isCancelled());
    }
};

ARU_TEST_MAIN(SearchStateTest)
#include "tst_search_state.moc"
