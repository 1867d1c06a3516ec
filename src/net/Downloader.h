#pragma once

#include "Expected.h"
#include "RequestError.h"

#include <QCoroTask>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>

namespace aru {

class Cancellation;

// A downloaded body in a private temporary file that now belongs to the caller, with the
// answer's HTTP status (none when the answer was not HTTP). The status is not judged here: an
// error page comes back as a file like any other body.
struct DownloadedFile {
    QString path;
    std::optional<int> status;
};

// The slowest a transfer may go for long. The transport's timeout only notices silence, so a
// server that trickles a byte now and then would otherwise hold a download open forever.
struct ThroughputFloor {
    qint64 bytesPerSecond = 1024;
    std::chrono::milliseconds window{60'000};
};

// Fetches one URL into a file of its own, streaming to disk so memory does not grow with the
// file. Progress goes to `onProgress`: first none before any byte arrives, then fractions in
// [0, 1] (none while the size is unknown); never after the operation has returned.
namespace Downloader {

using ProgressCallback = std::function<void(std::optional<double>)>;

// How old a temporary file must be before a sweep takes it for a leftover of a killed run.
inline constexpr std::chrono::hours leftoverAge{24};

// The temporary file in `folder`: ".aru-" + upper-case UUID + ".download", hidden beside the
// file it will become, so that renaming it into place never crosses file systems.
QString newTemporaryFilePath(const QString& folder);

// The body goes into a temporary file in `folder`, the folder of the file it is meant for.
// Fails with the transport's error (cancellation included; a transfer slower than `floor` over a
// whole window fails like a timeout) and then leaves no file behind. A folder where the file
// cannot be made fails before anything is sent.
QCoro::Task<Expected<DownloadedFile, RequestError>>
download(QUrl url, QString folder, ProgressCallback onProgress = {},
         QPointer<Cancellation> cancellation = {}, ThroughputFloor floor = {});

// Removes the temporary files of our own naming in `folder` that are older than `olderThan`:
// what a run killed mid-transfer left behind. Returns how many went.
int sweepLeftovers(const QString& folder, std::chrono::seconds olderThan = leftoverAge);

} // namespace Downloader
} // namespace aru
