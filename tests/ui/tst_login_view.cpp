#include "NetworkSession.h"
#include "ScriptedHttpServer.h"
#include "TestHome.h"
#include "TestState.h"
#include "ViewHarness.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <memory>

using namespace aru;
using aru::test::ScriptedHttpServer;
using Response = ScriptedHttpServer::Response;

// The sign-in screen as the user drives it: keys typed into its fields, clicks on its buttons.
class LoginViewTest : public QObject {
    Q_OBJECT

    NetworkSession m_network;
    std::unique_ptr<test::TestState> m_state;
    std::unique_ptr<ScriptedHttpServer> m_server;
    std::unique_ptr<test::ViewHarness> m_view;

    QQuickItem* item(const char* name) const { return m_view->item(name); }
    QString text(const char* name) const { return item(name)->property("text").toString(); }
    void click(const char* name) { m_view->click(name); }
    void type(const char* field, const QString& keys) {
        click(field);
        QTRY_VERIFY(item(field)->hasActiveFocus());
        m_view->type(keys);
    }
    void pressReturn() { QTest::keyClick(m_view->window(), Qt::Key_Return); }

private slots:
    void init() {
        m_state.reset();
        m_state = std::make_unique<test::TestState>();
        (*m_state)->preferences()->setLanguage(AppLanguage::En);
        m_server = ScriptedHttpServer::asCatalogueServer();
        m_view = std::make_unique<test::ViewHarness>("LoginView.qml");
        QVERIFY(m_view->isReady() && m_view->waitExposed());
    }
    void cleanup() {
        m_view.reset();
        m_state.reset();
        m_server.reset();
    }

    void returnInTheEmailFieldSignsInWithoutAPassword() {
        m_server->on("POST", "/api/sync/auth", Response::json(R"({"error":"x"})", 401));
        QVERIFY(item("emailField")->hasActiveFocus()); // ready for typing
        type("emailField", "jane@aru.test");
        QVERIFY(!item("submitButton")->isEnabled());
        QCOMPARE(item("submitButton")->opacity(), 0.5);
        click("submitButton"); // a disabled button sends nothing
        QTest::qWait(50);
        QCOMPARE(m_server->requestsTo("/api/sync/auth").size(), 0);

        pressReturn();
        QTRY_COMPARE(m_server->requestsTo("/api/sync/auth").size(), 1);
        const QJsonObject body =
            QJsonDocument::fromJson(m_server->requestsTo("/api/sync/auth")[0].body).object();
        QCOMPARE(body.value("email").toString(), "jane@aru.test");
        QCOMPARE(body.value("password").toString(), "");
        QTRY_VERIFY(item("errorText")->isVisible());
        QCOMPARE(text("errorText"), "Email ou mot de passe incorrect");
    }

    void secondReturnWhileLoadingIsIgnored() {
        Response slow = Response::json(R"({"error":"maintenance"})", 500);
        slow.delayMs = 400;
        m_server->on("POST", "/api/sync/auth", slow);
        type("emailField", "jane@aru.test");
        type("passwordField", "pw");
        QVERIFY(item("submitButton")->isEnabled());
        QCOMPARE(item("submitButton")->opacity(), 1.0);
        pressReturn(); // in the password field
        QTRY_VERIFY(item("submitSpinner")->isVisible());
        QCOMPARE(text("submitLabel"), "SIGNING IN…");
        QVERIFY(!item("submitButton")->isEnabled());
        pressReturn();
        click("emailField");
        pressReturn();
        QTRY_COMPARE(text("errorText"), "HTTP 500: maintenance");
        QVERIFY(!item("submitSpinner")->isVisible());
        QCOMPARE(text("submitLabel"), "SIGN IN");
        QTest::qWait(100);
        QCOMPARE(m_server->requestsTo("/api/sync/auth").size(), 1);
    }

    void resetModeRoundTrip() {
        type("emailField", "jane@aru.test");
        type("passwordField", "pw");
        click("modeLink");
        QVERIFY(!item("passwordField")->isVisible());
        QCOMPARE(text("emailField"), "jane@aru.test"); // typed values survive the switch
        QCOMPARE(text("submitLabel"), "SEND");
        QCOMPARE(text("titleText"), "Receive a recovery link");
        QCOMPARE(text("subtitleText"), "RESET PASSWORD");

        m_server->on("POST", "/api/sync/auth", Response::json(R"({"error":"boom"})", 500), 1);
        click("submitButton");
        QTRY_COMPARE(text("errorText"), "HTTP 500: boom");
        QVERIFY(item("errorText")->isVisible());

        m_server->on("POST", "/api/sync/auth", Response::json(R"({"success":true})"));
        type("emailField", "");
        pressReturn(); // Return in the e-mail field sends too
        QTRY_VERIFY(item("resetSuccessText")->isVisible());
        QCOMPARE(text("resetSuccessText"), "Email sent. Check your inbox to set a new password.");
        QVERIFY(!item("errorText")->isVisible()); // a new request clears the old message
        QCOMPARE(text("submitLabel"), "SEND");    // still in reset mode
        const QJsonObject body =
            QJsonDocument::fromJson(m_server->requestsTo("/api/sync/auth").last().body).object();
        QCOMPARE(body.value("action").toString(), "reset");
        QCOMPARE(body.value("email").toString(), "jane@aru.test");

        click("modeLink");
        QVERIFY(!item("resetSuccessText")->isVisible());
        QVERIFY(item("passwordField")->isVisible());
        QCOMPARE(text("passwordField"), "pw");
        QCOMPARE(text("submitLabel"), "SIGN IN");
        QCOMPARE(text("titleText"), "Sign in");
    }

    void textsFollowTheLanguage() {
        (*m_state)->preferences()->setLanguage(AppLanguage::Fr);
        QCOMPARE(text("titleText"), "Connexion");
        QCOMPARE(text("submitLabel"), "SE CONNECTER");
        QCOMPARE(item("emailField")->property("placeholderText").toString(), "Email");
        QCOMPARE(item("passwordField")->property("placeholderText").toString(), "Mot de passe");
    }

    // A column 320 wide centred in the window under the title, the button 4 below the form's
    // usual 12-point spacing after the last field, in both modes.
    void formIsAColumn320Wide() {
        QCOMPARE(item("form")->mapToScene(QPointF(0, 0)).x(), (1280.0 - 320) / 2);
        for (const char* name : {"form", "emailField", "passwordField", "submitButton"})
            QCOMPARE(item(name)->width(), 320.0);
        const auto bottom = [this](const char* name) {
            return item(name)->mapToScene(QPointF(0, item(name)->height())).y();
        };
        QVERIFY(bottom("titleText") < item("emailField")->mapToScene(QPointF(0, 0)).y());
        const auto gapAbove = [&](const char* field) {
            return item("submitButton")->mapToScene(QPointF(0, 0)).y() - bottom(field);
        };
        QCOMPARE(gapAbove("passwordField"), 16.0);
        click("modeLink");
        QTRY_COMPARE(gapAbove("emailField"), 16.0);
    }
};

ARU_TEST_MAIN(LoginViewTest)
#include "tst_login_view.moc"
