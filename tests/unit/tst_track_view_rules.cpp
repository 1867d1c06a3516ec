#include "LicenseMail.h"
#include "TestHome.h"
#include "Theme.h"
#include "TrackInfoCells.h"
#include "WaveformBarLayout.h"
#include "WaveformBarPicture.h"
#include "WaveformBars.h"
#include "WaveformStripController.h"

#include <QJsonDocument>
#include <QPainter>
#include <QSignalSpy>
#include <QUrlQuery>
#include <QtTest>
#include <cmath>
#include <limits>

using namespace aru;
using Cell = TrackInfoCells::Cell;

// Tracks name only the fields they set; the others keep their empty defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

// The rules the track row and the waveform views follow, checked without a window: how bars are
// laid out and coloured, where the pointer seeks, what the info panel lists and what the licence
// request says.
class TrackViewRulesTest : public QObject {
    Q_OBJECT

    static Track sparseTrack() {
        return {.id = 7,
                .title = "Night Rain",
                .artist = "Jane Roe",
                .mood = QStringList{"Dark", "calm"},
                .year = 0,
                .isrc = ""};
    }

private slots:
    // Peaks are thinned to about one bar per 3 points (never below 40 bars), each bar keeping the
    // loudest of its group; the last group may be shorter.
    void barsThinPeaksToTheWidth_data() {
        QTest::addColumn<int>("peakCount");
        QTest::addColumn<qreal>("width");
        QTest::addColumn<int>("bars");
        QTest::addColumn<qreal>("barWidth");
        QTest::addColumn<QList<int>>("lastGroup");
        QTest::newRow("380 on 600: every peak, bars at their minimum width")
            << 380 << 600.0 << 380 << 1.5 << QList<int>{379};
        QTest::newRow("380 on 300: groups of 3, the last of 2")
            << 380 << 300.0 << 127 << 1.5 << QList<int>{378, 379};
        QTest::newRow("30 peaks: one bar each, 0.55 of the slot")
            << 30 << 600.0 << 30 << 11.0 << QList<int>{29};
        QTest::newRow("narrow: never fewer than 40 bars")
            << 100 << 90.0 << 50 << 1.5 << QList<int>{98, 99};
    }
    void barsThinPeaksToTheWidth() {
        QFETCH(int, peakCount);
        QFETCH(qreal, width);
        QFETCH(int, bars);
        QFETCH(qreal, barWidth);
        QFETCH(QList<int>, lastGroup);
        // Loudness in sevenths, so a group's loudest shows which peaks it holds.
        Peaks peaks;
        for (int i = 0; i < peakCount; ++i)
            peaks.append(float(i % 7) / 6.0f);
        const QList<float> values = WaveformBarLayout::barValues(peaks, width);
        QCOMPARE(values.size(), bars);
        float loudest = 0;
        for (const int i : lastGroup)
            loudest = std::max(loudest, peaks[i]);
        QCOMPARE(values.last(), float(std::pow(double(loudest), 1.25)));

        const auto laidOut = WaveformBarLayout::bars(values, {width, 28}, 0);
        QCOMPARE(laidOut.size(), bars);
        const qreal slot = width / bars;
        for (int i : {0, bars - 1}) {
            QCOMPARE(laidOut[i].rect.width(), barWidth);
            QCOMPARE(laidOut[i].rect.center(), QPointF(slot / 2 + slot * i, 14));
        }
    }

