#include "TrackRowPainter.h"

#include "FontRegistry.h"
#include "IconGlyphs.h"
#include "ImageCache.h"
#include "Theme.h"
#include "WaveformBarLayout.h"
#include "WaveformBarPicture.h"

#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <algorithm>
#include <limits>

namespace aru::TrackRowPainter {

namespace {

using namespace Theme;

// The sizes TrackRow.qml and its parts give their pieces.
constexpr qreal titleSpacing = 8;
constexpr qreal leftSpacing = 4;
constexpr qreal playDiameter = 28;
constexpr qreal stripHeight = 28;
constexpr qreal stripTextWidth = 36;
constexpr qreal stripSpacing = 8;
constexpr qreal rightSpacing = 6;
constexpr qreal chipSpacing = 4;
constexpr qreal actionSpacing = 6;
constexpr qreal wavLabelBox = 42;
constexpr qreal wavIconSize = 10;
constexpr qreal wavContentSpacing = 4;
constexpr qreal heartSize = 12;
constexpr qreal badgeSize = 22;
constexpr qreal badgeMargin = 4;
const QColor red = QColor::fromRgbF(1, 0, 0, 0.85f);

// QML's default face with the changes a Text sets on it.
QFont appFont(qreal pixelSize, QFont::Weight weight) {
    QFont font = QGuiApplication::font();
    font.setPixelSize(int(pixelSize));
    font.setWeight(weight);
    return font;
}

QFont pointFont(qreal designSize, QFont::Weight weight, qreal letterSpacing) {
    QFont font = QGuiApplication::font();
    font.setPointSizeF(designSize * 0.75);
    font.setWeight(weight);
    font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return font;
}

QFont labelFont(qreal letterSpacing) {
    QFont font = Theme::labelFont();
    font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return font;
}

QFont artistFont() {
    QFont font = appFont(11, QFont::Medium);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    font.setCapitalization(QFont::AllUppercase);
    return font;
}

QFont iconFont(qreal size, QFont::Weight weight = QFont::Normal) {
    QFont font(FontRegistry::iconFamily());
    font.setPixelSize(int(size));
    font.setWeight(weight);
    return font;
}

// Where an item of `size` sits when anchored to the centre of one of `outer`: anchors keep a
// centred item on whole pixels by taking the middle of an odd whole size half a pixel further.
qreal centred(qreal outer, qreal size) {
    const auto middle = [](qreal length) {
        return int(length) % 2 ? (length + 1) / 2 : length / 2;
    };
    return middle(outer) - middle(size);
}

// A Text item keeps point sizes to half a point.
QFont asTextItemDoes(QFont font) {
    if (font.pointSizeF() > 0)
        font.setPointSizeF(qRound(font.pointSizeF() * 2) / 2.0);
    return font;
}

// A line of text as a Text item sizes it.
struct Label {
    QFont font;
    QString text;
    QSizeF size;

