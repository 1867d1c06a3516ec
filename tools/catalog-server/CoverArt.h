#pragma once

#include "TrackPlan.h"

#include <QByteArray>
#include <QImage>

namespace aru::server {

// Draws a track's cover: a two-colour gradient in the track's palette with rings and a glowing
// disc, computed pixel by pixel so that no font or window system is needed.
class CoverArt {
public:
    static constexpr int kSize = 400;

    static QImage render(const TrackPlan& track);
    // Encoded as PNG, or JPEG for tracks whose cover is a .jpg; empty on failure.
    static QByteArray encode(const TrackPlan& track);
};

} // namespace aru::server
