#include "ServerAddress.h"

#include <QtGlobal>

namespace aru::ServerAddress {

QString baseUrl() {
    QString address = qEnvironmentVariable("ARU_SYNC_BASE_URL");
    if (address.isEmpty())
        address = QStringLiteral(ARU_SYNC_DEFAULT_BASE_URL);
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    return address;
}

} // namespace aru::ServerAddress
