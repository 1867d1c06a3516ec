#pragma once

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <optional>

namespace aru {

class AppState;

// The sign-in screen's state and flows: signing in with e-mail and password, or asking for a
// password-reset e-mail. A successful sign-in stores the session in the application state (which
// swaps the screen for the signed-in one) and starts loading the catalogue and the server's
// favourites. Created afresh with each sign-in screen; texts come from the state's language.
class LoginController : public QObject {
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(aru::AppState* appState READ appState WRITE setAppState NOTIFY appStateChanged)
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY emailChanged)
    Q_PROPERTY(QString password READ password WRITE setPassword NOTIFY passwordChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool resetMode READ resetMode NOTIFY resetModeChanged)
    // The message under the fields; hasError tells an absent message from an empty one.
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY errorChanged)
    Q_PROPERTY(QString resetSuccess READ resetSuccessText NOTIFY resetSuccessChanged)
    Q_PROPERTY(bool hasResetSuccess READ hasResetSuccess NOTIFY resetSuccessChanged)
    // Why the screen is shown when the server ended the session; empty otherwise.
    Q_PROPERTY(QString sessionNotice READ sessionNotice NOTIFY sessionNoticeChanged)
    Q_PROPERTY(QString submitLabel READ submitLabel NOTIFY submitLabelChanged)
    Q_PROPERTY(bool submitDisabled READ submitDisabled NOTIFY submitDisabledChanged)

public:
    explicit LoginController(QObject* parent = nullptr);

    // The text key of the submit button's label.
    static QString submitLabelKey(bool isLoading, bool resetMode);
    // Whether the submit button refuses presses. Emptiness is judged on the text as typed.
    static bool isSubmitDisabled(bool isLoading, bool resetMode, const QString& email,
                                 const QString& password);

    AppState* appState() const { return m_state; }
    void setAppState(AppState* state);
    QString email() const { return m_email; }
    void setEmail(const QString& email);
    QString password() const { return m_password; }
    void setPassword(const QString& password);
    bool isLoading() const { return m_isLoading; }
    bool resetMode() const { return m_resetMode; }
    const std::optional<QString>& error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }
    bool hasError() const { return m_error.has_value(); }
    const std::optional<QString>& resetSuccess() const { return m_resetSuccess; }
    QString resetSuccessText() const { return m_resetSuccess.value_or(QString()); }
    bool hasResetSuccess() const { return m_resetSuccess.has_value(); }
    QString sessionNotice() const;
    QString submitLabel() const;
    bool submitDisabled() const;

    // The submit button and Return in the e-mail field: the reset request in reset mode, else
    // the sign-in. Not held back by submitDisabled; only a request under way stops a flow.
    Q_INVOKABLE void submit();
    Q_INVOKABLE void login();
    Q_INVOKABLE void sendResetEmail();
    Q_INVOKABLE void toggleResetMode();

    // The two flows, for callers that wait for their end. Each does nothing while a request is
    // under way.
    QCoro::Task<> signIn();
    QCoro::Task<> requestPasswordReset();

signals:
    void appStateChanged();
    void emailChanged();
    void passwordChanged();
    void isLoadingChanged();
    void resetModeChanged();
    void errorChanged();
    void resetSuccessChanged();
    void sessionNoticeChanged();
    void submitLabelChanged();
    void submitDisabledChanged();

private:
    QString text(const QString& key) const;
    void setLoading(bool loading);
    void setError(std::optional<QString> error);
    void setResetSuccess(std::optional<QString> message);
    // Re-announces the derived values after any of their inputs changed.
    void derivedInputsChanged();

    QPointer<AppState> m_state;
    QString m_email;
    QString m_password;
    bool m_isLoading = false;
    bool m_resetMode = false;
    std::optional<QString> m_error;
    std::optional<QString> m_resetSuccess;
    QString m_shownLabel;
    bool m_shownDisabled = true;
};

} // namespace aru
