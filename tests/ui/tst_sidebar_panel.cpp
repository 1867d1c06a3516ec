#include "AppServices.h"
#include "DownloadEntry.h"
#include "NetworkQuiet.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"
#include "TestState.h"
#include "ViewHarness.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

using namespace aru;

namespace {

Track decoded(const char* json) {
    return Track::fromJson(QJsonDocument::fromJson(json).object()).value();
}

} // namespace

// The collection sidebar as the user drives it, over a collection with favourites and downloads.
// It relies only on the row's interface (its track and remove button), not on how a row looks.
class SidebarPanelTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_caches;
    std::unique_ptr<test::ScriptedHttpServer> m_server;
    std::unique_ptr<AppServices> m_services;
    std::unique_ptr<test::TestState> m_state;
    std::unique_ptr<test::ViewHarness> m_view;
    QTemporaryDir m_downloads;
    QList<Track> m_catalogue;

    QQuickItem* item(const char* name) const { return m_view->item(name); }
    QString text(const char* name) const { return item(name)->property("text").toString(); }
    // Lets the view apply what changed since its last frame, as it does before the user sees it.
    void nextFrame() const {
        QSignalSpy frame(m_view->window(), &QQuickWindow::frameSwapped);
        m_view->window()->update();
        frame.wait(2000);
    }
    // The rows of the list, top to bottom.
    QList<QQuickItem*> rows() const {
        nextFrame();
        QQuickItem* list = item("sidebarList");
        QList<QQuickItem*> found;
        for (int i = 0; i < list->property("count").toInt(); ++i) {
            QQuickItem* row = nullptr;
            QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem*, row),
                                      Q_ARG(int, i));
            found.append(row);
        }
        return found;
    }
    void clickCentre(QQuickItem* target) {
        const QPointF centre = target->mapToScene(QPointF(target->width(), target->height()) / 2);
        QTest::mouseClick(m_view->window(), Qt::LeftButton, {}, centre.toPoint());
    }
    QStringList rowTitles() const {
        QStringList titles;
        for (QQuickItem* row : rows())
            titles.append(row->property("track").value<Track>().title);
        return titles;
    }
    QString wavPath(int catalogueIndex) const {
        return QDir(m_downloads.path()).filePath(m_catalogue[catalogueIndex].suggestedFilename());
    }

