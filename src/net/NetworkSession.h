#pragma once

#include "SharedInstance.h"

#include <QNetworkAccessManager>

namespace aru {

// The one HTTP session every exchange with a server goes through: its connections, its cache of
// hosts and its settings are shared by the whole app, and go away with their owner.
class NetworkSession : public SharedInstance<NetworkSession> {
public:
    NetworkSession();

    QNetworkAccessManager& manager() { return m_manager; }

private:
    QNetworkAccessManager m_manager;
};

} // namespace aru
