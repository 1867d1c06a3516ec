#include "AppServices.h"
#include "DownloadEntry.h"
#include "FontRegistry.h"
#include "TestHome.h"
#include "TestState.h"
#include "Theme.h"
#include "ViewHarness.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <memory>

using namespace aru;
using test::ViewHarness;

// Renders the collection sidebar, the settings sheet and the image search button on a real window
// system and checks sizes and colours in the pictures ("screenshots" beside the test binary, or
// ARU_SCREENSHOT_DIR).
class PanelScreenshotsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<AppServices> m_services;
    std::unique_ptr<test::TestState> m_state;
    std::unique_ptr<ViewHarness> m_view;

    QRect rect(const char* name) const { return m_view->sceneRect(name); }
    static QColor surface() { return Theme::Color::surfaceDark; }

private slots:
    void initTestCase() {
        FontRegistry::registerBundledFonts();
        m_services = std::make_unique<AppServices>(m_dir.filePath("caches"));
    }
    void init() {
        m_view.reset();
        m_state = std::make_unique<test::TestState>();
        (*m_state)->preferences()->setLanguage(AppLanguage::En);
    }
    void cleanup() {
        m_view.reset();
        m_state.reset();
    }
    void cleanupTestCase() { m_services.reset(); }

    void sidebarPanel() {
        const Track track = Track::fromJson(QJsonDocument::fromJson(
                                                R"({"id":1,"title":"Night Drive","artist":"Ava"})")
                                                .object())
                                .value();
        (*m_state)->catalog()->setTracks({track});
        (*m_state)->favorites()->toggleFavorite(1);
        m_view = std::make_unique<ViewHarness>("SidebarPanel.qml", QSize(420, 700));
        QVERIFY(m_view->isReady() && m_view->waitExposed());
        QTest::qWait(100);
        const QImage image = m_view->grab("sidebar-panel");

        // The panel's surface, with a hairline along its leading edge.
        QVERIFY(ViewHarness::near(image.pixelColor(300, 650), surface()));
        QVERIFY(ViewHarness::near(image.pixelColor(0, 650),
                                  ViewHarness::over(Theme::Color::borderDark, surface())));
        // The search field: set in by 24, on the page colour inside a hairline.
        const QRect field = rect("sidebarSearch");
        QCOMPARE(field.left(), 24);
        QCOMPARE(field.width(), 420 - 48);
        QVERIFY(ViewHarness::near(image.pixelColor(field.right() - 40, field.center().y()),
                                  Theme::Color::bgDark));
        QVERIFY(ViewHarness::near(image.pixelColor(field.left(), field.center().y()),
                                  ViewHarness::over(Theme::Color::borderDark, surface())));
        QCOMPARE(rect("sidebarHeader").bottom() + 1, field.top());
        // Two tabs of equal width below it, 12 further down; the active one underlined.
        const QRect favorites = rect("favoritesTab");
        const QRect downloads = rect("downloadsTab");
        QCOMPARE(favorites.top(), field.bottom() + 1 + 12);
        QCOMPARE(favorites.width(), 210);
        QCOMPARE(downloads.width(), 210);
        QVERIFY(ViewHarness::near(image.pixelColor(favorites.center().x(), favorites.bottom()),
                                  Theme::Color::accent));
        QVERIFY(ViewHarness::near(image.pixelColor(downloads.center().x(), downloads.bottom()),
                                  surface()));
        QCOMPARE(rect("favoritesTabTitle").top() - favorites.top(), 12);
    }

    void settingsSheet() {
        m_view = std::make_unique<ViewHarness>("SettingsView.qml", QSize(380, 600));
        QVERIFY(m_view->isReady() && m_view->waitExposed());
        QTest::qWait(100);
        const QImage image = m_view->grab("settings-sheet");
        QCOMPARE(m_view->root()->implicitWidth(), 380.0);
        QCOMPARE(m_view->root()->implicitHeight(), 600.0);
        QVERIFY(ViewHarness::near(image.pixelColor(370, 590), surface()));
        // The header's bottom hairline.
        const QRect header = rect("settingsHeader");
        QVERIFY(ViewHarness::near(image.pixelColor(200, header.bottom()),
                                  ViewHarness::over(Theme::Color::borderDark, surface())));
        // The chosen language on the accent, the others on the raised surface; 6 apart.
        const QRect english = rect("languageButton_en");
        const QRect french = rect("languageButton_fr");
        QCOMPARE(english.left(), 24);
        QCOMPARE(french.left() - english.right() - 1, 6);
        QVERIFY(ViewHarness::near(image.pixelColor(english.left() + 3, english.center().y()),
                                  Theme::Color::accent));
        QVERIFY(ViewHarness::near(image.pixelColor(french.left() + 3, french.center().y()),
                                  Theme::Color::surface2Dark));
        QVERIFY(ViewHarness::near(image.pixelColor(french.left(), french.center().y()),
                                  ViewHarness::over(Theme::Color::borderDark, surface())));
        // The section titles in the accent: the first one 24 below the header.
        QCOMPARE(rect("languageSectionTitle").top() - header.bottom() - 1, 24);
        // The folder on the raised surface, across the column's width.
        const QRect folder = rect("folderDisplay").adjusted(-10, -10, 10, 10);
        QCOMPARE(folder.width(), 380 - 48);
        QVERIFY(ViewHarness::near(image.pixelColor(folder.right() - 2, folder.top() + 2),
                                  Theme::Color::surface2Dark));
    }

    void imageSearchButton() {
        m_view = std::make_unique<ViewHarness>("ImageSearchButton.qml", QSize(42, 36));
        QVERIFY(m_view->isReady() && m_view->waitExposed());
        // The page the search bar sits on shows through the translucent border.
        m_view->window()->setColor(Theme::Color::bgDark);
        QTest::qWait(100);
        const QImage idle = m_view->grab("image-search-button");
        QCOMPARE(m_view->root()->implicitWidth(), 42.0);
        QCOMPARE(m_view->root()->implicitHeight(), 36.0);
        QVERIFY(ViewHarness::near(idle.pixelColor(3, 3), surface()));
        QVERIFY(
            ViewHarness::near(idle.pixelColor(0, 18),
                              ViewHarness::over(Theme::Color::borderDark, Theme::Color::bgDark)));
        // The symbol in the accent, in the middle.
        bool accentInside = false;
        for (int x = 14; x < 28; ++x)
            accentInside |= ViewHarness::near(idle.pixelColor(x, 18), Theme::Color::accent, 40);
        QVERIFY(accentInside);
        // Hovered: the accent's soft wash over what lies behind.
        QTest::mouseMove(m_view->window(), QPoint(5, 5));
        QTRY_VERIFY(m_view->root()->property("hovered").toBool());
        QTest::qWait(50);
        const QImage hovered = m_view->grab("image-search-button-hovered");
        QVERIFY(
            ViewHarness::near(hovered.pixelColor(3, 3),
                              ViewHarness::over(Theme::Color::accentSoft, Theme::Color::bgDark)));
    }
};

ARU_TEST_MAIN(PanelScreenshotsTest)
#include "tst_panel_screenshots.moc"