    void barsAreRenormalisedAndColouredUpToTheProgressLine() {
        // The loudest becomes 1; values that are not finite or below 0 count as silence.
        const QList<float> values = WaveformBarLayout::barValues(
            {0.5f, -1.0f, std::numeric_limits<float>::quiet_NaN(), 0.25f, 0.0f, 0.5f, 0.5f, 0.5f,
             0.5f, std::numeric_limits<float>::infinity()},
            100);
        QCOMPARE(values, QList<float>({1, 0, 0, float(std::pow(0.5, 1.25)), 0, 1, 1, 1, 1, 0}));

        // Progress 0.5 on 10 bars: centres 5, 15 … 45 are at or before the line.
        QCOMPARE(WaveformBarLayout::playedCount(10, 100, 0.5), 5);
        QCOMPARE(WaveformBarLayout::playedCount(10, 100, 0.449), 4);
        QCOMPARE(WaveformBarLayout::playedCount(10, 100, 1.02), 10);
        const auto bars = WaveformBarLayout::bars(values, {100, 28}, 5);
        // Colours keep 16 bits per channel.
        const auto alphaIs = [](QColor c, double alpha) { return qAbs(c.alphaF() - alpha) < 1e-4; };
        QCOMPARE(bars[0].color, Theme::Color::accent); // 1 × 0.45 + 0.55, at most 1
        QVERIFY(alphaIs(bars[1].color, 0.55));
        QCOMPARE(bars[5].color.rgb(), Theme::Color::textMutedDark.rgb());
        QVERIFY(alphaIs(bars[5].color, 0.58 * 0.7));
        QVERIFY(alphaIs(bars[9].color, 0.58 * 0.25));
        // A silent bar is a sliver 1.5 % of the height, fully rounded.
        QCOMPARE(bars[1].rect.height(), 28 * 0.015);
        QCOMPARE(bars[1].radius, 28 * 0.015 / 2);
        QCOMPARE(bars[0].radius, 5.5 / 2);
    }

    // Thin bars are filled by their own coverage, not the painter: the picture must match what
    // the painter draws antialiased, overlaps and the picture's edges included.
    void thinBarsLookAsThePainterDrawsThem() {
        const QList<WaveformBarLayout::Bar> bars = {
            {{0.3, 2.25, 1.65, 7.5}, 0.5, Theme::Color::accent},
            {{1.2, 4.6, 1.65, 3.1}, 0.5, WaveformBarLayout::barColor(0.3f, false)},
            {{38.9, -1.5, 1.65, 20.0}, 0.5, WaveformBarLayout::barColor(1.0f, true)}};
        QImage expected(40, 12, QImage::Format_ARGB32_Premultiplied);
        expected.fill(Qt::transparent);
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (const auto& bar : bars) {
            painter.setBrush(bar.color);
            painter.drawRect(bar.rect);
        }
        painter.end();
        const QImage picture = WaveformBarPicture::paint(bars, expected.size(), 1.0);
        QCOMPARE(picture.size(), expected.size());
        int worst = 0; // over every channel of every pixel
        for (qsizetype i = 0; i < picture.sizeInBytes(); ++i)
            worst = std::max(worst, std::abs(picture.constBits()[i] - expected.constBits()[i]));
        QVERIFY2(worst <= 3, qPrintable(QStringLiteral("a channel differs by %1").arg(worst)));
    }

    // The item hands its bars to the renderer again only when the picture changes.
    void barsItemRedrawsOnlyWhenThePictureChanges() {
        WaveformBars item;
        item.setSize({100, 28});
        QSignalSpy redrawn(&item, &WaveformBars::barsChanged);
        item.setPeaks(Peaks(10, 0.5f));
        QCOMPARE(redrawn.count(), 1);
        item.setProgress(0.5);
        QCOMPARE(item.playedCount(), 5);
        item.setProgress(0.52); // the sixth bar's centre is at 0.55
        QCOMPARE(redrawn.count(), 2);
        item.setProgress(0.56);
        item.setWidth(200);
        QCOMPARE(redrawn.count(), 4);
        QCOMPARE(item.playedCount(), 6);
    }

    void pointerAndProgressOfTheStrips_data() {
        QTest::addColumn<qreal>("x");
        QTest::addColumn<qreal>("width");
        QTest::addColumn<double>("fraction");
        QTest::newRow("inside") << 25.0 << 100.0 << 0.25;
        QTest::newRow("before the start") << -40.0 << 100.0 << 0.0;
        QTest::newRow("past the end") << 130.0 << 100.0 << 1.0;
        QTest::newRow("no width") << 10.0 << 0.0 << 0.0;
    }
    void pointerAndProgressOfTheStrips() {
        QFETCH(qreal, x);
        QFETCH(qreal, width);
        QFETCH(double, fraction);
        QCOMPARE(WaveformStripController::pointerFraction(x, width), fraction);
        // While following the player: the dragged position, else the player's, over the length;
        // not limited to 1, and 0 while the length is unknown.
        QCOMPARE(WaveformStripController::followingProgress(fraction * 200, 30, 200), fraction);
        QCOMPARE(WaveformStripController::followingProgress(std::nullopt, 202, 200), 1.01);
        QCOMPARE(WaveformStripController::followingProgress(50, 30, 0), 0.0);
    }

