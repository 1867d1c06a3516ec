#include "RawHttp.h"

#include <QJsonDocument>
#include <QList>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace aru::test {

QByteArray RawResponse::header(const QByteArray& name) const {
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

QJsonObject RawResponse::json() const {
    return QJsonDocument::fromJson(body).object();
}

RawResponse RawHttp::exchange(quint16 port, const QByteArray& request, int timeoutMs) {
    RawResponse response;
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return response;
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QByteArray received;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL) ==
            request.size()) {
        char buffer[65536];
        for (;;) {
            const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
            if (count > 0) {
                received.append(buffer, count);
                continue;
            }
            response.closed = count == 0;
            break;
        }
    }
    ::close(fd);

    const qsizetype split = received.indexOf("\r\n\r\n");
    response.head = split < 0 ? received : received.left(split);
    response.body = split < 0 ? QByteArray() : received.mid(split + 4);
    const QList<QByteArray> statusLine = response.head.left(response.head.indexOf('\r')).split(' ');
    if (statusLine.size() >= 2)
        response.status = statusLine.at(1).toInt();
    return response;
}

} // namespace aru::test
