#include "FontRegistry.h"
#include "TestHome.h"
#include "TestState.h"
#include "Theme.h"
#include "ViewHarness.h"

#include <QGuiApplication>
#include <memory>

using namespace aru;

// Renders the sign-in screen on a real window system and checks sizes and colours in the picture.
// The pictures are kept in "screenshots" beside the test binary (or in ARU_SCREENSHOT_DIR).
class LoginScreenshotsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TestState> m_state;
    std::unique_ptr<test::ViewHarness> m_view;

    QQuickItem* item(const char* name) const { return m_view->item(name); }
    QRect sceneRect(const char* name) const { return m_view->sceneRect(name); }
    QImage grab(const QString& name) { return m_view->grab(name); }
    static bool near(QColor actual, QColor expected) {
        return test::ViewHarness::near(actual, expected);
    }
    static QColor over(const QColor& top, const QColor& below) {
        return test::ViewHarness::over(top, below);
    }

private slots:
    void initTestCase() {
        FontRegistry::registerBundledFonts();
        qInfo("platform: %s", qPrintable(QGuiApplication::platformName()));
    }

    void init() {
        m_view.reset();
        m_state.reset();
        m_state = std::make_unique<test::TestState>();
        (*m_state)->preferences()->setLanguage(AppLanguage::En);
        m_view = std::make_unique<test::ViewHarness>("LoginView.qml");
        QVERIFY(m_view->isReady() && m_view->waitExposed());
    }

    void signInMode() {
        item("emailField")->setProperty("text", "demo@aru.test");
        QTest::qWait(100);
        const QImage empty = grab("login-sign-in-disabled");
        const QRect button = sceneRect("submitButton");
        // Disabled: the accent at half opacity over the page.
        const QColor halfAccent =
            over(QColor::fromRgbF(Theme::Color::accent.redF(), Theme::Color::accent.greenF(),
                                  Theme::Color::accent.blueF(), 0.5),
                 Theme::Color::bgDark);
        QVERIFY2(near(empty.pixelColor(button.left() + 3, button.center().y()), halfAccent),
                 qPrintable(empty.pixelColor(button.left() + 3, button.center().y()).name()));

        item("passwordField")->setProperty("text", "aru-demo");
        QTest::qWait(100);
        const QImage image = grab("login-sign-in");
        QCOMPARE(image.size() / m_view->window()->devicePixelRatio(), QSize(1280, 820));
        QVERIFY(near(image.pixelColor(5, 5), Theme::Color::bgDark));
        QVERIFY(
            near(image.pixelColor(button.left() + 3, button.center().y()), Theme::Color::accent));
        QCOMPARE(button.width(), 320);

        // The field: surface inside a one-point hairline of white at 10 % over the page.
        const QRect field = sceneRect("emailField");
        QCOMPARE(field.width(), 320);
        QVERIFY(near(image.pixelColor(field.right() - 3, field.center().y()),
                     Theme::Color::surfaceDark));
        QVERIFY(near(image.pixelColor(field.left(), field.center().y()),
                     over(Theme::Color::borderDark, Theme::Color::bgDark)));
        // The brand block sits above the form with the title block in between.
        QVERIFY(sceneRect("titleText").bottom() < field.top());
    }

    void resetMode() {
        QMetaObject::invokeMethod(m_view->root()->property("controller").value<QObject*>(),
                                  "toggleResetMode");
        item("emailField")->setProperty("text", "demo@aru.test");
        QTest::qWait(100);
        const QImage image = grab("login-reset");
        QVERIFY(!item("passwordField")->isVisible());
        const QRect button = sceneRect("submitButton");
        QVERIFY(
            near(image.pixelColor(button.left() + 3, button.center().y()), Theme::Color::accent));
        // The button follows the e-mail field directly (12 + 4 below it).
        QCOMPARE(button.top() - sceneRect("emailField").bottom() - 1, 16);
    }
};

ARU_TEST_MAIN(LoginScreenshotsTest)
#include "tst_login_screenshots.moc"
