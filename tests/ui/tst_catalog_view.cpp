#include "AppServices.h"
#include "AuditionKeys.h"
#include "CatalogKeyboard.h"
#include "CatalogLayout.h"
#include "CatalogListState.h"
#include "ImageCache.h"
#include "Log.h"
#include "NetworkQuiet.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"
#include "TestState.h"
#include "TrackListModel.h"
#include "ViewHarness.h"

#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

using namespace aru;
using Content = CatalogListState::Content;
using Action = AuditionKeys::Action;

Q_DECLARE_METATYPE(aru::CatalogListState::Inputs)
using Response = test::ScriptedHttpServer::Response;

namespace {

Track makeTrack(TrackId id, const QString& title, const QString& genre) {
    Track track;
    track.id = id;
    track.title = title;
    track.artist = QStringLiteral("Artist");
    track.genre = genre;
    track.audioFile = QStringLiteral("/api/audio/%1.wav").arg(id);
    return track;
}

TagLibrary library(bool withTempos) {
    TagLibrary tags;
    tags.moods = QStringList{"Calm", "Dark"};
    tags.genres = QStringList{"Ambient", "Rock"};
    if (withTempos)
        tags.tempos = QStringList{"Slow"};
    return tags;
}

} // namespace

// The signed-in screen: its rules in C++ first, then the screen itself over a state of its own.
class CatalogViewTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_caches;
    std::unique_ptr<AppServices> m_services;
    std::unique_ptr<test::ScriptedHttpServer> m_server;
    std::unique_ptr<test::TestState> m_state;
    std::unique_ptr<test::ViewHarness> m_view;

    AppState& state() { return **m_state; }
    QQuickItem* item(const char* name) { return m_view->item(name); }
    bool shown(const char* name) {
        QQuickItem* found = item(name);
        return found && found->isVisible() && found->height() > 0;
    }
    void showScreen(int width) {
        m_view = std::make_unique<test::ViewHarness>("CatalogView.qml", QSize(width, 820));
        QVERIFY(m_view->isReady() && m_view->waitExposed());
    }

