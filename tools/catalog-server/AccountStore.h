#pragma once

#include "Account.h"

#include <QString>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace aru::server {

// The accounts that can sign in and the session tokens handed out. Tokens are random per sign-in
// and saved, so a client that keeps its token stays signed in across server restarts.
class AccountStore {
public:
    enum class Outcome { SignedIn, WrongCredentials, NotApproved };
    struct SignIn {
        Outcome outcome = Outcome::WrongCredentials;
        QString token;
        Account account;
    };

    AccountStore(std::vector<Account> accounts, QString sessionsPath);

    SignIn signIn(const QString& email, const QString& password);
    bool knows(const QString& email) const;
    // The account e-mail the token was issued to.
    std::optional<QString> emailForToken(const QString& token) const;

    static std::vector<Account> demoAccounts();
    static QString normalised(const QString& email);

private:
    const Account* find(const QString& email) const;
    void load();

    std::vector<Account> m_accounts;
    QString m_sessionsPath;
    mutable std::mutex m_mutex;
    std::map<QString, QString> m_emailByToken;
};

} // namespace aru::server
