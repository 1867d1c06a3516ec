#include "AppServices.h"
#include "FontRegistry.h"
#include "TestHome.h"
#include "TestState.h"
#include "Theme.h"
#include "ViewHarness.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <memory>

using namespace aru;
using test::ViewHarness;
namespace Color = Theme::Color;

// Renders the collection sidebar, the settings sheet and the image search button on a real
// window system, for review ("screenshots" beside the test binary, or ARU_SCREENSHOT_DIR), and
// checks the colours that follow their state.
class PanelScreenshotsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<AppServices> m_services;
    std::unique_ptr<test::TestState> m_state;
    std::unique_ptr<ViewHarness> m_view;
    QImage m_image;

    QRect rect(const char* name) const { return m_view->sceneRect(name); }
    bool colourAt(int x, int y, const QColor& expected) const {
        return ViewHarness::near(m_image.pixelColor(x, y), expected);
    }
    void show(const QString& file, QSize size, const QString& picture) {
        m_view = std::make_unique<ViewHarness>(file, size);
        QVERIFY(m_view->isReady() && m_view->waitExposed());
        // The page a view sits on shows through translucent borders and washes.
        m_view->window()->setColor(Color::bgDark);
        QTest::qWait(100);
        m_image = m_view->grab(picture);
    }

private slots:
    void initTestCase() {
        FontRegistry::registerBundledFonts();
        m_services = std::make_unique<AppServices>(m_dir.filePath("caches"));
        m_state = std::make_unique<test::TestState>();
        (*m_state)->preferences()->setLanguage(AppLanguage::En);
    }
    void cleanupTestCase() {
        m_view.reset();
        m_state.reset();
        m_services.reset();
    }

    void sidebarPanel() {
        (*m_state)->catalog()->setTracks({Track::fromJson(QJsonDocument::fromJson(
                                                              R"({"id":1,"title":"Night Drive",
                                                                  "artist":"Ava"})")
                                                              .object())
                                              .value()});
        (*m_state)->favorites()->toggleFavorite(1);
        show("SidebarPanel.qml", {420, 700}, "sidebar-panel");
        QVERIFY(colourAt(300, 650, Color::surfaceDark));
        const QRect field = rect("sidebarSearch");
        QVERIFY(colourAt(field.right() - 40, field.center().y(), Color::bgDark));
        // Only the active tab is underlined.
        const QRect favorites = rect("favoritesTab");
        const QRect downloads = rect("downloadsTab");
        QVERIFY(colourAt(favorites.center().x(), favorites.bottom(), Color::accent));
        QVERIFY(colourAt(downloads.center().x(), downloads.bottom(), Color::surfaceDark));
    }

    void settingsSheet() {
        show("SettingsView.qml", {380, 600}, "settings-sheet");
        // Only the chosen language is on the accent.
        const QRect english = rect("languageButton_en");
        const QRect french = rect("languageButton_fr");
        QVERIFY(colourAt(english.left() + 3, english.center().y(), Color::accent));
        QVERIFY(colourAt(french.left() + 3, french.center().y(), Color::surface2Dark));
    }

    void imageSearchButton() {
        show("ImageSearchButton.qml", {42, 36}, "image-search-button");
        QVERIFY(colourAt(3, 3, Color::surfaceDark));
        QTest::mouseMove(m_view->window(), QPoint(5, 5));
        QTRY_VERIFY(m_view->root()->property("hovered").toBool());
        QTest::qWait(50);
        m_image = m_view->grab("image-search-button-hovered");
        QVERIFY(colourAt(3, 3, ViewHarness::over(Color::accentSoft, Color::bgDark)));
        // A click opens the chooser, offering pictures whatever the case of their extension.
        auto* chooser = m_view->root()->findChild<QObject*>("imageFileDialog");
        m_view->click("imageSearchButton");
        QTRY_VERIFY(chooser->property("visible").toBool());
        QVERIFY(chooser->property("nameFilters").toStringList().value(0).contains("*.JPG"));
    }
};

ARU_TEST_MAIN(PanelScreenshotsTest)
#include "tst_panel_screenshots.moc"