private slots:
    void init() {
        m_server = std::make_unique<test::ScriptedHttpServer>();
        qputenv("ARU_SYNC_BASE_URL", m_server->baseUrl().toString().toUtf8());
        m_services = std::make_unique<AppServices>(m_caches.path());
        m_state = std::make_unique<test::TestState>();
        state().preferences()->setLanguage(AppLanguage::En);
        state().catalog()->setTracks({makeTrack(1, "Rain", "Ambient"),
                                      makeTrack(2, "Night", "Rock"),
                                      makeTrack(3, "Harbour", "Ambient")});
    }
    void cleanup() { test::tearDownQuietly(m_services->network(), m_view, m_state, m_services); }

    void panelWidthFollowsTheScreen_data() {
        QTest::addColumn<qreal>("screen");
        QTest::addColumn<qreal>("panel");
        QTest::newRow("wide: half") << 1440.0 << 720.0;
        QTest::newRow("wide: never under 480") << 1000.0 << 500.0;
        QTest::newRow("compact: all but the strip") << 900.0 << 826.0;
        QTest::newRow("compact: never under 280") << 320.0 << 280.0;
    }
    void panelWidthFollowsTheScreen() {
        QFETCH(qreal, screen);
        QFETCH(qreal, panel);
        QCOMPARE(CatalogLayout::collectionPanelWidth(screen), panel);
    }

    void listContentTakesTheFirstCaseThatApplies_data() {
        QTest::addColumn<CatalogListState::Inputs>("inputs");
        QTest::addColumn<Content>("content");
        using I = CatalogListState::Inputs;
        QTest::newRow("loading wins") << I{true, 5, true, 3, 9, true} << Content::Loading;
        QTest::newRow("filtered") << I{false, 5, true, 3, 9, false} << Content::Tracks;
        QTest::newRow("suggestions when searching")
            << I{false, 0, true, 3, 9, false} << Content::Suggestions;
        QTest::newRow("no suggestions without a search")
            << I{false, 0, false, 3, 9, false} << Content::Empty;
        QTest::newRow("nothing matches") << I{false, 0, true, 0, 9, false} << Content::Empty;
        QTest::newRow("failed with no catalogue")
            << I{false, 0, false, 0, 0, true} << Content::LoadFailed;
        QTest::newRow("failed reload keeps the catalogue")
            << I{false, 9, false, 0, 9, true} << Content::Tracks;
    }
    void listContentTakesTheFirstCaseThatApplies() {
        QFETCH(CatalogListState::Inputs, inputs);
        QFETCH(Content, content);
        QCOMPARE(CatalogListState::contentFor(inputs), content);
    }

    // Space, Shift+→, F, / and Escape are pressed on the screen itself further down.
    void keysMapToActions_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("inField");
        QTest::addColumn<Action>("action");
        const int none = Qt::NoModifier;
        QTest::newRow("keypad enter")
            << int(Qt::Key_Enter) << none << false << Action::PlaySelected;
        QTest::newRow("ctrl F") << int(Qt::Key_F) << int(Qt::ControlModifier) << false
                                << Action::FocusSearch;
        QTest::newRow("ctrl D belongs to others")
            << int(Qt::Key_D) << int(Qt::ControlModifier) << false << Action::None;
        QTest::newRow("alt I belongs to menus")
            << int(Qt::Key_I) << int(Qt::AltModifier) << false << Action::None;
        QTest::newRow("F typed in the field") << int(Qt::Key_F) << none << true << Action::None;
        QTest::newRow("down in the field") << int(Qt::Key_Down) << none << true << Action::None;
    }
    void keysMapToActions() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, inField);
        QFETCH(Action, action);
        QCOMPARE(AuditionKeys::actionFor(key, Qt::KeyboardModifiers(modifiers), inField), action);
    }

    void selectionMovesStayInTheList_data() {
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("landsOn");
        QTest::newRow("down from none: first") << Action::SelectNext << -1 << 10 << 0;
        QTest::newRow("up from none: last") << Action::SelectPrevious << -1 << 10 << 9;
        QTest::newRow("down at the end stays") << Action::SelectNext << 9 << 10 << 9;
        QTest::newRow("page down clamps") << Action::SelectPageDown << 6 << 10 << 9;
        QTest::newRow("page up by a page") << Action::SelectPageUp << 7 << 10 << 3;
        QTest::newRow("empty list") << Action::SelectNext << 3 << 0 << -1;
        QTest::newRow("not a move") << Action::ToggleInfo << 4 << 10 << 4;
    }
    void selectionMovesStayInTheList() {
        QFETCH(Action, action);
        QFETCH(int, current);
        QFETCH(int, count);
        QFETCH(int, landsOn);
        QCOMPARE(AuditionKeys::movedSelection(action, current, count, 4), landsOn);
    }

    // Another list, not an edit of the one shown, marks only the positions now showing another
    // track, so rows keeping theirs are not built again; and it drops the keyboard's selection, a
    // row number that would now mean another track. An edit keeps a selection still in range.
    void anotherListMarksChangedRowsAndDropsTheSelection() {
        QList<Track> catalogue;
        for (int id = 0; id < 6; ++id)
            catalogue.append(makeTrack(id, "T", "G"));
        TrackListModel tracks;
        tracks.setRows(catalogue, {0, 1, 2, 3});
        CatalogKeyboard keyboard;
        keyboard.setTracks(&tracks);
        keyboard.setSelectedRow(1);
        tracks.setRows(catalogue, {0, 1, 3});
        QCOMPARE(keyboard.selectedRow(), 1);
        QSignalSpy changed(&tracks, &QAbstractItemModel::dataChanged);
        tracks.setRows(catalogue, {0, 5, 3, 4, 1});
        QCOMPARE(keyboard.selectedRow(), -1);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toModelIndex().row(), 1);
        QCOMPARE(changed[0][1].toModelIndex().row(), 1);
    }

    void theKeyboardAuditions() {
        showScreen(1280);
        QTRY_COMPARE(m_view->property("trackListView", "count").toInt(), 3);
        AudioPlayer& player = *state().playback()->audioPlayer();
        const auto press = [&](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QTest::keyClick(m_view->window(), Qt::Key(key), modifiers);
        };
        const auto currentId = [&] {
            return player.currentTrack() ? player.currentTrack()->id : 0;
        };
        press(Qt::Key_Down);
        QCOMPARE(m_view->property("trackListView", "currentIndex").toInt(), 0);
        QTRY_VERIFY(item("selectionFrame") && item("selectionFrame")->isVisible());
        QCOMPARE(currentId(), TrackId(0)); // paused: only the selection moves
        press(Qt::Key_Return);
        QCOMPARE(currentId(), TrackId(1));
        press(Qt::Key_Down); // playing: the new selection plays at once
        QCOMPARE(currentId(), TrackId(2));
        m_state->media().current->knownDuration = 100;
        m_state->media().current->tick(20);
        press(Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(m_state->media().eventsOf(m_state->media().made).last(), QString("seek 50"));
        press(Qt::Key_Space);
        QVERIFY(!player.isPlaying());
        press(Qt::Key_Down);
        QCOMPARE(currentId(), TrackId(2));
        press(Qt::Key_F);
        QCOMPARE(state().favorites()->favorites(), QList<TrackId>{3});

        // In the search field the keys are text; Escape steps out, clears, then closes.
        m_view->root()->setProperty("sidebarOpen", true);
        press(Qt::Key_Slash);
        QTRY_VERIFY(item("searchField")->hasActiveFocus());
        m_view->type("f");
        QCOMPARE(state().search()->searchText(), QString("f"));
        QCOMPARE(state().favorites()->favorites(), QList<TrackId>{3});
        press(Qt::Key_Escape);
        QVERIFY(!item("searchField")->hasActiveFocus());
        QCOMPARE(state().search()->searchText(), QString("f"));
        press(Qt::Key_Escape);
        QCOMPARE(state().search()->searchText(), QString());
        QVERIFY(m_view->root()->property("sidebarOpen").toBool());
        press(Qt::Key_Escape);
        QVERIFY(!m_view->root()->property("sidebarOpen").toBool());
    }

    void compactBelow960_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("compact");
        QTest::newRow("959") << 959 << true;
        QTest::newRow("960") << 960 << false;
    }
    // The layout switches at 960; the player bar and the list's spacer follow the current track.
    void compactBelow960() {
        QFETCH(int, width);
        QFETCH(bool, compact);
        showScreen(width);
        QCOMPARE(state().layout()->isCompact(), compact);
        QCOMPARE(item("tagline")->isVisible(), !compact);
        QCOMPARE(item("searchField")->mapToScene({0, 0}).x() < 64, compact);
        QQuickItem* spacer = nullptr;
        QTRY_VERIFY((spacer = item("playerSpacer")));
        QCOMPARE(spacer->height(), 0.0);
        QVERIFY(!item("stickyPlayer")->isVisible());
        state().playback()->audioPlayer()->play(state().catalog()->tracks().at(1));
        QTRY_VERIFY(shown("stickyPlayerContent"));
        QCOMPARE(item("volumeControl")->isVisible(), !compact);
        QTRY_COMPARE(spacer->height(), 80.0);
        QTRY_COMPARE(m_view->property("playerTitle", "text").toString(), QString("Night"));
        QTRY_COMPARE(m_view->property("stickyPlayer", "shown").toReal(), 1.0);
        m_view->click("closePlayerButton");
        QVERIFY(!state().playback()->audioPlayer()->currentTrack());
        QTRY_VERIFY(!item("stickyPlayer")->isVisible());
        QCOMPARE(spacer->height(), 0.0);
    }

    void filterRowsFollowTheTagLibrary() {
        showScreen(1280);
        QVERIFY(!item("moodRow")->isVisible() && !item("tempoRow")->isVisible());
        QVERIFY(item("vocalRow")->isVisible());
        state().catalog()->setTagLibrary(library(false));
        QVERIFY(item("moodRow")->isVisible() && item("genreRow")->isVisible());
        QVERIFY(!item("tempoRow")->isVisible());
        QTRY_VERIFY(item("filter_Rock")->x() > 0); // laid out

        // A click chooses, a second click on the chosen one clears, ALL clears the row only.
        m_view->click("filter_Instrumental");
        QCOMPARE(state().search()->selectedVocal(), std::optional<QString>("Instrumental"));
        m_view->click("filter_Rock");
        QCOMPARE(state().search()->selectedGenre(), std::optional<QString>("Rock"));
        QTRY_COMPARE(state().search()->filteredTracksModel()->count(), 0);
        m_view->click("filter_Instrumental");
        QCOMPARE(state().search()->selectedVocal(), std::nullopt);
        QTRY_COMPARE(state().search()->filteredTracksModel()->count(), 1);
        QTRY_COMPARE(m_view->property("trackListView", "count").toInt(), 1);
        state().search()->setSelectedMood(QStringLiteral("Calm"));
        m_view->click("genreRow_all");
        QTRY_COMPARE(state().search()->selectedGenre(), std::nullopt);
        QCOMPARE(state().search()->selectedMood(), std::optional<QString>("Calm"));
    }

    // The rows outlive a text that matches nothing: the next list keeps or rebinds them.
    // A list that travels shows its rows as pictures, painted away from the interface's thread,
    // and the rows themselves again once it rests; a row with its info panel open stays a row.
    void aTravellingListShowsPicturesThenRows() {
        QList<Track> many;
        const QColor coverColour(40, 90, 160);
        QImage cover(40, 40, QImage::Format_RGB32);
        cover.fill(coverColour);
        for (TrackId id = 1; id <= 40; ++id) {
            Track track = makeTrack(id, QStringLiteral("Track %1").arg(id), "Ambient");
            // In the cover cache's folder, so no row has to fetch it.
            track.coverArt = QStringLiteral("http://127.0.0.1:9/covers/%1.jpg").arg(id);
            QVERIFY(cover.save(m_services->covers().diskPath(track.coverArtURL()), "JPEG"));
            many.append(track);
        }
        state().catalog()->setTracks(many);
        showScreen(1280);
        QQuickItem* list = item("trackListView");
        QTRY_COMPARE(list->property("count").toInt(), 40);
        // A row just below the middle, which stays in view as the list travels half a page.
        QQuickItem* opened = nullptr;
        QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem*, opened),
                                  Q_ARG(int, int(list->height() / 2 / 108) + 1));
        QTRY_VERIFY(test::ViewHarness::find(opened, "trackRow"));
        test::ViewHarness::find(opened, "trackRow")->setProperty("showInfo", true);
        const auto inView = [&] {
            QList<QQuickItem*> shown;
            const qreal top = list->property("contentY").toReal();
            for (QQuickItem* slot :
                 list->property("contentItem").value<QQuickItem*>()->childItems())
                if (slot->objectName() == "trackSlot" && slot->isVisible() &&
                    slot->y() + slot->height() > top && slot->y() < top + list->height())
                    shown.append(slot);
            return shown;
        };
        const auto rows = [&] {
            const QList<QQuickItem*> shown = inView();
            return int(std::count_if(shown.cbegin(), shown.cend(), [](QQuickItem* slot) {
                return test::ViewHarness::find(slot, "trackRow") != nullptr;
            }));
        };
        const auto painted = [&] {
            const QList<QQuickItem*> shown = inView();
            return std::all_of(shown.cbegin(), shown.cend(), [](QQuickItem* slot) {
                QQuickItem* picture = test::ViewHarness::find(slot, "trackRowPicture");
                return !picture->isVisible() || picture->property("painted").toBool();
            });
        };
        list->setProperty("contentY", list->height() / 2 + 1);
        QVERIFY(list->property("scrolling").toBool());
        QCOMPARE(rows(), 1);
        QVERIFY(test::ViewHarness::find(opened, "trackRow"));
        QTRY_VERIFY(painted());
        QTRY_COMPARE(rows(), int(inView().size()));
        // The rows made once the list rested draw their covers, which arrive after them.
        const auto coversDrawn = [&] {
            const QImage shot = m_view->window()->grabWindow();
            const QRectF shownArea =
                list->mapRectToScene(QRectF(0, 0, list->width(), list->height()));
            const QList<QQuickItem*> shown = inView();
            return std::all_of(shown.cbegin(), shown.cend(), [&](QQuickItem* slot) {
                QQuickItem* image = test::ViewHarness::find(slot, "coverImage");
                const QPointF middle =
                    image->mapToScene(QPointF(image->width(), image->height()) / 2);
                return !shownArea.contains(middle) ||
                       test::ViewHarness::near(shot.pixelColor(middle.toPoint()), coverColour, 12);
            });
        };
        QTRY_VERIFY(coversDrawn());
    }

    void emptyStateKeepsTheRowsThenSuggestionsShow() {
        showScreen(1280);
        const auto row = [&](int index) {
            QQuickItem* found = nullptr;
            QMetaObject::invokeMethod(item("trackListView"), "itemAtIndex",
                                      Q_RETURN_ARG(QQuickItem*, found), Q_ARG(int, index));
            return found;
        };
        const auto listing = [&] {
            return item("trackListView")->opacity() > 0 && item("trackListView")->isEnabled();
        };
        QTRY_VERIFY(row(1));
        const QPointer<QQuickItem> night = row(1);
        state().search()->setSearchText(QStringLiteral("xyzzy"));
        QTRY_VERIFY(shown("emptyState"));
        QVERIFY(!listing());
        state().search()->setSearchText(QStringLiteral("night"));
        QTRY_VERIFY(listing() && row(0) == night);
        QCOMPARE(night->property("track").value<Track>().title, QString("Night"));

        state().search()->setSearchText(QStringLiteral("rai"));
        state().search()->setSelectedGenre(QStringLiteral("Rock"));
        // Nothing matches both, but something matches one: the ranked suggestions.
        QTRY_COMPARE(m_view->property("trackListView", "count").toInt(), 2);
    }

    void aFailedLoadSaysSoAndRetries() {
        state().catalog()->setTracks({});
        m_server->on("GET", "/api/sync/catalog", Response::text("down", 503));
        Log::Capture log;
        showScreen(1280);
        QTRY_VERIFY(shown("loadFailedState"));
        QCOMPARE(log.lines(), QStringList{"[Catalog] failed: HTTP 503: Erreur serveur"});
        QCOMPARE(m_view->property("loadErrorText", "text").toString(),
                 QString("HTTP 503: Erreur serveur"));
        QVERIFY(!shown("emptyState"));

        m_server->on("GET", "/api/sync/catalog",
                     Response::json(R"({"tracks":[{"id":5,"title":"Back","artist":"A"}]})"));
        m_view->click("retryButton");
        QTRY_COMPARE(m_view->property("trackListView", "count").toInt(), 1);
        QVERIFY(!shown("loadFailedState"));

        // A kept copy shown for want of the server says so on one line, and the list makes room.
        const qreal listHeight = item("trackListView")->height();
        state().catalog()->setShowingOfflineCopy(true);
        QTRY_VERIFY(shown("offlineNotice"));
        QCOMPARE(item("trackListView")->height(), listHeight - item("offlineNotice")->height());
    }

    void searchTextChangesAskForInterpretation() {
        showScreen(1280);
        int refreshes = 0;
        state().search()->setInterpretSearch(
            [&](QString, QStringList,
                QPointer<Cancellation>) -> QCoro::Task<std::optional<QStringList>> {
                ++refreshes;
                co_return QStringList{"Jazz"};
            });
        state().search()->setInterpretationDebounce(std::chrono::milliseconds(10));
        m_view->click("searchField");
        m_view->type("xyzzy");
        QTRY_VERIFY(shown("semanticChipsBar"));
        QTRY_COMPARE(refreshes, 1);
        m_view->click("clearSearchButton");
        QCOMPARE(state().search()->searchText(), QString());
        QVERIFY(!state().search()->aiSearching());
        QTRY_VERIFY(!shown("semanticChipsBar"));
    }

    void handleAndScrimOpenAndCloseTheCollection() {
        showScreen(1440);
        QQuickItem* root = m_view->root();
        m_view->click("collectionHandle");
        QTRY_VERIFY(root->property("sidebarOpen").toBool());
        QTRY_COMPARE(m_view->property("sidebarPanel", "width").toReal(), 720.0);
        QTRY_COMPARE(item("collectionHandle")->x(), 1440.0 - 720 - 56);
        root->setProperty("sidebarTab", 1);
        m_view->click("collectionScrim", {0.1, 0.5});
        QTRY_VERIFY(!root->property("sidebarOpen").toBool());
        QTRY_COMPARE(item("collectionHandle")->x(), 1440.0 - 56);
        QCOMPARE(root->property("sidebarTab").toInt(), 1);
    }
};

ARU_TEST_MAIN(CatalogViewTest)
#include "tst_catalog_view.moc"