private slots:
    void init() {
        // Rows ask for peaks and files: a local server refuses them, no lookup leaves the machine.
        m_server = test::ScriptedHttpServer::asCatalogueServer();
        m_services = std::make_unique<AppServices>(m_caches.path());
        m_state = std::make_unique<test::TestState>();
        // A stored collection: favourite 99 and history entry 42 have no track in the catalogue,
        // and the history holds Night Drive twice.
        m_state->store().setBytes("aru.favorites", "[3,1,99]");
        const auto entry = [](TrackId id) { return DownloadEntry{id, {}, {}, {}}; };
        m_state->store().setBytes(
            "aru.downloads",
            DownloadEntry::listToJson({entry(1), entry(2), entry(42), entry(1), entry(4)}));
        m_state->store().setString("aru.download.folder", m_downloads.path());
        m_state->restart();
        (*m_state)->preferences()->setLanguage(AppLanguage::En);
        m_catalogue = {
            decoded(R"({"id":1,"title":"Night Drive","artist":"Ava","mood":["Noir","Tense"]})"),
            decoded(R"({"id":2,"title":"Sunrise","artist":"Ben","genre":"Ambient"})"),
            decoded(R"({"id":3,"title":"City Lights","artist":"Cleo","album":"Noir Nights"})"),
            decoded(R"({"id":4,"title":"Harbour","artist":"Dan","mood":["Calm"]})"),
        };
        (*m_state)->catalog()->setTracks(m_catalogue);
        // Sunrise's file is no longer in the folder.
        for (const int at : {0, 3}) {
            QFile file(wavPath(at));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        m_view = std::make_unique<test::ViewHarness>("SidebarPanel.qml", QSize(420, 760));
        QVERIFY(m_view->isReady() && m_view->waitExposed());
    }
    void cleanup() { test::tearDownQuietly(m_services->network(), m_view, m_state, m_services); }

    void listsFollowTheFilterTheFavouritesAndTheFolder() {
        QCOMPARE(text("favoritesTabTitle"), "FAVORITES (2)");
        QCOMPARE(text("downloadsTabTitle"), "DOWNLOADS (3)");
        QCOMPARE(rowTitles(), (QStringList{"City Lights", "Night Drive"}));
        QVERIFY(!item("sidebarEmptyText")->isVisible());
        QVERIFY(!item("clearSearchButton")->isVisible());

        // Counts are those of the filtered lists.
        m_view->click("sidebarSearchField");
        m_view->type("  NOIR ");
        QCOMPARE(text("favoritesTabTitle"), "FAVORITES (2)"); // a mood, and an album
        QCOMPARE(text("downloadsTabTitle"), "DOWNLOADS (2)");
        m_view->type("ni");
        QCOMPARE(text("favoritesTabTitle"), "FAVORITES (1)");
        QCOMPARE(rowTitles(), QStringList{"City Lights"});
        m_view->type("x");
        QCOMPARE(text("favoritesTabTitle"), "FAVORITES (0)");
        QCOMPARE(text("downloadsTabTitle"), "DOWNLOADS (0)");
        QVERIFY(item("sidebarEmptyText")->isVisible());
        QCOMPARE(text("sidebarEmptyText"), "No results");
        m_view->click("clearSearchButton");
        QCOMPARE(text("sidebarSearchField"), "");
        QCOMPARE(rowTitles(), (QStringList{"City Lights", "Night Drive"}));

        // Removing a favourite from its row; the row that stays keeps its delegate.
        const QPointer<QQuickItem> nightDrive = rows().at(1);
        auto* remove = rows().at(0)->findChild<QQuickItem*>("removeButton");
        QVERIFY(remove && remove->isVisible());
        clickCentre(remove);
        QCOMPARE((*m_state)->favorites()->favorites(), (QList<TrackId>{1, 99}));
        QCOMPARE(text("favoritesTabTitle"), "FAVORITES (1)");
        QVERIFY(nightDrive && rows() == QList<QQuickItem*>{nightDrive});

        // The downloads, in history order, duplicates kept; no remove buttons there.
        m_view->click("downloadsTab");
        QCOMPARE(m_view->root()->property("tab").toInt(), 1);
        QCOMPARE(rowTitles(), (QStringList{"Night Drive", "Night Drive", "Harbour"}));
        for (QQuickItem* row : rows())
            QVERIFY(!row->property("showsRemoveButton").toBool());

        // A WAV deleted from the folder leaves the list without a restart.
        QVERIFY(QFile::remove(wavPath(3)));
        QTRY_COMPARE(text("downloadsTabTitle"), "DOWNLOADS (2)");
        QCOMPARE(rowTitles(), (QStringList{"Night Drive", "Night Drive"}));

        // Empty lists say why, in the interface's language.
        (*m_state)->favorites()->toggleFavorite(1);
        QVERIFY(QFile::remove(wavPath(0)));
        QTRY_VERIFY(item("sidebarEmptyText")->isVisible());
        QCOMPARE(text("sidebarEmptyText"), "No downloads");
        (*m_state)->preferences()->setLanguage(AppLanguage::Fr);
        QCOMPARE(text("sidebarEmptyText"), "Aucun téléchargement");
        m_view->click("favoritesTab");
        QCOMPARE(text("sidebarEmptyText"), "Aucun favori");
        QCOMPARE(text("favoritesTabTitle"), "FAVORIS (0)");

        m_view->click("closeButton");
        QCOMPARE(m_view->root()->property("isOpen").toBool(), false);
    }
};

ARU_TEST_MAIN(SidebarPanelTest)
#include "tst_sidebar_panel.moc"
