#include "AppState.h"
#include "SettingsStore.h"
#include "TestHome.h"
#include "TrackListModel.h"

#include <QAbstractItemModelTester>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

using namespace aru;

namespace {

Track makeTrack(TrackId id, const QString& title, const QString& genre,
                const QStringList& mood = {}) {
    Track track;
    track.id = id;
    track.title = title;
    track.artist = "Artist";
    track.genre = genre;
    track.mood = mood;
    return track;
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
        : resets(&model, &QAbstractItemModel::modelReset)
        , inserts(&model, &QAbstractItemModel::rowsInserted)
        , removals(&model, &QAbstractItemModel::rowsRemoved)
        , counts(&model, &TrackListModel::countChanged) {}
    QSignalSpy resets;
    QSignalSpy inserts;
    QSignalSpy removals;
    QSignalSpy counts;
};

} // namespace

class SearchStateTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SettingsStore> m_store;

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = std::make_unique<SettingsStore>(m_dir->filePath("settings.ini"));
    }

    void modelEditsOnlyTheRowsThatChange_data() {
        QTest::addColumn<QList<int>>("from");
        QTest::addColumn<QList<int>>("to");
        QTest::addColumn<int>("resets");
        QTest::addColumn<int>("inserts");
        QTest::addColumn<int>("removals");
        QTest::newRow("narrowed") << QList<int>{0, 1, 2, 3, 5} << QList<int>{0, 3} << 0 << 0 << 2;
        QTest::newRow("widened") << QList<int>{2} << QList<int>{0, 1, 2, 4} << 0 << 2 << 0;
        QTest::newRow("interleaved")
            << QList<int>{0, 2, 4} << QList<int>{1, 2, 3, 5} << 0 << 3 << 2;
        QTest::newRow("emptied") << QList<int>{1, 4} << QList<int>{} << 0 << 0 << 1;
        QTest::newRow("ranked order") << QList<int>{3, 1} << QList<int>{1, 3} << 1 << 0 << 0;
        QList<int> evens;
        QList<int> odds;
        for (int i = 0; i < 2 * TrackListModel::maxIncrementalChanges; ++i)
            (i % 2 ? odds : evens).append(i);
        QTest::newRow("too many changes") << evens << odds << 1 << 0 << 0;
    }
    void modelEditsOnlyTheRowsThatChange() {
        QFETCH(QList<int>, from);
        QFETCH(QList<int>, to);
        QFETCH(int, resets);
        QFETCH(int, inserts);
        QFETCH(int, removals);
        QList<Track> tracks;
        for (int i = 0; i < 200; ++i)
            tracks.append(makeTrack(i, QString::number(i), "G"));
        TrackListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRows(tracks, from);
        ModelSignals heard(model);

        model.setRows(tracks, to);
        QList<TrackId> expected;
        for (const int row : to)
            expected.append(row);
        QCOMPARE(ids(model), expected);
        QCOMPARE(heard.resets.count(), resets);
        QCOMPARE(heard.inserts.count(), inserts);
        QCOMPARE(heard.removals.count(), removals);
        QCOMPARE(heard.counts.count(), from.size() == to.size() ? 0 : 1);
        if (!to.isEmpty()) {
            QCOMPARE(model.data(model.index(0, 0), TrackListModel::TrackIdRole).value<qint64>(),
                     TrackId(to.first()));
        }

        model.setRows(tracks, to);
        QCOMPARE(heard.resets.count() + heard.inserts.count() + heard.removals.count(),
                 resets + inserts + removals);
    }

    void modelResetsForANewCatalogue() {
        TrackListModel model;
        model.setRows(catalogue, {0, 1});
        ModelSignals heard(model);
        QList<Track> reloaded = catalogue;
        reloaded[0] = makeTrack(9, "New", "Jazz");
        model.setRows(reloaded, {0, 1});
        QCOMPARE(heard.resets.count(), 1);
        QCOMPARE(model.trackAt(0).id, TrackId(9));
        model.setRows(QList<Track>(), {});
        model.setRows(catalogue, {});
        QCOMPARE(heard.resets.count(), 2);
    }

    void listsFollowEveryInput() {
        AppState state(*m_store);
        state.setTracks(catalogue);
        QCOMPARE(ids(state.filteredTracks()), (QList<TrackId>{1, 2, 3, 4}));
        QVERIFY(state.suggestedTracks().isEmpty());

        // The accessors are current at once; the models on the next turn of the event loop.
        state.setSearchText("a");
        QCOMPARE(ids(state.filteredTracks()), (QList<TrackId>{1, 2, 3, 4}));
        QCOMPARE(ids(state.suggestedTracks()), (QList<TrackId>{1, 3, 4, 2}));
        state.setSearchText("sad");
        QCOMPARE(ids(state.filteredTracks()), (QList<TrackId>{3}));
        state.setSelectedGenre(QString("Ambient"));
        QCOMPARE(ids(state.filteredTracks()), (QList<TrackId>{3}));
        QCOMPARE(ids(state.suggestedTracks()), (QList<TrackId>{3, 1}));
        QTRY_COMPARE(ids(*state.filteredTracksModel()), (QList<TrackId>{3}));
        QCOMPARE(ids(*state.suggestedTracksModel()), (QList<TrackId>{3, 1}));

        state.setSelectedGenre(std::nullopt);
        state.setSearchText("xyzzy");
        QVERIFY(state.filteredTracks().isEmpty());
        state.setAiTags({"hopeful"});
        QCOMPARE(ids(state.filteredTracks()), (QList<TrackId>{4}));
        QTRY_COMPARE(ids(*state.filteredTracksModel()), (QList<TrackId>{4}));

        state.setSelectedMood(QString("Dark"));
        state.setSearchText("");
        QCOMPARE(ids(state.filteredTracks()), (QList<TrackId>{2}));

        state.setTracks(catalogue.mid(2));
        QCOMPARE(ids(state.filteredTracks()), QList<TrackId>{});
        state.setSelectedMood(QString("Calm"));
        QCOMPARE(ids(state.filteredTracks()), (QList<TrackId>{4}));
        QTRY_COMPARE(ids(*state.filteredTracksModel()), (QList<TrackId>{4}));
    }

    void changesInOneTurnUpdateTheModelsOnce() {
        AppState state(*m_store);
        state.setTracks(catalogue);
        QTRY_COMPARE(state.filteredTracksModel()->count(), 4);
        ModelSignals filtered(*state.filteredTracksModel());
        ModelSignals suggested(*state.suggestedTracksModel());

        state.setSearchText("r");
        state.setSearchText("ra");
        state.setSelectedGenre(QString("Ambient"));
        state.setSearchText("rai");
        QTRY_COMPARE(ids(*state.filteredTracksModel()), (QList<TrackId>{1}));
        QCOMPARE(filtered.removals.count() + filtered.resets.count(), 1);
        QCOMPARE(filtered.counts.count(), 1);
        QCOMPARE(suggested.resets.count() + suggested.inserts.count(), 1);
        QCOMPARE(ids(*state.suggestedTracksModel()), (QList<TrackId>{1, 3}));

        // Back and forth within one turn is no change at all.
        state.setSelectedGenre(std::nullopt);
        state.setSelectedGenre(QString("Ambient"));
        QCoreApplication::processEvents();
        QCOMPARE(filtered.removals.count() + filtered.resets.count() + filtered.inserts.count(), 1);
        QCOMPARE(suggested.resets.count() + suggested.inserts.count(), 1);
    }

    void derivedValuesNotifyOnlyOnChange() {
        AppState state(*m_store);
        QSignalSpy semantic(&state, &AppState::semanticTagsChanged);
        QSignalSpy all(&state, &AppState::allSemanticTagsChanged);
        QSignalSpy active(&state, &AppState::hasActiveSearchChanged);
        const QStringList sad{"Melancholic", "Emotional", "Introspective"};

        state.setSearchText(" ");
        QVERIFY(state.hasActiveSearch());
        QVERIFY(state.semanticTags().isEmpty());
        QCOMPARE(active.count(), 1);
        QCOMPARE(semantic.count(), 0);

        state.setSearchText("sad");
        state.setSearchText("SAD ");
        QCOMPARE(state.semanticTags(), sad);
        QCOMPARE(state.allSemanticTags(), sad);
        QCOMPARE(semantic.count(), 1);
        QCOMPARE(all.count(), 1);

        // The server's tags only show while the vocabulary has none.
        state.setAiTags({"Jazz"});
        QCOMPARE(state.allSemanticTags(), sad);
        QCOMPARE(all.count(), 1);
        state.setSearchText("xyzzy");
        QCOMPARE(state.allSemanticTags(), QStringList{"Jazz"});
        QCOMPARE(semantic.count(), 2);
        QCOMPARE(all.count(), 2);

        state.setSelectedVocal(QString(""));
        state.setSearchText("");
        QCOMPARE(active.count(), 1);
        state.setSelectedVocal(std::nullopt);
        QVERIFY(!state.hasActiveSearch());
        QCOMPARE(active.count(), 2);
    }

    void collectsEachTagOnce() {
        QList<Track> tracks = catalogue;
        tracks[0].themes = QStringList{"Rain", ""};
        tracks[0].instruments = QStringList{"Piano"};
        tracks[0].tempo = "Slow";
        tracks[1].genre = "";
        tracks[2].tempo = "Slow";
        QStringList collected = AppState::collectAvailableTags(tracks);
        collected.sort();
        QCOMPARE(collected, (QStringList{"Ambient", "Calm", "Dark", "Hopeful", "Jazz",
                                         "Melancholic", "Piano", "Rain", "Slow"}));
        QVERIFY(AppState::collectAvailableTags({}).isEmpty());
    }

    void qmlBindsToTheLists() {
        AppState state(*m_store);
        state.setTracks(catalogue);
        QQmlEngine engine;
        engine.addImportPath("qrc:/qt/qml");
        state.exposeTo(engine);
        QQmlComponent component(&engine);
        component.setData("import QtQml\nimport QtQml.Models\nimport Aru\nQtObject {\n"
                          "  property int shown: AppState.filteredTracks.count\n"
                          "  property var chips: AppState.allSemanticTags\n"
                          "  property bool active: AppState.hasActiveSearch\n"
                          "  property var rows: Instantiator {\n"
                          "    model: AppState.suggestedTracks\n"
                          "    delegate: QtObject {\n"
                          "      property string text: model.title + '/' + model.track.artist\n"
                          "      property var id: model.trackId\n"
                          "    }\n"
                          "  }\n"
                          "}",
                          QUrl("qrc:/search-test.qml"));
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        QTRY_COMPARE(object->property("shown").toInt(), 4);
        QVERIFY(!object->property("active").toBool());

        state.setSearchText("night");
        QTRY_COMPARE(object->property("shown").toInt(), 1);
        QVERIFY(object->property("active").toBool());
        QCOMPARE(object->property("chips").toStringList(),
                 (QStringList{"Dark", "Atmospheric", "Urban"}));
        auto* rows = object->property("rows").value<QObject*>();
        QVERIFY(rows);
        QTRY_COMPARE(rows->property("count").toInt(), 1);
        QObject* row = nullptr;
        QMetaObject::invokeMethod(rows, "objectAt", Q_RETURN_ARG(QObject*, row), Q_ARG(int, 0));
        QVERIFY(row);
        QCOMPARE(row->property("text").toString(), QString("Night shift/Artist"));
        QCOMPARE(row->property("id").value<qint64>(), TrackId(2));
    }
};

ARU_TEST_MAIN(SearchStateTest)
#include "tst_search_state.moc"
