#include "HttpProbe.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkProxy>
#include <QTimer>

namespace aru::test {

QJsonObject ProbeReply::json() const {
    return QJsonDocument::fromJson(body).object();
}

HttpProbe::HttpProbe(QUrl baseUrl)
    : m_baseUrl(std::move(baseUrl)) {
    m_manager.setProxy(QNetworkProxy::NoProxy);
}

QNetworkRequest HttpProbe::request(const QString& path, const Headers& headers) const {
    QNetworkRequest request(QUrl(m_baseUrl.toString() + path));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    return request;
}

ProbeReply HttpProbe::await(QNetworkReply* reply) {
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    ProbeReply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.error = reply->isFinished() ? reply->error() : QNetworkReply::TimeoutError;
    result.body = reply->readAll();
    for (const auto& [name, value] : reply->rawHeaderPairs())
        result.headers.insert(name.toLower(), value);
    reply->abort();
    reply->deleteLater();
    return result;
}

QNetworkReply* HttpProbe::startGet(const QString& path) {
    return m_manager.get(request(path, {}));
}

ProbeReply HttpProbe::get(const QString& path, const Headers& headers) {
    return await(m_manager.get(request(path, headers)));
}

ProbeReply HttpProbe::post(const QString& path, const QByteArray& body, const Headers& headers) {
    QNetworkRequest post = request(path, headers);
    post.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    return await(m_manager.post(post, body));
}

ProbeReply HttpProbe::postJson(const QString& path, const QJsonObject& body,
                               const Headers& headers) {
    return post(path, QJsonDocument(body).toJson(QJsonDocument::Compact), headers);
}

ProbeReply HttpProbe::remove(const QString& path, const Headers& headers) {
    return await(m_manager.deleteResource(request(path, headers)));
}

QString HttpProbe::signIn(const QString& email) {
    const ProbeReply reply = postJson(QStringLiteral("/api/sync/auth"),
                                      {{QStringLiteral("email"), email},
                                       {QStringLiteral("password"), QStringLiteral("aru-demo")}});
    return reply.json().value(QStringLiteral("token")).toString();
}

HttpProbe::Headers HttpProbe::bearer(const QString& token) {
    return {{QByteArrayLiteral("Authorization"), "Bearer " + token.toUtf8()}};
}

} // namespace aru::test
