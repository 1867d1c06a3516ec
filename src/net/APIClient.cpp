#include "APIClient.h"

#include "CatalogDocumentReader.h"
#include "Downloader.h"
#include "HttpTransport.h"
#include "JsonFields.h"
#include "ServerAddress.h"

#include <QCoroFuture>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace aru {

namespace {

// GCC 12 cannot compile a byte-array literal inside a co_await expression.
const QByteArray get("GET");
const QByteArray post("POST");
const QByteArray deleteVerb("DELETE");

// Describing a picture takes the server longer than the other exchanges.
constexpr int imageSearchTimeoutMs = 30'000;

// The address of a server path, or an invalid URL when the base address is not usable.
QUrl endpoint(const QString& path) {
    const QUrl url(ServerAddress::baseUrl() + path);
    const bool usable =
        url.isValid() && !url.host().isEmpty() &&
        (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
    return usable ? url : QUrl();
}

QNetworkRequest jsonRequest(const QUrl& url) {
    QNetworkRequest request = HttpTransport::request(url, true);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    return request;
}

QNetworkRequest bearerRequest(const QUrl& url, const QString& token) {
    QNetworkRequest request = HttpTransport::request(url, true);
    request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    return request;
}

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<QJsonObject> jsonObject(const QByteArray& body, QString* why = nullptr) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        if (why)
            *why = error.errorString();
        return std::nullopt;
    }
    if (!document.isObject()) {
        if (why)
            *why = QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    return document.object();
}

// A member that must be absent, null or of the expected type.
template <typename T, typename Read>
bool readOptional(const QJsonObject& object, QLatin1String key, std::optional<T>& into, Read read) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return true;
    into = read(value);
    return into.has_value();
}

// Turns an answer into the client's error table: a missing status is "not HTTP" (0), a status
// of 400 or more is an http error without message.
std::optional<APIError> statusFailure(const HttpAnswer& answer) {
    if (!answer.status)
        return APIError::http(0);
    if (*answer.status >= 400)
        return APIError::http(*answer.status);
    return std::nullopt;
}

// Puts the file in place in one step: whoever looks finds the previous file whole, then the new
// one whole, never a part of either. Both lie in the same folder, so this never falls back to
// copying. Why it failed, or none.
std::optional<QString> replaceAtomically(const QString& from, const QString& to) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return std::nullopt;
    return QString::fromLocal8Bit(std::strerror(errno));
}

QCoro::Task<ApiResult<Done>> changeFavorite(QNetworkRequest request, QByteArray verb,
                                            QByteArray body) {
    auto answer = co_await HttpTransport::exchange(std::move(request), verb, body);
    if (!answer)
        co_return ApiResult<Done>::failure(answer.error());
    if (auto failure = statusFailure(answer.value()))
        co_return ApiResult<Done>::failure(*failure);
    co_return ApiResult<Done>::success({});
}

} // namespace

Decoded<LoginResponse> LoginResponse::fromJson(const QByteArray& body) {
    using Result = Decoded<LoginResponse>;
    QString why;
    const auto object = jsonObject(body, &why);
    if (!object)
        return Result::failure(why);
    LoginResponse response;
    const auto readBool = [](const QJsonValue& v) {
        return v.isBool() ? std::optional<bool>(v.toBool()) : std::nullopt;
    };
    if (!readOptional(*object, QLatin1String("success"), response.success, readBool) ||
        !readOptional(*object, QLatin1String("token"), response.token, JsonFields::string) ||
        !readOptional(*object, QLatin1String("error"), response.error, JsonFields::string))
        return Result::failure(QStringLiteral("a sign-in answer member has the wrong type"));
    const QJsonValue user = object->value(QLatin1String("user"));
    if (!user.isUndefined() && !user.isNull()) {
        const auto email = JsonFields::string(user.toObject().value(QLatin1String("email")));
        const auto id = JsonFields::string(user.toObject().value(QLatin1String("id")));
        if (!user.isObject() || !email || !id)
            return Result::failure(QStringLiteral("the signed-in user needs a text email and id"));
        response.user = LoginUser{*email, *id};
    }
    return Result::success(std::move(response));
}

Decoded<ImageSearchAnswer> ImageSearchAnswer::fromJson(const QByteArray& body) {
    using Result = Decoded<ImageSearchAnswer>;
    QString why;
    const auto object = jsonObject(body, &why);
    if (!object)
        return Result::failure(why);
    ImageSearchAnswer answer;
    if (!readOptional(*object, QLatin1String("description"), answer.description,
                      JsonFields::string) ||
        !readOptional(*object, QLatin1String("tags"), answer.tags, JsonFields::stringList))
        return Result::failure(QStringLiteral("the description must be a text and the tags a "
                                              "list of texts"));
    return Result::success(std::move(answer));
}

