#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace aru::server {

// Stands in for the label's image analysis: reads a picture's brightness, saturation and main
// colour and describes the mood they suggest, with tags taken from the ones the client offers.
class ImageMood {
public:
    struct Analysis {
        QString description;
        QStringList tags;
    };

    static Analysis analyse(const QImage& image, const QStringList& availableTags);
};

} // namespace aru::server
