#include "AppServices.h"
#include "NetworkQuiet.h"
#include "SampleTrack.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"
#include "TestState.h"
#include "Theme.h"
#include "TrackDragController.h"
#include "TrackInfoCells.h"
#include "TrackRowPainter.h"
#include "TrackRowPicture.h"
#include "ViewHarness.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <memory>

using namespace aru;
using Response = test::ScriptedHttpServer::Response;
using DragState = TrackDragController::DragState;

// The catalogue's track row and the sidebar's, driven by clicks over a fake player and a scripted
// server.
class TrackRowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::ScriptedHttpServer> m_server;
    std::unique_ptr<AppServices> m_services;
    std::unique_ptr<test::TestState> m_state;
    std::unique_ptr<test::ViewHarness> m_view;

    void show(const Track& track, const char* file = "TrackRow.qml", QVariantMap properties = {}) {
        m_view.reset();
        properties.insert("track", QVariant::fromValue(track));
        m_view = std::make_unique<test::ViewHarness>(file, QSize(1280, 300), properties);
        QVERIFY(m_view->isReady() && m_view->waitExposed());
    }
    QObject* controller(const char* name) const {
        return m_view->root()->property(name).value<QObject*>();
    }
    int moodChips() const {
        const auto chips = m_view->item("moodLine")->childItems();
        return int(std::count_if(chips.cbegin(), chips.cend(), [](const QQuickItem* i) {
            return i->objectName() == "moodChip" && i->isVisible();
        }));
    }
    AudioPlayer* player() { return (*m_state)->playback()->audioPlayer(); }
    DragState dragState() const {
        return controller("dragController")->property("dragState").value<DragState>();
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_server = test::ScriptedHttpServer::asCatalogueServer();
        m_server->setDefault(Response::text("none", 404));
        m_services = std::make_unique<AppServices>(m_dir->filePath("caches"));
        m_state = std::make_unique<test::TestState>();
        m_state->restartSignedIn("demo@aru.test", "token", m_dir->filePath("Downloads"));
        (*m_state)->preferences()->setLanguage(AppLanguage::En);
    }
    void cleanup() { test::tearDownQuietly(m_services->network(), m_view, m_state, m_services); }

    // Six moods: four chips in a wide window, two in a compact one. Without a genre there is no
    // genre text.
    void sparseTrackInWideAndCompactLayouts() {
        Track track = test::sampleTrack(m_server->baseUrl());
        track.genre.reset();
        track.year = 0;
        track.isrc = "";
        (*m_state)->layout()->updateLayout(1280);
        show(track);
        QCOMPARE(moodChips(), 4);
        (*m_state)->layout()->updateLayout(800);
        QCOMPARE(moodChips(), 2);
        QVERIFY(!m_view->item("genreText")->isVisible());

        m_view->click("infoButton");
        QTRY_VERIFY(m_view->item("infoPanel"));
        // The panel shows the cells the rules give, each as its label and its value; the rules
        // themselves are tst_track_view_rules' infoCellsListWhatTheTrackHas.
        QList<TrackInfoCells::Cell> shown;
        for (const QQuickItem* cell : m_view->item("infoGrid")->childItems()) {
            if (const auto lines = cell->childItems(); lines.size() == 2)
                shown.append(
                    {lines[0]->property("text").toString(), lines[1]->property("text").toString()});
        }
        QCOMPARE(shown, TrackInfoCells::cells(track, AppLanguage::En));
        QTRY_COMPARE(m_view->item("infoBox")->height(), m_view->item("infoPanel")->height());
        m_view->click("infoButton");
        QTRY_COMPARE(m_view->item("infoBox")->height(), 0.0);

        // A refreshed copy of the track keeps the panel open; a recycled row for another closes it.
        m_view->click("infoButton");
        Track refreshed = track;
        refreshed.title = "Rain (remastered)";
        m_view->root()->setProperty("track", QVariant::fromValue(refreshed));
        QVERIFY(m_view->root()->property("showInfo").toBool());
        Track other = track;
        other.id = track.id + 1;
        m_view->root()->setProperty("track", QVariant::fromValue(other));
        QVERIFY(!m_view->root()->property("showInfo").toBool());
    }

    // A click at 40 % of the strip of a track that is not playing marks where play starts; the
    // play button starts there once the length is known, and a second click pauses.
    void playStartsAtThePickedPointThenPauses() {
        show(test::sampleTrack(m_server->baseUrl()));
        m_view->click("waveformArea", {0.4, 0.5});
        QVERIFY(!player()->currentTrack());
        // Clicks land on whole pixels.
        const double picked = controller("controller")->property("pendingSeekPercent").toDouble();
        QVERIFY(qAbs(picked - 0.4) < 0.002);
        QCOMPARE(m_view->property("placeholderLine", "progress").toDouble(), picked);

        m_view->click("playButton");
        QCOMPARE(player()->currentTrack()->id, 42);
        QVERIFY(!controller("controller")->property("pendingSeekPercent").isValid());
        m_state->media().current->knownDuration = 200;
        m_state->media().current->tick(0);
        QCOMPARE(player()->currentTime(), picked * 200);
        QCOMPARE(m_view->property("playGlyph", "name").toString(), "pause.fill");

        m_view->click("playButton");
        QVERIFY(!player()->isPlaying());
        QCOMPARE(m_view->property("playGlyph", "name").toString(), "play.fill");
        QCOMPARE(m_state->media().eventsOf(1).filter("seek").size(), 1);
    }

    // The badge fetches a copy for dragging when clicked while idle, and ignores clicks while
    // loading and once ready.
    void badgeTakesClicksOnlyWhileIdle() {
        Response slow = Response::binary("RIFF....WAVE");
        slow.delayMs = 400;
        m_server->on("GET", "/api/download/42.wav", slow);
        // The waveform comes from the server, so the only download is the badge's.
        m_server->on("GET", "/api/sync/peaks/42", Response::json(R"({"peaks":[0.5]})"));
        show(test::sampleTrack(m_server->baseUrl()));
        QCOMPARE(m_view->property("badgeIcon", "name").toString(), "arrow.down");
        const QPoint corner = m_view->sceneRect("dragBadge").bottomRight();
        m_view->click("dragBadge");
        QCOMPARE(dragState(), DragState::Loading);
        QVERIFY(m_view->property("badgeRing", "active").toBool());
        // The ring grows the badge from 22 to 26, from its corner.
        QCOMPARE(m_view->sceneRect("dragBadge"), QRect(corner - QPoint(25, 25), QSize(26, 26)));
        m_view->click("dragBadge");
        QTRY_COMPARE(dragState(), DragState::Ready);
        QCOMPARE(m_view->property("badgeIcon", "name").toString(), "square.grid.3x3.fill");
        m_view->click("dragBadge");
        QTest::qWait(100);
        QCOMPARE(m_server->requestsTo("/api/download/").size(), 1);
    }

    void heartTogglesTheFavourite() {
        show(test::sampleTrack(m_server->baseUrl()));
        m_view->click("favoriteButton");
        QCOMPARE((*m_state)->favorites()->favorites(), QList<TrackId>{42});
        QCOMPARE(m_view->property("favoriteButton", "name").toString(), "heart.fill");
        m_view->click("favoriteButton");
        QVERIFY((*m_state)->favorites()->favorites().isEmpty());
    }

    // The sidebar's row: a remove button only in the favourites tab, and the picked start point.
    void sidebarRow() {
        const Track track = test::sampleTrack(m_server->baseUrl());
        (*m_state)->favorites()->toggleFavorite(42);
        show(track, "SidebarTrackRow.qml");
        QVERIFY(!m_view->item("removeButton")->isVisible());
        m_view->root()->setProperty("showsRemoveButton", true); // as on the favourites tab
        m_view->click("waveformArea", {0.3, 0.5});
        m_view->click("playButton");
        m_state->media().current->knownDuration = 100;
        m_state->media().current->tick(0);
        QVERIFY(qAbs(player()->currentTime() - 30) < 0.2);
        m_view->click("removeButton");
        QVERIFY((*m_state)->favorites()->favorites().isEmpty());
    }

    // The picture a scrolling list shows in place of a row is the row as it is drawn: a
    // favourite that is playing, with its moods, genre, cover and waveform, and one in the compact
    // layout with neither cover nor peaks.
    void restingPictureLooksLikeTheRow_data() {
        QTest::addColumn<bool>("rich");
        QTest::newRow("playing favourite") << true;
        QTest::newRow("compact, bare") << false;
    }
    void restingPictureLooksLikeTheRow() {
        QFETCH(bool, rich);
        Track track = test::sampleTrack(m_server->baseUrl());
        if (rich) {
            QFile peaks(m_services->waveforms().cacheFilePath(track.id));
            QVERIFY(peaks.open(QIODevice::WriteOnly) &&
                    peaks.write("[0.2,0.9,0.4,1,0.1,0.6,0.3,0.8,0.5,0.7,0.2,0.95]") > 0);
            peaks.close();
            QImage cover(300, 200, QImage::Format_RGB32);
            QPainter painter(&cover);
            painter.fillRect(cover.rect(), QColor(40, 90, 160));
            painter.fillRect(QRect(100, 50, 100, 100), QColor(230, 180, 60));
            painter.end();
            QVERIFY(cover.save(m_services->covers().diskPath(track.coverArtURL()), "JPEG"));
            (*m_state)->favorites()->toggleFavorite(track.id);
            player()->play(track);
            (*m_state)->layout()->updateLayout(1280);
        } else {
            track.genre.reset();
            (*m_state)->layout()->updateLayout(800);
        }
        show(track);
        m_view->window()->setColor(Theme::Color::bgDark);
        QTRY_VERIFY(m_view->item("waveformBars")->isVisible() == rich);
        // The row's layer shows the cover a frame or more after the cover came in.
        const QPoint coverMiddle = m_view->sceneRect("coverImage").center();
        QTRY_VERIFY(!rich ||
                    !test::ViewHarness::near(m_view->window()->grabWindow().pixelColor(coverMiddle),
                                             Theme::Color::surface2Dark, 8));
        const QRect line = m_view->sceneRect("rowLine");
        const QImage drawn = m_view->grab("row-drawn").copy(line);

        TrackRowPicture picture;
        picture.setAppState(m_state->get());
        picture.setTrack(track);
        picture.setWidth(line.width());
        QCOMPARE(TrackRowPainter::rowHeight(), qreal(line.height()));
        const QImage painted = TrackRowPainter::paint(picture.look());
        QCOMPARE(painted.size(), drawn.size());
        // Glyph edges may land a pixel apart and a little lighter or darker; shapes, texts, places
        // and colours may not: all but the odd glyph edge of each picture must be found in the
        // other within a pixel's reach.
        const auto unmatched = [](const QImage& a, const QImage& b) {
            int count = 0;
            for (int y = 0; y < a.height(); ++y) {
                for (int x = 0; x < a.width(); ++x) {
                    bool found = false;
                    for (int dy = -1; dy <= 1 && !found; ++dy)
                        for (int dx = -1; dx <= 1 && !found; ++dx)
                            found = b.rect().contains(x + dx, y + dy) &&
                                    test::ViewHarness::near(a.pixelColor(x, y),
                                                            b.pixelColor(x + dx, y + dy), 48);
                    count += found ? 0 : 1;
                }
            }
            return count;
        };
        const int different = unmatched(drawn, painted) + unmatched(painted, drawn);
        QVERIFY2(different < drawn.width() * drawn.height() / 2000,
                 qPrintable(QString("%1 pixels differ").arg(different)));
    }

    // The player bar's scrubber on its own: its cached peaks drawn, the played part in the accent.
    void scrubberShowsCachedPeaks() {
        QFile cache(m_services->waveforms().cacheFilePath(42));
        QVERIFY(cache.open(QIODevice::WriteOnly) && cache.write("[1,1,1,1,1,1,1,1,1,1]") > 0);
        cache.close();
        const Track track = test::sampleTrack(m_server->baseUrl());
        player()->play(track);
        m_state->media().current->knownDuration = 100;
        m_state->media().current->tick(50);
        show(track, "WaveformScrubber.qml");
        m_view->window()->setColor(Qt::black);
        QCOMPARE(m_view->property("positionText", "text").toString(), "0:50");
        QCOMPARE(m_view->property("durationText", "text").toString(), "1:40");
        const QRect bars = m_view->sceneRect("waveformBars");
        QCOMPARE(bars.height(), 36);
        const QImage image = m_view->grab("waveform-scrubber");
        const int slot = bars.width() / 10;
        QVERIFY(test::ViewHarness::near(image.pixelColor(bars.left() + slot / 2, bars.center().y()),
                                        Theme::Color::accent, 8));
        const QColor ahead = image.pixelColor(bars.left() + slot * 19 / 2, bars.center().y());
        QVERIFY2(ahead.red() == ahead.blue() && ahead.red() > 80, qPrintable(ahead.name()));
    }
};

ARU_TEST_MAIN(TrackRowTest)
#include "tst_track_row.moc"
