#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QtGlobal>

namespace aru::test {

struct RawResponse {
    int status = 0;
    QByteArray head; // status line and headers
    QByteArray body;
    bool closed = false; // the server closed the connection normally
    QByteArray header(const QByteArray& name) const;
    QJsonObject json() const;
};

// One request written on a plain socket and everything read back until the server ends the
// connection: what a normal client hides (a stalled body, an exact status) shows here.
class RawHttp {
public:
    static RawResponse exchange(quint16 port, const QByteArray& request, int timeoutMs = 20000);
};

} // namespace aru::test
