#include "LoginController.h"

#include "APIClient.h"
#include "AppState.h"
#include "L10n.h"

namespace aru {

LoginController::LoginController(QObject* parent)
    : QObject(parent) {
    m_shownLabel = submitLabel();
    m_shownDisabled = submitDisabled();
}

QString LoginController::submitLabelKey(bool isLoading, bool resetMode) {
    if (resetMode)
        return isLoading ? QStringLiteral("login.reset.sending")
                         : QStringLiteral("login.reset.send");
    return isLoading ? QStringLiteral("login.submit.loading") : QStringLiteral("login.submit");
}

bool LoginController::isSubmitDisabled(bool isLoading, bool resetMode, const QString& email,
                                       const QString& password) {
    if (isLoading)
        return true;
    if (resetMode)
        return email.isEmpty();
    return email.isEmpty() || password.isEmpty();
}

void LoginController::setAppState(AppState* state) {
    if (m_state == state)
        return;
    if (m_state) {
        disconnect(m_state->preferences(), nullptr, this, nullptr);
        disconnect(m_state->session(), nullptr, this, nullptr);
    }
    m_state = state;
    if (m_state) {
        connect(m_state->preferences(), &Preferences::languageChanged, this, [this] {
            derivedInputsChanged();
            emit sessionNoticeChanged();
        });
        connect(m_state->session(), &Session::sessionExpiredChanged, this,
                &LoginController::sessionNoticeChanged);
    }
    emit appStateChanged();
    emit sessionNoticeChanged();
    derivedInputsChanged();
}

void LoginController::setEmail(const QString& email) {
    if (m_email == email)
        return;
    m_email = email;
    emit emailChanged();
    derivedInputsChanged();
}

void LoginController::setPassword(const QString& password) {
    if (m_password == password)
        return;
    m_password = password;
    emit passwordChanged();
    derivedInputsChanged();
}

QString LoginController::text(const QString& key) const {
    return m_state ? m_state->preferences()->t(key) : L10n::t(key, AppLanguages::systemDefault());
}

QString LoginController::sessionNotice() const {
    const bool expired = m_state && m_state->session()->sessionExpired();
    return expired ? text(QStringLiteral("login.sessionExpired")) : QString();
}

QString LoginController::submitLabel() const {
    return text(submitLabelKey(m_isLoading, m_resetMode));
}

bool LoginController::submitDisabled() const {
    return isSubmitDisabled(m_isLoading, m_resetMode, m_email, m_password);
}

void LoginController::derivedInputsChanged() {
    if (const QString label = submitLabel(); label != m_shownLabel) {
        m_shownLabel = label;
        emit submitLabelChanged();
    }
    if (const bool disabled = submitDisabled(); disabled != m_shownDisabled) {
        m_shownDisabled = disabled;
        emit submitDisabledChanged();
    }
}

void LoginController::setLoading(bool loading) {
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    emit isLoadingChanged();
    derivedInputsChanged();
}

void LoginController::setError(std::optional<QString> error) {
    if (m_error == error)
        return;
    m_error = std::move(error);
    emit errorChanged();
}

void LoginController::setResetSuccess(std::optional<QString> message) {
    if (m_resetSuccess == message)
        return;
    m_resetSuccess = std::move(message);
    emit resetSuccessChanged();
}

void LoginController::submit() {
    if (m_resetMode)
        sendResetEmail();
    else
        login();
}

void LoginController::login() {
    signIn();
}

void LoginController::sendResetEmail() {
    requestPasswordReset();
}

void LoginController::toggleResetMode() {
    m_resetMode = !m_resetMode;
    emit resetModeChanged();
    setError(std::nullopt);
    setResetSuccess(std::nullopt);
    derivedInputsChanged();
}

QCoro::Task<> LoginController::signIn() {
    if (m_isLoading)
        co_return;
    setLoading(true);
    setError(std::nullopt);
    // Storing the session swaps this screen out, which may destroy this object: everything
    // after the request goes through these two guards.
    const QPointer<LoginController> self(this);
    const QPointer<AppState> state = m_state;
    const auto result = co_await APIClient::login(m_email, m_password);

    const bool complete = result && result->token && result->user;
    if (self) {
        if (!result)
            setError(result.error().description());
        else if (!complete)
            setError(result->error.value_or(text(QStringLiteral("login.invalidResponse"))));
        setLoading(false);
    }
    // A session the server granted is kept even when the screen has gone meanwhile.
    if (!complete || !state)
        co_return;

    state->session()->signIn(result->user->email, *result->token);
}

QCoro::Task<> LoginController::requestPasswordReset() {
    if (m_isLoading)
        co_return;
    setLoading(true);
    setError(std::nullopt);
    setResetSuccess(std::nullopt);
    const QPointer<LoginController> self(this);
    const auto result = co_await APIClient::sendPasswordReset(m_email);
    if (!self)
        co_return;
    if (result)
        setResetSuccess(text(QStringLiteral("login.reset.success")));
    else
        setError(result.error().description());
    setLoading(false);
}

} // namespace aru