    Label(const QFont& f, QString t)
        : font(asTextItemDoes(f))
        , text(std::move(t)) {
        QTextLayout layout(text, font);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(std::numeric_limits<int>::max() / 256);
        layout.endLayout();
        size = {line.naturalTextWidth(), line.height()};
    }
    qreal width() const { return size.width(); }
    qreal height() const { return size.height(); }
};

void drawLabel(QPainter& painter, const Label& label, const QRectF& box, const QColor& color,
               Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    painter.setFont(label.font);
    painter.setPen(color);
    painter.drawText(box, int(alignment), label.text);
}

// A glyph of the icon font centred in a square of `size` at `topLeft`.
void drawIcon(QPainter& painter, const QString& name, qreal size, QPointF topLeft,
              const QColor& color, QFont::Weight weight = QFont::Normal) {
    painter.setFont(iconFont(size, weight));
    painter.setPen(color);
    painter.drawText(QRectF(topLeft, QSizeF(size, size)), Qt::AlignCenter, IconGlyphs::glyph(name));
}

void fillRounded(QPainter& painter, const QRectF& rect, qreal radius, const QColor& fill,
                 const QColor& outline = Qt::transparent, qreal outlineWidth = 0) {
    painter.setPen(Qt::NoPen);
    if (outlineWidth > 0 && outline.alpha() > 0) {
        QPainterPath outer;
        outer.addRoundedRect(rect, radius, radius);
        QPainterPath inner;
        const QRectF in = rect.adjusted(outlineWidth, outlineWidth, -outlineWidth, -outlineWidth);
        const qreal innerRadius = std::max<qreal>(0, radius - outlineWidth);
        inner.addRoundedRect(in, innerRadius, innerRadius);
        painter.fillPath(inner, fill);
        painter.fillPath(outer.subtracted(inner), outline);
        return;
    }
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, radius, radius);
}

QImage decodedCover(const QString& file) {
    if (file.isEmpty())
        return {};
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QImage image = ImageCache::decode(in.readAll()).value_or(QImage());
    // As the cover provider hands it to the row: fitted within twice the square.
    const int most = int(2 * Spacing::cover);
    if (!image.isNull() && (image.width() > most || image.height() > most))
        image = image.scaled(most, most, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

void drawCover(QPainter& painter, const TrackRowLook& look, const QRectF& box) {
    fillRounded(painter, box, 2, Color::surface2Dark);
    const QImage cover = decodedCover(look.coverFile);
    if (!cover.isNull()) {
        // Cropped to fill the square, as PreserveAspectCrop does.
        const qreal scale = std::max(box.width() / cover.width(), box.height() / cover.height());
        const QSizeF shown(box.width() / scale, box.height() / scale);
        const QRectF source((cover.width() - shown.width()) / 2,
                            (cover.height() - shown.height()) / 2, shown.width(), shown.height());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(box, cover, source);
    }
    // The drag badge in the bottom trailing corner.
    const QRectF badge(box.right() - badgeMargin - badgeSize,
                       box.bottom() - badgeMargin - badgeSize, badgeSize, badgeSize);
    const bool ready = look.isDragReady;
    fillRounded(painter, badge, badgeSize / 2,
                ready ? Color::accent : QColor::fromRgbF(0, 0, 0, 0.85f),
                ready ? Color::accent : QColor::fromRgbF(1, 1, 1, 0.25f), 1);
    drawIcon(painter, ready ? QStringLiteral("square.grid.3x3.fill") : QStringLiteral("arrow.down"),
             9, badge.topLeft() + QPointF(centred(badgeSize, 9), centred(badgeSize, 9)),
             ready ? Color::bgDark : Color::textDimDark, ready ? QFont::Bold : QFont::DemiBold);
}

QColor rowBackground(bool isCurrent) {
    if (!isCurrent)
        return Color::bgDark;
    // The page's colour with the accent over it at 4 %, as the row tints the current track.
    const auto tinted = [](float page, float accent) { return page * 0.96f + accent * 0.04f; };
    return QColor::fromRgbF(tinted(Color::bgDark.redF(), Color::accent.redF()),
                            tinted(Color::bgDark.greenF(), Color::accent.greenF()),
                            tinted(Color::bgDark.blueF(), Color::accent.blueF()));
}

// One row being painted, in the order the row lays itself out: the trailing column first (its
// width decides the room left for the title), then the cover, the title line and the player line.
class RowPainting {
public:
    RowPainting(const TrackRowLook& look, QImage& picture, qreal height)
        : m_look(look)
        , m_painter(&picture)
        , m_height(height) {
        m_painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    }

    void paint() {
        const qreal trailingX = paintTrailingColumn();
        const QRectF coverBox(m_look.pageLeading, centred(m_height, Spacing::cover), Spacing::cover,
                              Spacing::cover);
        drawCover(m_painter, m_look, coverBox);
        const qreal leftX = coverBox.right() + Spacing::coverGap;
        paintLeadingColumn(leftX, trailingX - Spacing::coverGap - leftX);
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        m_painter.fillRect(QRectF(0, m_height - 1, m_look.width, 1), Color::borderDark);
    }

private:
    // The mood chips over the actions, both flush right; where the column starts.
    qreal paintTrailingColumn() {
        const Label info(pointFont(10.5, QFont::Medium, 1), m_look.infoText);
        const Label license(pointFont(10.5, QFont::Medium, 1), m_look.licenseText);
        const Label wav(labelFont(labelLetterSpacing), m_look.wavLabel);
        const Label error(appFont(9, QFont::Normal), m_look.downloadError);
        QList<Label> chips;
        for (const QString& mood : m_look.moodChips)
            chips.append(Label(labelFont(1), mood));

        const QSizeF wavBox(wavLabelBox + wavContentSpacing + wavIconSize +
                                2 * accentButtonPaddingH,
                            std::max(wav.height(), wavIconSize) + 2 * accentButtonPaddingV);
        const QSizeF infoBox(info.width() + 16, info.height() + 8);
        const QSizeF licenseBox(license.width() + 16, license.height() + 8);
        const bool hasError = !m_look.downloadError.isEmpty();
        const qreal actionHeight = std::max({heartSize, wavBox.height(), infoBox.height(),
                                             licenseBox.height(), hasError ? error.height() : 0});
        const qreal actionWidth = heartSize + wavBox.width() + infoBox.width() +
                                  licenseBox.width() + 3 * actionSpacing +
                                  (hasError ? error.width() + actionSpacing : 0);
        qreal chipsWidth = chips.isEmpty() ? 0 : chipSpacing * (chips.size() - 1);
        qreal chipHeight = 0;
        for (const Label& chip : chips) {
            chipsWidth += chip.width() + 16;
            chipHeight = std::max(chipHeight, chip.height() + 6);
        }
        const qreal chipsBand = chips.isEmpty() ? 0 : chipHeight + rightSpacing;
        const qreal width = std::max(chipsWidth, actionWidth);
        const qreal left = m_look.width - m_look.pageTrailing - width;
        const qreal top = centred(m_height, chipsBand + actionHeight);

        qreal x = left + width - chipsWidth;
        for (const Label& chip : chips) {
            const QRectF box(x, top, chip.width() + 16, chip.height() + 6);
            fillRounded(m_painter, box, labelRadius, Color::tagMoodBg);
            drawLabel(m_painter, chip,
                      QRectF(box.x() + 8, box.y() + 3, chip.width(), chip.height()),
                      Color::tagMood);
            x += box.width() + chipSpacing;
        }

        const qreal actionY = top + chipsBand;
        const auto placed = [&](QSizeF size) {
            const QRectF box(QPointF(x, actionY + centred(actionHeight, size.height())), size);
            x += size.width() + actionSpacing;
            return box;
        };
        x = left + width - actionWidth;
        if (hasError)
            drawLabel(m_painter, error, placed(error.size), red);
        drawIcon(m_painter,
                 m_look.isFavorite ? QStringLiteral("heart.fill") : QStringLiteral("heart"),
                 heartSize, placed({heartSize, heartSize}).topLeft(),
                 m_look.isFavorite ? red : Color::textMutedDark);
        paintWavButton(placed(wavBox), wav);
        paintTextButton(placed(infoBox), info);
        paintTextButton(placed(licenseBox), license);
        return left;
    }

    void paintWavButton(const QRectF& box, const Label& wav) {
        fillRounded(m_painter, box, labelRadius, Color::accentSoft);
        const QSizeF content(wavLabelBox + wavContentSpacing + wavIconSize,
                             std::max(wav.height(), wavIconSize));
        const QPointF at(box.x() + centred(box.width(), content.width()),
                         box.y() + centred(box.height(), content.height()));
        drawLabel(m_painter, wav,
                  QRectF(at.x(), at.y() + centred(content.height(), wav.height()), wavLabelBox,
                         wav.height()),
                  Color::accent, Qt::AlignHCenter | Qt::AlignVCenter);
        drawIcon(m_painter,
                 m_look.isDragReady ? QStringLiteral("square.grid.3x3.fill")
                                    : QStringLiteral("arrow.down"),
                 wavIconSize,
                 QPointF(at.x() + wavLabelBox + wavContentSpacing,
                         at.y() + centred(content.height(), wavIconSize)),
                 Color::accent);
    }

    // INFO and LICENSE: a one-point outline around a filled box, the text centred.
    void paintTextButton(const QRectF& box, const Label& label) {
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        m_painter.fillRect(box, Color::borderDark);
        m_painter.fillRect(box.adjusted(1, 1, -1, -1), Color::surface2Dark);
        m_painter.setRenderHint(QPainter::Antialiasing);
        drawLabel(m_painter, label,
                  QRectF(box.x() + centred(box.width(), label.width()),
                         box.y() + centred(box.height(), label.height()), label.width(),
                         label.height()),
                  Color::textMutedDark);
    }

    // The title line over the player line, `width` wide from `left`.
    void paintLeadingColumn(qreal left, qreal width) {
        const Label title(Font::trackTitle(), m_look.title);
        const Label artist(artistFont(), m_look.artist);
        const Label genre(labelFont(1), m_look.genre);
        const bool hasGenre = !m_look.genre.isEmpty();
        const qreal lineHeight =
            std::max({title.height(), artist.height(), hasGenre ? genre.height() : 0.0});
        const qreal top = centred(m_height, lineHeight + leftSpacing + playDiameter);

        // The title gives way to the artist and the genre, which keep their widths.
        const qreal titleWidth = std::max<qreal>(
            0, std::min(title.width(), width - artist.width() - (hasGenre ? genre.width() : 0) -
                                           2 * titleSpacing));
        const Label shownTitle(
            title.font,
            QFontMetricsF(title.font).elidedText(m_look.title, Qt::ElideRight, titleWidth));
        qreal x = left;
        const auto onLine = [&](const Label& label, qreal boxWidth) {
            const QRectF box(x, top + centred(lineHeight, label.height()), boxWidth,
                             label.height());
            x += boxWidth + titleSpacing;
            return box;
        };
        drawLabel(m_painter, shownTitle, onLine(title, titleWidth), Color::textDark);
        drawLabel(m_painter, artist, onLine(artist, artist.width()), Color::accent);
        if (hasGenre)
            drawLabel(m_painter, genre, onLine(genre, genre.width()), Color::tagGenre);

        paintPlayerLine(QRectF(left, top + lineHeight + leftSpacing, width, playDiameter));
    }

    // The play button, then the position, the waveform and the length.
    void paintPlayerLine(const QRectF& line) {
        const QRectF play(line.topLeft(), QSizeF(playDiameter, playDiameter));
        m_painter.setPen(QPen(Color::borderSubDark, 1));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawEllipse(play.adjusted(0.5, 0.5, -0.5, -0.5));
        // The play triangle sits a point right of centre, as the row's button draws it.
        drawIcon(m_painter,
                 m_look.isPlaying ? QStringLiteral("pause.fill") : QStringLiteral("play.fill"), 9,
                 play.topLeft() + QPointF(centred(playDiameter, 9) + (m_look.isPlaying ? 0 : 1),
                                          centred(playDiameter, 9)),
                 m_look.isCurrent ? Color::accent : Color::textDimDark);

        const qreal stripX = play.right() + stripSpacing;
        const qreal stripWidth = line.width() - playDiameter - stripSpacing;
        const Label position(Font::bodySmall(), m_look.positionText);
        const Label duration(Font::bodySmall(), m_look.durationText);
        const qreal textY = line.y() + centred(stripHeight, position.height());
        drawLabel(m_painter, position, QRectF(stripX, textY, stripTextWidth, position.height()),
                  Color::textMutedDark);
        const QRectF area(stripX + stripTextWidth + stripSpacing, line.y(),
                          stripWidth - 2 * (stripTextWidth + stripSpacing), stripHeight);
        drawLabel(m_painter, duration,
                  QRectF(area.right() + stripSpacing, textY, stripTextWidth, duration.height()),
                  Color::textFaintDark, Qt::AlignRight | Qt::AlignVCenter);
        if (area.width() > 0)
            paintWaveform(area);
    }

    // The bars, or while no peaks are known the placeholder line, played up to the progress.
    void paintWaveform(const QRectF& area) {
        if (!m_look.peaks.isEmpty()) {
            const QList<float> values = WaveformBarLayout::barValues(m_look.peaks, area.width());
            const int played =
                WaveformBarLayout::playedCount(values.size(), area.width(), m_look.progress);
            m_painter.drawImage(
                area.topLeft(),
                WaveformBarPicture::paint(WaveformBarLayout::bars(values, area.size(), played),
                                          area.size(), m_painter.device()->devicePixelRatioF()));
            return;
        }
        const QRectF line(area.x(), area.center().y() - 1, area.width(), 2);
        fillRounded(m_painter, line, 1, Color::borderSubDark);
        const qreal playedWidth = area.width() * std::clamp<qreal>(m_look.progress, 0, 1);
        if (playedWidth > 0)
            fillRounded(m_painter, QRectF(line.x(), line.y(), playedWidth, 2), 1, Color::accent);
    }

    const TrackRowLook& m_look;
    QPainter m_painter;
    const qreal m_height;
};

} // namespace

qreal rowHeight() {
    // Laid out once: every delegate and every picture asks.
    static const qreal height = [] {
        const Label title(Font::trackTitle(), QStringLiteral("A"));
        const Label artist(artistFont(), QStringLiteral("A"));
        const qreal left = std::max(title.height(), artist.height()) + leftSpacing + playDiameter;
        return std::max(Spacing::cover, left) + 2 * Spacing::rowV;
    }();
    return height;
}

QImage paint(const TrackRowLook& look, qreal devicePixelRatio) {
    const qreal height = rowHeight();
    const QSize pixels(int(std::ceil(look.width * devicePixelRatio)),
                       int(std::ceil(height * devicePixelRatio)));
    if (pixels.isEmpty())
        return {};
    // Painted with an alpha channel, so text is antialiased in grey as in the row's own layer,
    // not in coloured subpixels; handed over opaque, which the renderer copies fastest.
    QImage picture(pixels, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(rowBackground(look.isCurrent));
    RowPainting(look, picture, height).paint();
    // Everything is painted over an opaque background, so every pixel's alpha is full and the
    // bytes already are RGB32: relabelled, not converted. A conversion of this size is split
    // into jobs for Qt's shared threads, which then compete with the frame for the cores.
    picture.reinterpretAsFormat(QImage::Format_RGB32);
    return picture;
}

} // namespace aru::TrackRowPainter
