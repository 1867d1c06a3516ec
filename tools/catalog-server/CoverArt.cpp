#include "CoverArt.h"

#include "Rng.h"

#include <QBuffer>
#include <QColor>
#include <algorithm>
#include <array>
#include <cmath>

namespace aru::server {

namespace {

struct Palette {
    QColor from;
    QColor to;
    QColor accent;
};

Palette paletteFor(const TrackPlan& track, Rng& rng) {
    // Hue ranges per character: night blues and violets, sea greens, dusk roses, hot oranges.
    static constexpr std::array<std::array<int, 2>, words::kCharacterCount> kHues{{
        {{220, 280}},
        {{150, 200}},
        {{320, 360}},
        {{10, 45}},
    }};
    const auto& hues = kHues[static_cast<std::size_t>(track.character)];
    const int hue = rng.between(hues[0], hues[1]) % 360;
    const bool dark = track.character == words::Character::Dark;
    return {QColor::fromHsv(hue, 200, dark ? 60 : 120),
            QColor::fromHsv((hue + rng.between(20, 60)) % 360, 160, dark ? 25 : 220),
            QColor::fromHsv((hue + 180) % 360, 120, 255)};
}

double mix(double a, double b, double t) {
    return a + (b - a) * t;
}

} // namespace

QImage CoverArt::render(const TrackPlan& track) {
    Rng rng = Rng::forItem(track.soundSeed, 7);
    const Palette palette = paletteFor(track, rng);
    const double centreX = rng.between(90, 310);
    const double centreY = rng.between(90, 310);
    const double radius = rng.between(40, 110);
    const double ringSpacing = rng.between(14, 40);
    const double angle = rng.unit() * 3.14159;
    const double dirX = std::cos(angle);
    const double dirY = std::sin(angle);

    QImage image(kSize, kSize, QImage::Format_RGB32);
    for (int y = 0; y < kSize; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kSize; ++x) {
            const double along = std::clamp((x * dirX + y * dirY) / (kSize * 1.42) + 0.5, 0.0, 1.0);
            double r = mix(palette.from.redF(), palette.to.redF(), along);
            double g = mix(palette.from.greenF(), palette.to.greenF(), along);
            double b = mix(palette.from.blueF(), palette.to.blueF(), along);
            const double distance = std::hypot(x - centreX, y - centreY);
            const double ring = 0.5 + 0.5 * std::cos(distance / ringSpacing * 6.28318);
            const double glow = std::clamp(1.0 - distance / radius, 0.0, 1.0);
            const double accent = std::max(glow * glow, ring * 0.12);
            r = mix(r, palette.accent.redF(), accent);
            g = mix(g, palette.accent.greenF(), accent);
            b = mix(b, palette.accent.blueF(), accent);
            line[x] = qRgb(static_cast<int>(r * 255), static_cast<int>(g * 255),
                           static_cast<int>(b * 255));
        }
    }
    return image;
}

QByteArray CoverArt::encode(const TrackPlan& track) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool jpeg = track.cover == TrackPlan::Cover::Jpeg;
    if (!render(track).save(&buffer, jpeg ? "JPG" : "PNG", jpeg ? 85 : -1))
        return {};
    return bytes;
}

} // namespace aru::server
