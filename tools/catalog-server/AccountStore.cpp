#include "AccountStore.h"

#include "JsonFile.h"

#include <QRandomGenerator>

namespace aru::server {

namespace {

QString newToken() {
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toHex());
}

} // namespace

AccountStore::AccountStore(std::vector<Account> accounts, QString sessionsPath)
    : m_accounts(std::move(accounts))
    , m_sessionsPath(std::move(sessionsPath)) {
    load();
}

std::vector<Account> AccountStore::demoAccounts() {
    const QString password = QStringLiteral("aru-demo");
    return {
        {QStringLiteral("demo@aru.test"), password, QStringLiteral("1001"), true},
        {QStringLiteral("pending@aru.test"), password, QStringLiteral("1002"), false},
        // A "+" in the address checks that clients percent-encode download credentials.
        {QStringLiteral("sync+jane@aru.test"), password, QStringLiteral("1003"), true},
    };
}

QString AccountStore::normalised(const QString& email) {
    return email.trimmed().toLower();
}

const Account* AccountStore::find(const QString& email) const {
    const QString wanted = normalised(email);
    for (const Account& account : m_accounts) {
        if (normalised(account.email) == wanted)
            return &account;
    }
    return nullptr;
}

void AccountStore::load() {
    const auto saved = JsonFile::read(m_sessionsPath);
    if (!saved)
        return;
    for (auto it = saved->begin(); it != saved->end(); ++it) {
        if (it.value().isString() && find(it.value().toString()))
            m_emailByToken[it.key()] = normalised(it.value().toString());
    }
}

AccountStore::SignIn AccountStore::signIn(const QString& email, const QString& password) {
    const Account* account = find(email);
    if (!account || account->password != password)
        return {};
    if (!account->approved)
        return {Outcome::NotApproved, {}, *account};

    const QString token = newToken();
    std::lock_guard lock(m_mutex);
    m_emailByToken[token] = normalised(account->email);
    QJsonObject sessions;
    for (const auto& [savedToken, savedEmail] : m_emailByToken)
        sessions.insert(savedToken, savedEmail);
    JsonFile::write(m_sessionsPath, sessions, true);
    return {Outcome::SignedIn, token, *account};
}

bool AccountStore::knows(const QString& email) const {
    return find(email) != nullptr;
}

std::optional<QString> AccountStore::emailForToken(const QString& token) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_emailByToken.find(token);
    if (it == m_emailByToken.end())
        return std::nullopt;
    return it->second;
}

} // namespace aru::server
