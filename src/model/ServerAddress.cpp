#include "ServerAddress.h"

#include <QHostAddress>
#include <QtGlobal>

namespace aru::ServerAddress {

namespace {

const char* const overrideVariable = "ARU_SYNC_BASE_URL";

QString withoutTrailingSlashes(QString address) {
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    return address;
}

QString configuredAddress() {
    const QString override = qEnvironmentVariable(overrideVariable);
    return withoutTrailingSlashes(override.isEmpty() ? QStringLiteral(ARU_SYNC_DEFAULT_BASE_URL)
                                                     : override);
}

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool isWebScheme(const QString& scheme) {
    return scheme == QLatin1String("https") || scheme == QLatin1String("http");
}

QUrl baseOrigin() {
    return QUrl(baseUrl(), QUrl::StrictMode);
}

} // namespace

QString baseUrl() {
    const QString address = configuredAddress();
    return problemWith(address).isEmpty() ? address : QString();
}

QString problemWith(const QString& address) {
    const QUrl url(withoutTrailingSlashes(address), QUrl::StrictMode);
    if (!url.isValid() || !isWebScheme(url.scheme()) || url.host().isEmpty())
        return QStringLiteral("%1 is not an http or https address with a host").arg(address);
    if (!url.userInfo().isEmpty() || !url.path().isEmpty() || url.hasQuery() || url.hasFragment())
        return QStringLiteral("%1 must be a scheme, a host and a port only").arg(address);
    if (url.scheme() == QLatin1String("http") && !isLoopbackHost(url.host()))
        return QStringLiteral("%1 uses plain http, which is allowed for a loopback host only "
                              "(localhost, 127.0.0.1, ::1); use https")
            .arg(address);
    return {};
}

QString overrideProblem() {
    const QString override = qEnvironmentVariable(overrideVariable);
    if (override.isEmpty())
        return {};
    const QString problem = problemWith(override);
    return problem.isEmpty() ? QString()
                             : QLatin1String(overrideVariable) + QLatin1String(": ") + problem;
}

QUrl resolve(const QString& address) {
    const QUrl url = address.startsWith(QLatin1String("http"))
                         ? QUrl(address, QUrl::TolerantMode)
                         : baseOrigin().resolved(QUrl(address, QUrl::TolerantMode));
    if (!url.isValid() || !isWebScheme(url.scheme()) || url.host().isEmpty())
        return {};
    return url;
}

bool isBaseOrigin(const QUrl& url) {
    const QUrl base = baseOrigin();
    const auto defaultPort = [](const QUrl& u) {
        return u.port(u.scheme() == QLatin1String("https") ? 443 : 80);
    };
    return base.isValid() && !base.host().isEmpty() && url.scheme() == base.scheme() &&
           url.host() == base.host() && defaultPort(url) == defaultPort(base);
}

} // namespace aru::ServerAddress
