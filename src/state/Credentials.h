#pragma once

#include <QString>

namespace aru {

// The signed-in account as the server knows it. The session writes it; the parts that talk to
// the server on the user's behalf (favourites, downloads) read it when they need it.
struct Credentials {
    QString email;
    // The bearer token; empty while signed out.
    QString token;
};

} // namespace aru