namespace APIClient {

QCoro::Task<ApiResult<LoginResponse>> login(QString email, QString password) {
    using Result = ApiResult<LoginResponse>;
    const QUrl url = endpoint(QStringLiteral("/api/sync/auth"));
    if (!url.isValid())
        co_return Result::failure(APIError::invalidURL());
    const QByteArray body =
        compact({{QLatin1String("email"), email}, {QLatin1String("password"), password}});
    auto answer = co_await HttpTransport::exchange(jsonRequest(url), post, body);
    if (!answer)
        co_return Result::failure(answer.error());
    if (!answer->status)
        co_return Result::failure(APIError::http(0, QStringLiteral("no http response")));
    // The body is decoded before the status is looked at: an unreadable answer is reported
    // as such whatever its status.
    auto response = LoginResponse::fromJson(answer->body);
    if (!response)
        co_return Result::failure(RequestError::decoding(
            QStringLiteral("The server's answer could not be read (%1).").arg(response.error())));
    const int status = *answer->status;
    if (status == 401)
        co_return Result::failure(APIError::unauthorized());
    if (response->error && response->error->toLower().contains(QLatin1String("incorrect")))
        co_return Result::failure(APIError::unauthorized());
    if (status == 403)
        co_return Result::failure(APIError::notApproved());
    if (status < 400)
        co_return Result::success(std::move(response).value());
    co_return Result::failure(APIError::http(status, response->error));
}

QCoro::Task<ApiResult<Done>> sendPasswordReset(QString email) {
    using Result = ApiResult<Done>;
    const QUrl url = endpoint(QStringLiteral("/api/sync/auth"));
    if (!url.isValid())
        co_return Result::failure(APIError::invalidURL());
    const QByteArray body = compact(
        {{QLatin1String("email"), email}, {QLatin1String("action"), QStringLiteral("reset")}});
    auto answer = co_await HttpTransport::exchange(jsonRequest(url), post, body);
    if (!answer)
        co_return Result::failure(answer.error());
    if (!answer->status)
        co_return Result::failure(APIError::http(0));
    if (*answer->status < 400)
        co_return Result::success({});
    std::optional<QString> message;
    if (const auto object = jsonObject(answer->body))
        message = JsonFields::string(object->value(QLatin1String("error")));
    co_return Result::failure(APIError::http(*answer->status, message));
}

QCoro::Task<ApiResult<SyncCatalog>> fetchCatalog() {
    using Result = ApiResult<SyncCatalog>;
    auto download = co_await downloadCatalog();
    if (!download)
        co_return Result::failure(download.error());
    auto catalog = co_await SyncCatalog::fromJsonInBackground(std::move(download).value().document);
    if (!catalog)
        co_return Result::failure(APIError::decoding(catalog.error()));
    co_return Result::success(std::move(catalog).value());
}

QCoro::Task<ApiResult<CatalogDownload>> downloadCatalog(CatalogValidators known) {
    using Result = ApiResult<CatalogDownload>;
    const QUrl url = endpoint(QStringLiteral("/api/sync/catalog"));
    if (!url.isValid())
        co_return Result::failure(APIError::invalidURL());
    QNetworkRequest request = HttpTransport::request(url, false);
    if (!known.etag.isEmpty())
        request.setRawHeader("If-None-Match", known.etag);
    if (!known.lastModified.isEmpty())
        request.setRawHeader("If-Modified-Since", known.lastModified);
    auto answer = co_await HttpTransport::getLarge(request, SyncCatalog::maxDocumentBytes,
                                                   qsizetype(CatalogDocumentReader::padding));
    if (!answer)
        co_return Result::failure(answer.error());
    // A 304 only means something as the answer to a question this client asked.
    if (answer->status == 304 && !known.isEmpty())
        co_return Result::success(CatalogDownload{true, {}, known});
    if (auto failure = statusFailure(answer.value()))
        co_return Result::failure(*failure);
    CatalogValidators validators{answer->header("ETag"), answer->header("Last-Modified")};
    co_return Result::success(
        CatalogDownload{false, std::move(answer).value().body, std::move(validators)});
}

QCoro::Task<ApiResult<QList<TrackId>>> fetchFavorites(QString token) {
    using Result = ApiResult<QList<TrackId>>;
    const QUrl url = endpoint(QStringLiteral("/api/sync/favorites"));
    if (!url.isValid())
        co_return Result::failure(APIError::invalidURL());
    auto answer = co_await HttpTransport::exchange(bearerRequest(url, token), get);
    if (!answer)
        co_return Result::failure(answer.error());
    if (auto failure = statusFailure(answer.value()))
        co_return Result::failure(*failure);
    const auto unreadable = [] {
        return Result::failure(APIError::decoding(QStringLiteral("no list of integer trackIds")));
    };
    const auto object = jsonObject(answer->body);
    const QJsonValue ids = object ? object->value(QLatin1String("trackIds")) : QJsonValue();
    if (!ids.isArray())
        co_return unreadable();
    QList<TrackId> trackIds;
    for (const QJsonValue& value : ids.toArray()) {
        const auto id = JsonFields::integer(value);
        if (!id)
            co_return unreadable();
        trackIds.append(*id);
    }
    co_return Result::success(std::move(trackIds));
}

QCoro::Task<ApiResult<Done>> addFavorite(QString token, TrackId trackId) {
    const QUrl url = endpoint(QStringLiteral("/api/sync/favorites"));
    if (!url.isValid())
        co_return ApiResult<Done>::failure(APIError::invalidURL());
    QNetworkRequest request = bearerRequest(url, token);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    const QByteArray body = compact({{QLatin1String("trackId"), trackId}});
    co_return co_await changeFavorite(std::move(request), post, body);
}

QCoro::Task<ApiResult<Done>> removeFavorite(QString token, TrackId trackId) {
    const QUrl url = endpoint(QStringLiteral("/api/sync/favorites?trackId=%1").arg(trackId));
    if (!url.isValid())
        co_return ApiResult<Done>::failure(APIError::invalidURL());
    co_return co_await changeFavorite(bearerRequest(url, token), deleteVerb, {});
}

QCoro::Task<std::optional<QStringList>> interpretSearch(QString query, QStringList availableTags,
                                                        QPointer<Cancellation> cancellation) {
    const QUrl url = endpoint(QStringLiteral("/api/search/interpret"));
    if (!url.isValid())
        co_return std::nullopt;
    const QByteArray body =
        compact({{QLatin1String("query"), query},
                 {QLatin1String("availableTags"), QJsonArray::fromStringList(availableTags)}});
    auto answer = co_await HttpTransport::exchange(jsonRequest(url), post, body, cancellation);
    if (!answer || statusFailure(answer.value()))
        co_return std::nullopt;
    const auto object = jsonObject(answer->body);
    if (!object)
        co_return std::nullopt;
    co_return JsonFields::stringList(object->value(QLatin1String("tags")));
}

QCoro::Task<ApiResult<ImageSearchAnswer>> searchByImage(QByteArray jpeg,
                                                        QStringList availableTags) {
    using Result = ApiResult<ImageSearchAnswer>;
    const QUrl url = endpoint(QStringLiteral("/api/search/image"));
    if (!url.isValid())
        co_return Result::failure(APIError::invalidURL());
    QNetworkRequest request = jsonRequest(url);
    request.setTransferTimeout(imageSearchTimeoutMs);
    const QByteArray body = compact(
        {{QLatin1String("image"), QString::fromLatin1("data:image/jpeg;base64," + jpeg.toBase64())},
         {QLatin1String("availableTags"), QJsonArray::fromStringList(availableTags)}});
    auto answer = co_await HttpTransport::exchange(std::move(request), post, body);
    if (!answer)
        co_return Result::failure(answer.error());
    auto decoded = ImageSearchAnswer::fromJson(answer->body);
    if (!decoded)
        co_return Result::failure(RequestError::decoding(
            QStringLiteral("The server's answer could not be read (%1).").arg(decoded.error())));
    co_return Result::success(std::move(decoded).value());
}

QCoro::Task<ApiResult<QString>> downloadWAV(Track track, QString email, QString token,
                                            QString destinationPath, ProgressCallback onProgress,
                                            QPointer<Cancellation> cancellation) {
    const QUrl url = track.downloadURL(email, token);
    if (!url.isValid())
        co_return ApiResult<QString>::failure(APIError::invalidURL());
    co_return co_await downloadFile(url, std::move(destinationPath), std::move(onProgress),
                                    cancellation);
}

QCoro::Task<ApiResult<QString>> downloadFile(QUrl url, QString destinationPath,
                                             ProgressCallback onProgress,
                                             QPointer<Cancellation> cancellation) {
    using Result = ApiResult<QString>;
    const QString folder = QFileInfo(destinationPath).absolutePath();
    auto file = co_await Downloader::download(url, folder, std::move(onProgress), cancellation);
    if (!file)
        co_return Result::failure(file.error());
    if (auto failure = statusFailure(HttpAnswer{file->status, {}})) {
        // An error page is never kept, not even as a temporary file.
        QFile::remove(file->path);
        co_return Result::failure(*failure);
    }
    if (const auto why = replaceAtomically(file->path, destinationPath)) {
        QFile::remove(file->path);
        co_return Result::failure(
            RequestError::fileSystem(QStringLiteral("Could not save the file: ") + *why));
    }
    co_return Result::success(destinationPath);
}

} // namespace APIClient
} // namespace aru
