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
// Larger pictures are refused before they are decoded. JPEG and PNG are shrunk while they are
// decoded, in little memory but in time that grows with the pixels (about a second for 80
// million), so a small file claiming a huge size would keep a worker busy for a long while;
// formats decoded whole are also held to Qt's allocation limit. Every camera and phone photo of
// today stays below this.
inline constexpr qint64 maxSourcePixels = 200'000'000;

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
