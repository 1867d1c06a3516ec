#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPair>
#include <QUrl>

namespace aru::test {

struct ProbeReply {
    int status = 0;
    QByteArray body;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QHash<QByteArray, QByteArray> headers; // names in lower case

    QJsonObject json() const;
    QByteArray header(const QByteArray& name) const { return headers.value(name.toLower()); }
};

// Blocking HTTP requests to the test server through Qt's own client, redirects not followed.
class HttpProbe {
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    explicit HttpProbe(QUrl baseUrl);

    // `path` may carry a query; it is used exactly as written.
    ProbeReply get(const QString& path, const Headers& headers = {});
    ProbeReply post(const QString& path, const QByteArray& body, const Headers& headers = {});
    ProbeReply postJson(const QString& path, const QJsonObject& body, const Headers& headers = {});
    ProbeReply remove(const QString& path, const Headers& headers = {});

    // Signs in with the demo password; empty when it fails.
    QString signIn(const QString& email);
    static Headers bearer(const QString& token);

    QNetworkReply* startGet(const QString& path);
    static ProbeReply await(QNetworkReply* reply);

private:
    QNetworkRequest request(const QString& path, const Headers& headers) const;

    QUrl m_baseUrl;
    QNetworkAccessManager m_manager;
};

} // namespace aru::test
