#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace aru {

// A picture prepared for the image search: decoded, turned upright as its camera recorded,
// shrunk so its longer side is at most maxSide, and encoded as JPEG.
namespace ImageSearchPicture {

inline constexpr int maxSide = 800;
inline constexpr int jpegQuality = 85;
// Larger pictures are refused before they are decoded: some decoders build the whole picture in
// memory before shrinking it (four bytes a pixel), and a small file can claim a huge size. 50
// million pixels take in any photo of today's cameras and phones at their usual settings.
inline constexpr qint64 maxSourcePixels = 50'000'000;

// The size a picture of `size` is shrunk to: its own when its longer side is at most `limit`,
// otherwise both sides scaled so that the longer one is `limit`.
QSize shrunkSize(QSize size, int limit = maxSide);

// The JPEG bytes of the picture in the file, or none when the file cannot be read, holds nothing
// Qt can decode, or is larger than maxSourcePixels. Decoding a photo takes a good fraction of a
// second: call it off the main thread.
std::optional<QByteArray> encodeJpeg(const QString& path);
// The same on a worker thread, resuming on the caller's thread.
QCoro::Task<std::optional<QByteArray>> encodeJpegInBackground(QString path);

// The file chooser's filters: every picture format this Qt can decode, by extension in either
// case (cameras write "IMG_0001.JPG").
QStringList chooserNameFilters();

} // namespace ImageSearchPicture
} // namespace aru
