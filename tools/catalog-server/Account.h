#pragma once

#include <QString>

namespace aru::server {

// A demo account that can sign in; one not yet approved is refused with 403.
struct Account {
    QString email;
    QString password;
    QString userId;
    bool approved = true;
};

} // namespace aru::server
