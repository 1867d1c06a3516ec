#include "ImageMood.h"

#include "TagInterpreter.h"

#include <QColor>
#include <cmath>
#include <numbers>

namespace aru::server {

namespace {

constexpr int kMaxTags = 5;

struct Features {
    double brightness = 0; // 0..1
    double saturation = 0; // 0..1
    double hue = -1;       // degrees, -1 when the picture has no dominant colour
};

Features measure(const QImage& image) {
    const QImage small = image.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB32);
    Features features;
    double hueX = 0, hueY = 0;
    const int pixels = small.width() * small.height();
    for (int y = 0; y < small.height(); ++y) {
        for (int x = 0; x < small.width(); ++x) {
            const QColor colour(small.pixel(x, y));
            features.brightness +=
                (0.2126 * colour.redF() + 0.7152 * colour.greenF() + 0.0722 * colour.blueF());
            const double saturation = colour.hsvSaturationF();
            features.saturation += saturation;
            if (colour.hsvHue() >= 0) {
                const double radians = colour.hsvHue() * std::numbers::pi / 180.0;
                hueX += std::cos(radians) * saturation;
                hueY += std::sin(radians) * saturation;
            }
        }
    }
    features.brightness /= pixels;
    features.saturation /= pixels;
    if (std::hypot(hueX, hueY) / pixels > 0.08) {
        features.hue = std::atan2(hueY, hueX) * 180.0 / std::numbers::pi;
        if (features.hue < 0)
            features.hue += 360.0;
    }
    return features;
}

QString colourName(double hue) {
    if (hue < 0)
        return QStringLiteral("neutral grey");
    if (hue < 20 || hue >= 330)
        return QStringLiteral("red");
    if (hue < 50)
        return QStringLiteral("orange");
    if (hue < 75)
        return QStringLiteral("yellow");
    if (hue < 170)
        return QStringLiteral("green");
    if (hue < 260)
        return QStringLiteral("blue");
    return QStringLiteral("violet");
}

QStringList candidatesFor(const Features& f) {
    QStringList tags;
    if (f.brightness < 0.3)
        tags << QStringLiteral("Dark") << QStringLiteral("Mysterious") << QStringLiteral("Tension")
             << QStringLiteral("Haunting") << QStringLiteral("Night");
    else if (f.brightness < 0.6)
        tags << QStringLiteral("Atmospheric") << QStringLiteral("Introspective")
             << (f.saturation > 0.4 ? QStringLiteral("Dramatic") : QStringLiteral("Melancholic"));
    else
        tags << QStringLiteral("Hopeful")
             << (f.saturation > 0.4 ? QStringLiteral("Energetic") : QStringLiteral("Ethereal"))
             << QStringLiteral("Calm");

    const QString colour = colourName(f.hue);
    if (colour == QLatin1String("red") || colour == QLatin1String("orange"))
        tags << QStringLiteral("Intense") << QStringLiteral("Romantic")
             << QStringLiteral("Energetic");
    else if (colour == QLatin1String("yellow"))
        tags << QStringLiteral("Playful") << QStringLiteral("Hopeful");
    else if (colour == QLatin1String("green"))
        tags << QStringLiteral("Nature") << QStringLiteral("Peaceful") << QStringLiteral("Calm");
    else if (colour == QLatin1String("blue"))
        tags << QStringLiteral("Calm") << QStringLiteral("Melancholic") << QStringLiteral("Dreamy")
             << QStringLiteral("Space");
    else if (colour == QLatin1String("violet"))
        tags << QStringLiteral("Dreamy") << QStringLiteral("Mysterious")
             << QStringLiteral("Ethereal");
    else
        tags << QStringLiteral("Minimal") << QStringLiteral("Introspective")
             << QStringLiteral("Documentary");
    return tags;
}

QString describe(const Features& f, const QStringList& tags) {
    const QString light = f.brightness < 0.3   ? QStringLiteral("A dark, low-lit")
                          : f.brightness < 0.6 ? QStringLiteral("A softly lit")
                                               : QStringLiteral("A bright");
    const QString colour = f.saturation < 0.15 ? QStringLiteral("muted") : QStringLiteral("vivid");
    QString text =
        QStringLiteral("%1, %2 image dominated by %3 tones").arg(light, colour, colourName(f.hue));
    if (!tags.isEmpty()) {
        QStringList words;
        for (const QString& tag : tags.mid(0, 2))
            words << tag.toLower();
        text += QStringLiteral(", evoking %1").arg(words.join(QStringLiteral(" and ")));
    }
    return text + QLatin1Char('.');
}

} // namespace

ImageMood::Analysis ImageMood::analyse(const QImage& image, const QStringList& availableTags) {
    const Features features = measure(image);
    QStringList tags =
        TagInterpreter::pickAvailable(candidatesFor(features), availableTags, kMaxTags);
    if (tags.isEmpty()) {
        const QString bucket = QStringLiteral("%1/%2/%3")
                                   .arg(qRound(features.brightness * 4))
                                   .arg(qRound(features.saturation * 4))
                                   .arg(colourName(features.hue));
        tags = TagInterpreter::fallback(bucket, availableTags, 3);
    }
    return {describe(features, tags), tags};
}

} // namespace aru::server
