#pragma once

#include "PeakExtraction.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace aru {

// Everything a catalogue row shows while nobody touches it, as plain values: what its picture is
// painted from, away from the objects that hold the state. Two equal looks paint the same.
struct TrackRowLook {
    qreal width = 0;
    qreal pageLeading = 0;
    qreal pageTrailing = 0;

    QString title;
    QString artist;
    QString genre;
    QStringList moodChips;
    // The cover's file in the cover cache; empty, or a file not there, leaves the square empty.
    QString coverFile;

    bool isCurrent = false;
    bool isPlaying = false;
    bool isFavorite = false;
    // The drag badge and the WAV button's symbol: a copy is ready to drag, else the arrow.
    bool isDragReady = false;
    QString wavLabel;
    QString downloadError;
    QString infoText;
    QString licenseText;

    Peaks peaks;
    qreal progress = 0;
    QString positionText;
    QString durationText;

    bool operator==(const TrackRowLook&) const = default;
};

} // namespace aru
