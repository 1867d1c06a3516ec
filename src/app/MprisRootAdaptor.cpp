#include "MprisRootAdaptor.h"

#include "DesktopIdentity.h"
#include "MprisService.h"

namespace aru {

MprisRootAdaptor::MprisRootAdaptor(MprisService& service)
    : QDBusAbstractAdaptor(&service)
    , m_service(service) {}

QString MprisRootAdaptor::identity() const {
    return QStringLiteral("ARU Sync");
}

QString MprisRootAdaptor::desktopEntry() const {
    return DesktopIdentity::appId();
}

void MprisRootAdaptor::Raise() {
    m_service.raise();
}

void MprisRootAdaptor::Quit() {
    m_service.quit();
}

} // namespace aru
