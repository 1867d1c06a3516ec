#pragma once

#include <QString>
#include <QUrl>

namespace aru::ServerAddress {

// The catalogue server's base address (scheme and host, no trailing slash). The compiled-in
// https address, unless ARU_SYNC_BASE_URL names another one for development and tests; empty
// when that override is refused, so nothing is ever sent to it.
QString baseUrl();

// Why `address` cannot be the base address, or an empty text when it can: https with a host and
// nothing after it, or plain http to a loopback host only (a development server on this machine).
QString problemWith(const QString& address);
// The problem with the ARU_SYNC_BASE_URL override, or an empty text when it is unset or usable.
QString overrideProblem();

// An address of the catalogue server: one that begins with "http" as it stands, anything else
// resolved against the base address as a URL reference (so a path can never change the host).
// Invalid unless the result is an http or https address with a host.
QUrl resolve(const QString& address);
// Whether `url` goes to the base address's scheme, host and port: the only place credentials
// may be sent.
bool isBaseOrigin(const QUrl& url);

} // namespace aru::ServerAddress
