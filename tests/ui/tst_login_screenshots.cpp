#include "FontRegistry.h"
#include "TestHome.h"
#include "TestState.h"
#include "Theme.h"
#include "ViewHarness.h"

#include <QGuiApplication>
#include <memory>

using namespace aru;

// Renders the sign-in screen on a real window system and checks colours in the picture.
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

    // The button on the accent once it can send, at half opacity before; the e-mail field on the
    // surface inside a one-point hairline of white at 10 % over the page. Sizes: tst_login_view.
    void buttonAndField_data() {
        QTest::addColumn<bool>("reset");
        QTest::addColumn<QString>("password");
        QTest::addColumn<qreal>("buttonOpacity");
        QTest::newRow("login-sign-in-disabled") << false << "" << 0.5;
        QTest::newRow("login-sign-in") << false << "aru-demo" << 1.0;
        QTest::newRow("login-reset") << true << "" << 1.0;
    }
    void buttonAndField() {
        QFETCH(bool, reset);
        QFETCH(QString, password);
        QFETCH(qreal, buttonOpacity);
        if (reset)
            QMetaObject::invokeMethod(m_view->root()->property("controller").value<QObject*>(),
                                      "toggleResetMode");
        item("emailField")->setProperty("text", "demo@aru.test");
        item("passwordField")->setProperty("text", password);
        QTest::qWait(100);
        const QImage image = grab(QTest::currentDataTag());
        QVERIFY(near(image.pixelColor(5, 5), Theme::Color::bgDark));
        QColor accent = Theme::Color::accent;
        accent.setAlphaF(buttonOpacity);
        const QRect button = sceneRect("submitButton");
        const QColor shown = image.pixelColor(button.left() + 3, button.center().y());
        QVERIFY2(near(shown, over(accent, Theme::Color::bgDark)), qPrintable(shown.name()));
        const QRect field = sceneRect("emailField");
        QVERIFY(near(image.pixelColor(field.right() - 3, field.center().y()),
                     Theme::Color::surfaceDark));
        QVERIFY(near(image.pixelColor(field.left(), field.center().y()),
                     over(Theme::Color::borderDark, Theme::Color::bgDark)));
    }
};

ARU_TEST_MAIN(LoginScreenshotsTest)
#include "tst_login_screenshots.moc"
