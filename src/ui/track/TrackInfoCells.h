#pragma once

#include "AppLanguage.h"
#include "Track.h"

#include <QList>
#include <QString>

// What the track row's info panel lists: one labelled value per piece of metadata the track
// has, in a fixed order. Tag words are shown in the interface language; labels come as the text
// table gives them (the panel shows them upper-cased).
namespace aru::TrackInfoCells {

struct Cell {
    QString label;
    QString value;

    friend bool operator==(const Cell&, const Cell&) = default;
};

// ISRC, album, year, BPM, key, duration, genre, tempo, vocal, moods, themes, instruments: each
// only when present, texts and lists also only when not empty. Numbers in decimal, lists joined
// with ", ".
QList<Cell> cells(const Track& track, AppLanguage language);

} // namespace aru::TrackInfoCells
