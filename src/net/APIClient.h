#pragma once

#include "CatalogValidators.h"
#include "Expected.h"
#include "RequestError.h"
#include "SyncCatalog.h"
#include "Track.h"

#include <QCoroTask>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <optional>
#include <variant>

namespace aru {

class Cancellation;

template <typename T> using ApiResult = Expected<T, RequestError>;
// The result of an exchange that answers nothing but success or failure.
using Done = std::monostate;

// Receives a transfer's progress: absent while the size is unknown, else a fraction in [0, 1].
using ProgressCallback = std::function<void(std::optional<double>)>;

struct LoginUser {
    QString email;
    QString id;
    friend bool operator==(const LoginUser&, const LoginUser&) = default;
};

// The sign-in answer; every member may be absent.
struct LoginResponse {
    std::optional<bool> success;
    std::optional<QString> token;
    std::optional<LoginUser> user;
    std::optional<QString> error;

    static Decoded<LoginResponse> fromJson(const QByteArray& body);
    friend bool operator==(const LoginResponse&, const LoginResponse&) = default;
};

// The image search's answer; both members may be absent.
struct ImageSearchAnswer {
    std::optional<QString> description;
    std::optional<QStringList> tags;

    // Unknown members are ignored; a member of the wrong type fails the whole answer.
    static Decoded<ImageSearchAnswer> fromJson(const QByteArray& body);
    friend bool operator==(const ImageSearchAnswer&, const ImageSearchAnswer&) = default;
};

// The catalogue answer before decoding: the document, with spare capacity for the decoder to read
// it where it lies, and the validators the server sent with it; or, when the request carried
// validators and the server answered 304, only that the catalogue is unchanged.
struct CatalogDownload {
    bool notModified = false;
    QByteArray document;
    CatalogValidators validators;
};

// The only place that speaks the catalogue server's protocol. Stateless: every operation is one
// exchange that runs on the main thread's event loop and resumes there with its result.
namespace APIClient {

QCoro::Task<ApiResult<LoginResponse>> login(QString email, QString password);
QCoro::Task<ApiResult<Done>> sendPasswordReset(QString email);
// The catalogue is decoded on a worker thread.
QCoro::Task<ApiResult<SyncCatalog>> fetchCatalog();
// The catalogue's document, not decoded, asked for with the validators of a catalogue already
// at hand (none: the whole document). A document larger than SyncCatalog::maxDocumentBytes fails
// as soon as it is known to be.
QCoro::Task<ApiResult<CatalogDownload>> downloadCatalog(CatalogValidators known = {});
// The server's list, order and duplicates untouched. Callers take any failure for "nothing came
// back", except a 401, which ends the session.
QCoro::Task<ApiResult<QList<TrackId>>> fetchFavorites(QString token);
QCoro::Task<ApiResult<Done>> addFavorite(QString token, TrackId trackId);
QCoro::Task<ApiResult<Done>> removeFavorite(QString token, TrackId trackId);
// None on any failure (cancellation included) or when the answer has no tags.
QCoro::Task<std::optional<QStringList>> interpretSearch(QString query, QStringList availableTags,
                                                        QPointer<Cancellation> cancellation = {});
// Sends a JPEG picture, with the tags the catalogue knows, to be described and tagged. The answer
// is read whatever its HTTP status; fails when the exchange fails or the answer cannot be read.
QCoro::Task<ApiResult<ImageSearchAnswer>> searchByImage(QByteArray jpeg, QStringList availableTags);
// Downloads the track's WAV beside `destinationPath` and renames it into place in one step: the
// previous file stays whole until the new one replaces it, and a failure leaves it untouched.
// Returns the destination path.
QCoro::Task<ApiResult<QString>> downloadWAV(Track track, QString email, QString token,
                                            QString destinationPath,
                                            ProgressCallback onProgress = {},
                                            QPointer<Cancellation> cancellation = {});
// The same for any file address: fails on an HTTP error status, keeping no file, so an error
// page never takes the place of a file.
QCoro::Task<ApiResult<QString>> downloadFile(QUrl url, QString destinationPath,
                                             ProgressCallback onProgress = {},
                                             QPointer<Cancellation> cancellation = {});

} // namespace APIClient
} // namespace aru