    void infoCellsListWhatTheTrackHas_data() {
        QTest::addColumn<Track>("track");
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<QList<Cell>>("cells");
        const QJsonDocument full = QJsonDocument::fromJson(R"({"id":7,"title":"Night Rain",
            "artist":"Jane Roe","isrc":"FR-ARU-21-00042","album":"Rain Tapes","year":2021,"bpm":92,
            "key":"A minor","duration":"3:05","genre":"Cinematic","tempo":"Slow",
            "vocal":"Instrumental","mood":["Dark","calm"],"themes":["Night","City"],
            "instruments":["Piano","Strings"]})");
        QTest::newRow("everything, in order")
            << Track::fromJson(full.object()).value() << AppLanguage::En
            << QList<Cell>{{"ISRC", "FR-ARU-21-00042"},
                           {"Album", "Rain Tapes"},
                           {"Year", "2021"},
                           {"BPM", "92"},
                           {"Key", "A minor"},
                           {"Duration", "3:05"},
                           {"GENRE", "Cinematic"},
                           {"TEMPO", "Slow"},
                           {"VOCAL", "Instrumental"},
                           {"MOOD", "Dark, calm"},
                           {"Themes", "Night, City"},
                           {"Instruments", "Piano, Strings"}};
        // No genre and an empty ISRC leave their cells out; a year of 0 is still a year.
        QTest::newRow("sparse") << sparseTrack() << AppLanguage::En
                                << QList<Cell>{{"Year", "0"}, {"MOOD", "Dark, calm"}};
        QTest::newRow("labels and tag words in French")
            << sparseTrack() << AppLanguage::Fr
            << QList<Cell>{{"Année", "0"}, {"AMBIANCE", "Sombre, Calme"}};
    }
    void infoCellsListWhatTheTrackHas() {
        QFETCH(Track, track);
        QFETCH(AppLanguage, language);
        QFETCH(QList<Cell>, cells);
        QCOMPARE(TrackInfoCells::cells(track, language), cells);
    }

    // Characters that mean something in a URL arrive as typed; an ISRC that is present but empty
    // still asks for its line.
    void licenceRequest() {
        Track track = sparseTrack();
        track.title = "Rock + Roll & #1 at 100%\nLive";
        const QUrl url = LicenseMail::url(track, AppLanguage::En);
        QCOMPARE(url.adjusted(QUrl::RemoveQuery), QUrl("mailto:licensing@aru-records.com"));
        const QUrlQuery query(url);
        QCOMPARE(query.queryItems(QUrl::FullyDecoded).size(), 2);
        QCOMPARE(query.queryItemValue("subject", QUrl::FullyDecoded),
                 "License Request — Rock + Roll & #1 at 100%\nLive");
        QCOMPARE(query.queryItemValue("body", QUrl::FullyDecoded),
                 "Bonjour,\n\nJe suis intéressé(e) par une licence pour le morceau suivant :\n\n"
                 "  • Title : Rock + Roll & #1 at 100%\nLive\n  • Artist : Jane Roe\n"
                 "  • ISRC : \n\nMerci.");
        QVERIFY(url.toString(QUrl::FullyEncoded).contains("Rock%20%2B%20Roll%20%26%20%231"));

        track.isrc.reset();
        QVERIFY(LicenseMail::body(track).endsWith("  • Artist : Jane Roe\n\nMerci."));
        QVERIFY(LicenseMail::subject(track, AppLanguage::Fr).startsWith("Demande de licence — "));
    }
};

ARU_TEST_MAIN(TrackViewRulesTest)
#include "tst_track_view_rules.moc"
